#include "LargeDatabase.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

namespace {
const QStringList firstNames = {QStringLiteral("José"),   QStringLiteral("María"),
                                QStringLiteral("Ángel"),  QStringLiteral("Lucía"),
                                QStringLiteral("Juan"),   QStringLiteral("Sofía"),
                                QStringLiteral("Martín"), QStringLiteral("Inés")};
const QStringList lastNames = {QStringLiteral("Núñez"),  QStringLiteral("Pérez"),
                               QStringLiteral("Gómez"),  QStringLiteral("Fernández"),
                               QStringLiteral("Ibáñez"), QStringLiteral("Ruiz")};

} // namespace

namespace LargeDatabase {

QString telefonoFor(int client)
{
    return QStringLiteral("11%1").arg(client, 8, 10, QLatin1Char('0'));
}

// Resident memory in kB.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

bool build(const QString& path, int clients, int calls)
{
    if (!QFile::copy(QStringLiteral(LLAMORA_EMPTY_DATABASE), path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    DatabaseConnection connection;
    if (connection.open(path) != DatabaseError::None ||
        connection.beginWrite() != DatabaseError::None)
        return false;
    QRandomGenerator random(42);
    {
        QSqlQuery insert(connection.database());
        insert.prepare(QStringLiteral(
            "INSERT INTO Clientes (Nombre, Domicilio, Telefono, Observaciones, Alerta, "
            "CantLlamadas, FIngreso) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < clients; ++i) {
            const QString nombre = firstNames.at(random.bounded(firstNames.size())) +
                                   QLatin1Char(' ') +
                                   lastNames.at(random.bounded(lastNames.size())) +
                                   QLatin1Char(' ') + QString::number(i);
            insert.addBindValue(nombre);
            insert.addBindValue(QStringLiteral("Calle %1 nº %2").arg(random.bounded(500)).arg(i));
            insert.addBindValue(telefonoFor(i));
            insert.addBindValue(i % 7 == 0 ? QStringLiteral("Cliente habitual") : QString());
            insert.addBindValue(i % 50 == 0 ? 1 : 0);
            insert.addBindValue(calls / std::max(clients, 1));
            insert.addBindValue(
                DateText::storedDate(QDate(2020, 1, 1).addDays(random.bounded(1500))));
            if (!insert.exec())
                return false;
        }
        QSqlQuery call(connection.database());
        call.prepare(
            QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?)"));
        const QDateTime start(QDate(2021, 1, 1), QTime(8, 0));
        for (int i = 0; i < calls; ++i) {
            call.addBindValue(1 + random.bounded(clients));
            call.addBindValue(DateText::storedDateTime(start.addSecs(i * 97LL)));
            call.addBindValue(1 + random.bounded(10));
            if (!call.exec())
                return false;
        }
    }
    return connection.commit() == DatabaseError::None;
}

} // namespace LargeDatabase

bool LargeDatabase::buildIfMissing(const QString& path)
{
    if (QFile::exists(path))
        return true;
    QElapsedTimer timer;
    timer.start();
    if (!build(path, 100000, 1000000)) {
        std::printf("could not build %s\n", qPrintable(path));
        return false;
    }
    std::printf("file built in %.1f s\n", static_cast<double>(timer.elapsed()) / 1000.0);
    return true;
}
