#include "TextLimit.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>

void limitLength(QPlainTextEdit* edit, int maxLength)
{
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxLength] {
        const int length = edit->document()->characterCount() - 1; // without the final mark
        if (length <= maxLength)
            return;
        // The insertion ends at the cursor: its last characters are the excess.
        QTextCursor cursor = edit->textCursor();
        const int end = cursor.position();
        cursor.setPosition(std::max(0, end - (length - maxLength)));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        edit->setTextCursor(cursor);
    });
}
