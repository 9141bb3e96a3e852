#pragma once

#include "Message.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// What the caller notice is to show for one call: the arguments of Parlux::Mostrar, in its order.
struct CallerNotice
{
    QString Num;
    QDate F;
    QTime H;
    QString Nom;
    QString Dom;
    QString Ob;
    bool Al = false;
    QString N;

    friend bool operator==(const CallerNotice&, const CallerNotice&) = default;
};

// What the main window does after the reception of one call. The reception itself has already
// done the database work; the window applies this, in this order: the message (then hides
// itself when asked to), the notice, the caller button.
struct ReceptionResult
{
    enum class Outcome
    {
        Anonymous,     // withheld number: shown, not looked up, not logged
        Logged,        // the call is logged and counted
        NotLogged,     // the database failed; shown all the same, and kept for later
        CounterFailed, // the client's counter could not be updated; nothing logged, kept for later
    };

    Outcome outcome = Outcome::NotLogged;
    // Passed to Parlux1.Mostrar; empty leaves the panel as it is.
    std::optional<CallerNotice> notice;
    // The new state of cmdLlamante; empty leaves it as it is. When it becomes enabled the window
    // gives it the focus if the window itself is enabled.
    std::optional<bool> cmdLlamanteEnabled;
    // Shown before anything else.
    std::optional<Message> message;
    // After the message the main window closes (to the notification area).
    bool hideMainWindow = false;
    // The engine error that stopped the logging or the count, 0 when none.
    int databaseError = 0;
    // Not logged: the call waits in the outbox. keptOnDisk is false when even the outbox could
    // not be written (it is then only in memory, lost if the program ends).
    bool waiting = false;
    bool keptOnDisk = false;
};
