// Another workstation for the reception tests: one process doing one job on the shared file.
//
//   lock <database file>
//       takes the file's write lock, prints "READY" and keeps it until stdin closes
//   log <folder> <puesto> <count> <numbers>
//       takes count calls through CallReception, spread over numbers numbers, in bursts;
//       prints "logged N" and "failed N"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

#include <iostream>
#include <string>

namespace {

void say(const QString& line)
{
    QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

int holdLock(const QString& databasePath)
{
    DatabaseConnection connection;
    int error = connection.open(databasePath);
    if (error == DatabaseError::None)
        error = connection.beginWrite();
    say(QStringLiteral("lock ") + QString::number(error));
    say(QStringLiteral("READY"));
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    connection.rollback();
    return error == DatabaseError::None ? 0 : 1;
}

int logCalls(const QString& folder, qint16 puesto, int count, int numbers)
{
    ProgramValues values;
    values.CarpetaBase = folder;
    values.NumeroPuesto = puesto;
    DataControl datLlamada;
    datLlamada.setDatabaseName(values.databasePath());
    CallReception reception(values, datLlamada);
    int logged = 0;
    int failed = 0;
    constexpr int burst = 25;
    for (int i = 0; i < count; ++i) {
        const QString number = QStringLiteral("4%1").arg(i % numbers, 6, 10, QLatin1Char('0'));
        const ReceptionResult result = reception.receive(number);
        if (result.outcome == ReceptionResult::Outcome::Logged) {
            ++logged;
        } else {
            ++failed;
            say(QStringLiteral("error ") + QString::number(result.databaseError));
        }
        if ((i + 1) % burst == 0)
            QThread::msleep(3);
    }
    say(QStringLiteral("logged ") + QString::number(logged));
    say(QStringLiteral("failed ") + QString::number(failed));
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("lock"))
        return holdLock(arguments.at(2));
    if (arguments.size() == 6 && arguments.at(1) == QLatin1String("log"))
        return logCalls(arguments.at(2), static_cast<qint16>(arguments.at(3).toInt()),
                        arguments.at(4).toInt(), arguments.at(5).toInt());
    std::cerr << "usage: reception_worker lock DB | log FOLDER PUESTO COUNT NUMBERS\n";
    return 2;
}
