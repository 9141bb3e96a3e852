#pragma once

#include "database/ServerAddress.h"

#include <QString>

// A trial connection to a database server, for the wizard, llamora-config and llamora-servidor:
// what happened, told in the user's words. The password, when given, is used for this trial
// only; with none, libpq looks in ~/.pgpass or the server needs none.
struct ServerProbe
{
    enum class Result
    {
        Connected,       // the program's tables are there: the program can use it
        WrongPassword,   // user or password refused, or a password needed and none known
        Unreachable,     // no server answers there, or it is not taking connections now
        DatabaseMissing, // the server has no database of that name
        TablesMissing,   // the database is there but the program's tables are not
        Refused,         // anything else the server or the driver said; the text has it
    };

    Result result = Result::Refused;
    QString text;

    [[nodiscard]] bool connected() const { return result == Result::Connected; }
};

// How long an unreachable server keeps a trial waiting.
constexpr int probeTimeoutSeconds = 5;

[[nodiscard]] ServerProbe probeServer(const ServerAddress& address,
                                      const QString& password = QString());
