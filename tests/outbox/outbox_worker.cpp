// One workstation's call reception and outbox for the outbox tests, in a process of its own (as
// another computer, or this one after a restart, would be). Wired as the main window wires them.
//
//   outbox_worker <program folder> <database folder> <puesto> [--busy-ms N] [--batch N]
//                 [--deliver] [--database NAME]
//
// --database names the database instead of the folder's file (an office's server).
// The outbox is the program folder's, under XDG_DATA_HOME. With --deliver it delivers at once,
// prints "DELIVERED <error> <count>" and ends. Otherwise it prints "READY" and reads commands:
//   call <number>   takes a call now: "CALL <outcome> <error> <waiting> <on disk> <count>"
//   deliver         delivers what waits: "DELIVERED <error> <count>"
//   count           "COUNT <count>"
#include "database/DataControl.h"
#include "outbox/Outbox.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <iostream>
#include <string>
#include <thread>

namespace {

QTextStream out(stdout);

void say(const QString& line)
{
    out << line << '\n';
    out.flush();
}

QString option(const QStringList& arguments, const QString& name, const QString& fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::cerr << "usage: outbox_worker PROGRAM_FOLDER DATABASE_FOLDER PUESTO [options]\n";
        return 2;
    }
    ProgramValues values;
    values.programFolder = arguments.at(1);
    values.CarpetaBase = arguments.at(2);
    values.NumeroPuesto = static_cast<qint16>(arguments.at(3).toInt());
    const int busyMs =
        option(arguments, QStringLiteral("--busy-ms"), QStringLiteral("2000")).toInt();

    const QString database = option(arguments, QStringLiteral("--database"), values.databasePath());

    DataControl datLlamada;
    datLlamada.setBusyTimeout(busyMs);
    datLlamada.setDatabaseName(database);
    CallReception reception(values, datLlamada);
    Outbox outbox(OutboxFile::pathFor(values.programFolder), [&database] { return database; });
    DeliveryLimits limits;
    limits.busyTimeoutMs = busyMs;
    limits.batchCalls = option(arguments, QStringLiteral("--batch"), QStringLiteral("200")).toInt();
    outbox.setLimits(limits);
    reception.setKeepForLater([&outbox](const PendingCall& call) { return outbox.add(call); });

    const bool deliverOnly = arguments.contains(QStringLiteral("--deliver"));
    bool reportDelivery = deliverOnly;
    QObject::connect(&outbox, &Outbox::deliveryFinished, &app, [&] {
        // A run that went through is followed at once by one for the calls added meanwhile:
        // report when none follows.
        QTimer::singleShot(0, &app, [&] {
            if (!reportDelivery || outbox.isDelivering())
                return;
            reportDelivery = false;
            say(QStringLiteral("DELIVERED %1 %2").arg(outbox.lastError()).arg(outbox.count()));
            if (deliverOnly)
                QCoreApplication::quit();
        });
    });
    if (deliverOnly) {
        if (outbox.count() == 0) {
            say(QStringLiteral("DELIVERED 0 0"));
            return 0;
        }
        outbox.deliver();
        return QCoreApplication::exec();
    }

    const auto command = [&](const QByteArray& line) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.at(0) == "call" && words.size() == 2) {
            const ReceptionResult result = reception.receive(QString::fromUtf8(words.at(1)));
            // As the main window does: a call that logs brings the waiting ones after it.
            if (result.outcome == ReceptionResult::Outcome::Logged)
                outbox.deliver();
            say(QStringLiteral("CALL %1 %2 %3 %4 %5")
                    .arg(static_cast<int>(result.outcome))
                    .arg(result.databaseError)
                    .arg(int(result.waiting))
                    .arg(int(result.keptOnDisk))
                    .arg(outbox.count()));
        } else if (words.at(0) == "deliver") {
            reportDelivery = true;
            if (outbox.count() == 0) {
                reportDelivery = false;
                say(QStringLiteral("DELIVERED 0 0"));
            } else {
                outbox.deliver();
            }
        } else if (words.at(0) == "count") {
            say(QStringLiteral("COUNT %1").arg(outbox.count()));
        } else {
            say(QStringLiteral("ERROR ") + QString::fromUtf8(line));
        }
    };
    // Commands are read on a thread of their own and carried out on the main one, where the
    // outbox lives; the end of the input ends the worker.
    std::thread reader([&app, &command] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QByteArray bytes = QByteArray::fromStdString(line);
            QMetaObject::invokeMethod(
                &app, [&command, bytes] { command(bytes); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    reader.detach();
    say(QStringLiteral("READY"));
    return QCoreApplication::exec();
}
