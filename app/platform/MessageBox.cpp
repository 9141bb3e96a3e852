#include "MessageBox.h"

#include "ProgramInfo.h"

#include <QMessageBox>
#include <QStringList>

namespace {

MessageBox::Script* activeScript = nullptr;

QMessageBox::Icon toQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A window still being loaded is not on screen yet: a message shown over it would sit at the
// screen's corner. It goes over the nearest window that is on screen (or the screen's centre).
QWidget* shownOver(QWidget* parent)
{
    while (parent != nullptr && !parent->isVisible())
        parent = parent->parentWidget();
    return parent;
}

MessageAnswer firstAnswerOf(MessageButtons buttons)
{
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

} // namespace

MessageAnswer MessageBox::show(QWidget* parent, const QString& text, MessageIcon icon,
                               MessageButtons buttons)
{
    return show(parent, Message{text, icon, buttons});
}

MessageAnswer MessageBox::show(QWidget* parent, const Message& message)
{
    parent = shownOver(parent);
    const Shown shown{ProgramInfo::title(), message, parent};
    if (activeScript)
        return activeScript->answer(shown);

    QMessageBox box(toQtIcon(message.icon), shown.caption, message.text, QMessageBox::NoButton,
                    parent);
    box.setTextFormat(Qt::PlainText);
    if (message.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (message.buttons == MessageButtons::YesNo)
        return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    return MessageAnswer::Ok;
}

void MessageBox::notify(QWidget* parent, const Message& message)
{
    parent = shownOver(parent);
    const Shown shown{ProgramInfo::title(), message, parent};
    if (activeScript) {
        activeScript->answer(shown);
        return;
    }
    auto* box = new QMessageBox(toQtIcon(message.icon), shown.caption, message.text,
                                QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

MessageBox::Script::Script()
    : m_previous(activeScript)
{
    activeScript = this;
}

MessageBox::Script::~Script()
{
    activeScript = m_previous;
}

QStringList MessageBox::Script::texts() const
{
    QStringList result;
    for (const Shown& s : m_shown)
        result.append(s.message.text);
    return result;
}

MessageAnswer MessageBox::Script::answer(const Shown& shown)
{
    m_shown.append(shown);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return firstAnswerOf(shown.message.buttons);
}
