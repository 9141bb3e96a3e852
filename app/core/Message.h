#pragma once

#include <QString>

// A message for the user, as the core decides it; the screens show it through the message box.
enum class MessageIcon
{
    None,
    Information,
    Exclamation,
    Question,
    Critical,
};

enum class MessageButtons
{
    Ok,
    YesNo,
};

enum class MessageAnswer
{
    Ok,
    Yes,
    No,
};

struct Message
{
    QString text;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;

    friend bool operator==(const Message&, const Message&) = default;
};
