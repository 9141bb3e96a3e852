#pragma once

#include "Message.h"

#include <QString>

#include <optional>

class DataControl;

// The main window's load attaching datLlamada to the database file, and what follows a failure.
struct DatabaseAttachResult
{
    enum class Next
    {
        GoOn,       // attached
        EndProgram, // the folder cannot be reached: after the message the program ends
        Repair,     // any other failure: after the message the repair runs, then loading goes on
    };

    int error = 0;
    Next next = Next::GoOn;
    std::optional<Message> message;
};

DatabaseAttachResult attachDatLlamada(DataControl& datLlamada, const QString& databasePath);

// The load's two messages.
[[nodiscard]] Message mainWorkstationOffMessage();
[[nodiscard]] Message databaseProblemMessage(int errorNumber);
