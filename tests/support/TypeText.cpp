#include "TypeText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        const bool plainAscii = ch.isLetterOrNumber() && ch.unicode() < 128;
        const int key = plainAscii ? int(ch.toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}
