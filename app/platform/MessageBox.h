#pragma once

#include "Message.h"

#include <QList>

class QWidget;

// Every message of the program goes through here: Qt's message box under the program's title.
// The text is shown as it is, never as markup: messages carry names, numbers and paths that come
// from the database, the settings and the disk.
// Tests install a MessageBox::Script to read what would have been shown and to answer it.
class MessageBox
{
public:
    static MessageAnswer show(QWidget* parent, const Message& message);
    static MessageAnswer show(QWidget* parent, const QString& text,
                              MessageIcon icon = MessageIcon::Information,
                              MessageButtons buttons = MessageButtons::Ok);
    // Shows an OK message without waiting for the answer, so the program goes on taking calls
    // while it is on screen. A script records it as it records the others.
    static void notify(QWidget* parent, const Message& message);

    struct Shown
    {
        QString caption;
        Message message;
        QWidget* over = nullptr; // the window it is centred over, none for the screen
    };

    // While alive, messages are recorded instead of shown; queued answers are given in order,
    // and once they run out the message's first button answers.
    class Script
    {
    public:
        Script();
        ~Script();
        Script(const Script&) = delete;
        Script& operator=(const Script&) = delete;

        void queueAnswer(MessageAnswer answer) { m_answers.append(answer); }
        [[nodiscard]] const QList<Shown>& shown() const { return m_shown; }
        [[nodiscard]] QStringList texts() const;
        void clear() { m_shown.clear(); }

    private:
        friend class MessageBox;
        MessageAnswer answer(const Shown& shown);

        QList<Shown> m_shown;
        QList<MessageAnswer> m_answers;
        Script* m_previous = nullptr;
    };
};
