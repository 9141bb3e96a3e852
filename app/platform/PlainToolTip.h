#pragma once

#include <QString>
#include <QTextDocument>

// A tooltip that shows the text as it is. Qt takes a tooltip that looks like markup for rich
// text; such a text is handed over already converted, so its "<" and "&" show as typed.
[[nodiscard]] inline QString plainToolTip(const QString& text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}
