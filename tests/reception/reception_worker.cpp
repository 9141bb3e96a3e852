// The other workstation of the reception tests.
//   reception_worker <database file>
//       takes the file's write lock, prints "READY" and keeps the lock until its standard input
//       closes.
//   reception_worker <database file> exclusive <ms>
//       takes the file's exclusive lock, which stops readers too, prints "READY", keeps it for
//       <ms> milliseconds and ends.
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool exclusive = arguments.size() == 4 && arguments.at(2) == QLatin1String("exclusive");
    if (arguments.size() != 2 && !exclusive) {
        std::cerr << "usage: reception_worker DATABASE [exclusive MS]\n";
        return 2;
    }
    DatabaseConnection connection;
    int error = connection.open(arguments.at(1));
    if (exclusive) {
        QSqlQuery begin(connection.database());
        if (error == DatabaseError::None && !begin.exec(QStringLiteral("BEGIN EXCLUSIVE")))
            error = errorNumberFor(begin.lastError());
        std::cout << "READY" << std::endl;
        QThread::msleep(arguments.at(3).toULong());
        QSqlQuery(connection.database()).exec(QStringLiteral("ROLLBACK"));
        return error == DatabaseError::None ? 0 : 1;
    }
    if (error == DatabaseError::None)
        error = connection.beginWrite();
    std::cout << "READY" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    connection.rollback();
    return error == DatabaseError::None ? 0 : 1;
}
