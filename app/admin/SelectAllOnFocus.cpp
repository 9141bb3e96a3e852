#include "SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

void SelectAllOnFocus::install(QLineEdit* box)
{
    box->installEventFilter(new SelectAllOnFocus(box));
}

bool SelectAllOnFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        auto* box = static_cast<QLineEdit*>(watched);
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
    }
    return QObject::eventFilter(watched, event);
}
