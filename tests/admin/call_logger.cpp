// Another workstation logging calls: every <ms> milliseconds it takes a call the way the call
// reception does (S1, R3 for a new number, R1, R2) until its standard input closes, then prints
//   logged <n>
//   failures <n>
//   longest <ms>        the longest time one call's work took
//
//   call_logger <db> <puesto> <ms> [yyyy-MM-dd]   the calls carry that day (default: now)
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString database = arguments.value(1);
    const auto puesto = static_cast<qint16>(arguments.value(2).toInt());
    const int interval = arguments.value(3).toInt();
    const QDate day = QDate::fromString(arguments.value(4), QStringLiteral("yyyy-MM-dd"));

    DataControl datLlamada;
    datLlamada.setDatabaseName(database);
    int logged = 0;
    int failures = 0;
    qint64 longest = 0;
    QTextStream out(stdout);

    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QString telefono = QStringLiteral("777%1").arg(logged % 50, 4, 10, QLatin1Char('0'));
        QDateTime fecha = QDateTime::currentDateTime();
        if (day.isValid())
            fecha.setDate(day);
        QElapsedTimer took;
        took.start();
        datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
        int error = datLlamada.refresh();
        qint64 id = 0;
        if (error == DatabaseError::None && datLlamada.isEmpty())
            error = addCallerAsClient(datLlamada, telefono, fecha.date(), &id);
        else if (error == DatabaseError::None)
            id = datLlamada.field(QStringLiteral("IdCliente")).toLongLong();
        if (error == DatabaseError::None)
            error = appendCall(database, id, fecha, puesto);
        if (error == DatabaseError::None)
            error = countCall(datLlamada);
        longest = std::max(longest, took.elapsed());
        if (error == DatabaseError::None) {
            ++logged;
        } else {
            ++failures;
            out << "error " << error << '\n';
        }
        // The first call tells the test that logging has begun.
        if (logged + failures == 1) {
            out << "READY\n";
            out.flush();
        }
    });
    timer.start(interval);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            application.quit();
    });
    application.exec();
    out << "logged " << logged << '\n'
        << "failures " << failures << '\n'
        << "longest " << longest << '\n';
    return failures == 0 ? 0 : 1;
}
