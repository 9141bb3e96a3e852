#pragma once

#include "export/ListColumn.h"

#include <QHash>
#include <QLocale>
#include <QVariant>

// The texts of a list's cells from the values as the file stores them, as the grid shows them:
// dates in the region's short form, "Sí"/"No" for the alert, numbers unformatted, texts as they
// are. Formatted days and times are kept, so that a million calls cost a few thousand formats.
class CellText
{
public:
    explicit CellText(QLocale locale = QLocale());

    [[nodiscard]] QString text(const QVariant& stored, ListColumn::Format format);

private:
    [[nodiscard]] const QString& dayText(int year, int month, int day);
    [[nodiscard]] const QString& timeText(int secondOfDay);

    QLocale m_locale;
    QHash<qint64, QString> m_days; // by Julian day
    QHash<int, QString> m_times;   // by second of the day
};
