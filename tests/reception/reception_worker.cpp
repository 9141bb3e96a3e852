// The other workstation of the reception tests: "reception_worker <database file>" takes the
// file's write lock, prints "READY" and keeps the lock until its standard input closes.
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

#include <QCoreApplication>

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (QCoreApplication::arguments().size() != 2) {
        std::cerr << "usage: reception_worker DATABASE\n";
        return 2;
    }
    DatabaseConnection connection;
    int error = connection.open(QCoreApplication::arguments().at(1));
    if (error == DatabaseError::None)
        error = connection.beginWrite();
    std::cout << "READY" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    connection.rollback();
    return error == DatabaseError::None ? 0 : 1;
}
