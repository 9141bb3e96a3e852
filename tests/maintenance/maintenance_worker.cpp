// Another process for the maintenance tests. It prints "READY" when it starts its job and its
// results as "key value" lines.
//
//   compact <folder>             compacts the folder's database (the tests kill it midway)
//   log-calls <db> <count> <ms>  logs count calls as workstation 2, each through its own
//                                connection and ms apart, trying a refused call again until it
//                                is logged
#include "database/DatabaseErrors.h"
#include "database/RowOperations.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QThread>

namespace {
QTextStream out(stdout);

void say(const QString& line)
{
    out << line << '\n';
    out.flush();
}

int compact(const QString& folder)
{
    say(QStringLiteral("READY"));
    const MaintenanceResult result = CompactaBaseDatos(folder);
    say(QStringLiteral("error ") + QString::number(result.error));
    return result.succeeded ? 0 : 1;
}

int logCalls(const QString& database, int count, int pauseMs)
{
    say(QStringLiteral("READY"));
    int refused = 0;
    const QDateTime start(QDate(2030, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        int error = DatabaseError::None;
        for (int attempt = 0; attempt < 100; ++attempt) {
            error = appendCall(database, 1, start.addSecs(i), 2);
            if (error == DatabaseError::None)
                break;
            ++refused;
            say(QStringLiteral("refused ") + QString::number(error));
            QThread::msleep(20);
        }
        if (error != DatabaseError::None)
            return 1;
        QThread::msleep(static_cast<unsigned long>(pauseMs));
    }
    say(QStringLiteral("logged ") + QString::number(count));
    say(QStringLiteral("refusals ") + QString::number(refused));
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString job = arguments.value(1);
    if (job == QLatin1String("compact"))
        return compact(arguments.value(2));
    if (job == QLatin1String("log-calls"))
        return logCalls(arguments.value(2), arguments.value(3).toInt(), arguments.value(4).toInt());
    say(QStringLiteral("unknown job ") + job);
    return 2;
}
