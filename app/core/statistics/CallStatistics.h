#pragma once

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <array>

// How many calls came in over a range of days, for one workstation or all: per day, by hour of
// the day, by day of the week, per workstation, and the ten clients who called most. Every call
// logged in the range counts, also those of clients deleted since; the ten clients are among
// those still on file.
struct CallStatistics
{
    struct ClientCalls
    {
        qint64 idCliente = 0;
        QString nombre;
        QString telefono;
        qint64 calls = 0;
    };

    int error = 0; // 0 or the engine error number that stopped the reading
    qint64 total = 0;
    QList<QDate> days;         // every day from the first to the last with calls in the range
    QList<qint64> callsPerDay; // beside days
    std::array<qint64, 24> byHour{};
    std::array<qint64, 7> byWeekday{}; // Monday first
    QMap<int, qint64> perWorkstation;  // workstations with calls
    QList<ClientCalls> topClients;     // most calls first, at most ten

    // Reads them on a connection of its own, opened and closed here; puesto 0 means all
    // workstations. On the server each figure is one grouped query; the file's calls are read
    // once and counted as they come. No lock stays between the reads. Meant to run off the
    // user-interface thread.
    [[nodiscard]] static CallStatistics read(const QString& databasePath, const QDate& desde,
                                             const QDate& hasta, int puesto);
};
