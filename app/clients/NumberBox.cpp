#include "NumberBox.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

NumberBox::NumberBox(int maxLength, QWidget* parent)
    : QLineEdit(parent)
{
    setMaxLength(maxLength);
    // Whatever inserts text (the context menu, a drop, an input method) goes through this.
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

bool NumberBox::keyPasses(const QKeyEvent& event)
{
    const int key = event.key();
    if (key == Qt::Key_Backspace)
        return true;
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Copy) ||
        event.matches(QKeySequence::Cut))
        return false;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    // Control keys (select all, undo, word moves, ...); the dialog's access keys never get here.
    if (modifiers & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier))
        return false;
    const QString text = event.text();
    if (text.isEmpty())
        return true;
    if (text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'))
        return true;
    // Keys that type nothing visible but still mean their own action.
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

void NumberBox::keyPressEvent(QKeyEvent* event)
{
    if (keyPasses(*event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}
