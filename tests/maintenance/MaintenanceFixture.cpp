#include "MaintenanceFixture.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <functional>
#include <sys/stat.h>

namespace {

// Runs work on a plain read-only QtSql connection to the file.
template <typename Work>
auto withFile(const QString& databasePath, bool readOnly, Work work)
{
    const QString name = QStringLiteral("maintenance-fixture");
    std::invoke_result_t<Work, QSqlDatabase&> result{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (QFile::exists(databasePath) && db.open())
            result = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
} // namespace

MaintenanceFixture::MaintenanceFixture(int clients, int calls, int pageSize)
{
    m_databasePath = TestEnvironment::copyEmptyDatabase(m_environment.programFolder());
    withFile(m_databasePath, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA page_size = %1").arg(pageSize));
        query.exec(QStringLiteral("VACUUM"));
        query.exec(QStringLiteral("BEGIN"));
        query.prepare(QStringLiteral("INSERT INTO Clientes (Nombre, Domicilio, Telefono, "
                                     "Observaciones, CantLlamadas, FIngreso) "
                                     "VALUES (?, ?, ?, ?, ?, '2024-03-01')"));
        for (int i = 1; i <= clients; ++i) {
            query.addBindValue(QStringLiteral("Cliente Núñez %1").arg(i));
            query.addBindValue(QStringLiteral("Calle %1").arg(i));
            query.addBindValue(QStringLiteral("4%1").arg(i, 7, 10, QLatin1Char('0')));
            query.addBindValue(i % 3 == 0 ? QVariant(QStringLiteral("Nota")) : QVariant());
            query.addBindValue(calls / clients);
            query.exec();
        }
        query.prepare(
            QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?)"));
        const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));
        for (int i = 0; i < calls; ++i) {
            query.addBindValue(1 + i % clients);
            query.addBindValue(
                start.addSecs(i * 61LL).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            query.addBindValue(1 + i % 10);
            query.exec();
        }
        return query.exec(QStringLiteral("COMMIT"));
    });
}

QString MaintenanceFixture::path(const QString& fileName) const
{
    return folder() + QLatin1Char('/') + fileName;
}

QStringList MaintenanceFixture::filesIn(const QString& folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files);
    files.removeAll(QStringLiteral("Llamora.ldb"));
    return files;
}

quint64 MaintenanceFixture::inode(const QString& path)
{
    struct stat info = {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

qint64 MaintenanceFixture::callCount(const QString& databasePath)
{
    return scalar(databasePath, QStringLiteral("SELECT count(*) FROM Llamadas"));
}

QString MaintenanceFixture::fingerprint(const QString& databasePath)
{
    return withFile(databasePath, true, [](QSqlDatabase& db) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const char* sql : {"SELECT * FROM Clientes ORDER BY IdCliente",
                                "SELECT * FROM Llamadas ORDER BY IdLlamada"}) {
            QSqlQuery query(db);
            if (!query.exec(QLatin1String(sql)))
                return QString();
            while (query.next()) {
                for (int i = 0; i < query.record().count(); ++i)
                    hash.addData(QByteArray(query.value(i).toString().toUtf8() + '|'));
            }
            if (query.lastError().isValid())
                return QString();
        }
        return QString::fromLatin1(hash.result().toHex());
    });
}

QString MaintenanceFixture::integrity(const QString& databasePath)
{
    return withFile(databasePath, true, [](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
            return query.lastError().text();
        return query.next() ? query.value(0).toString() : query.lastError().text();
    });
}

QStringList MaintenanceFixture::rows(const QString& databasePath, const QString& sql)
{
    return withFile(databasePath, true, [&](QSqlDatabase& db) {
        QStringList rows;
        QSqlQuery query(db);
        query.exec(sql);
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values.append(query.value(i).toString());
            rows.append(values.join(u'|'));
        }
        return rows;
    });
}

qint64 MaintenanceFixture::scalar(const QString& databasePath, const QString& sql)
{
    const qint64 value = withFile(databasePath, true, [&](QSqlDatabase& db) -> qint64 {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0).toLongLong() + 1 : 0;
    });
    return value - 1;
}

QList<int> MaintenanceFixture::leafPages(const QString& databasePath, const QString& table)
{
    return treePages(databasePath, table, QStringLiteral("leaf"));
}

QList<int> MaintenanceFixture::treePages(const QString& databasePath, const QString& table,
                                         const QString& pageType)
{
    return withFile(databasePath, true, [&](QSqlDatabase& db) {
        QList<int> pages;
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT pageno FROM dbstat WHERE name = '%1' AND pagetype = "
                                  "'%2' ORDER BY pageno")
                       .arg(table, pageType));
        while (query.next())
            pages.append(query.value(0).toInt());
        return pages;
    });
}

int MaintenanceFixture::rootPage(const QString& databasePath, const QString& table)
{
    return static_cast<int>(
        scalar(databasePath,
               QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table)));
}

int MaintenanceFixture::firstLeafPage(const QString& databasePath, const QString& table)
{
    return static_cast<int>(scalar(databasePath, QStringLiteral("SELECT pageno FROM dbstat WHERE "
                                                                "name = '%1' AND pagetype = "
                                                                "'leaf' ORDER BY path LIMIT 1")
                                                     .arg(table)));
}

qint64 MaintenanceFixture::rowsOnPages(const QString& databasePath, const QString& table,
                                       const QList<int>& pages)
{
    QStringList numbers;
    for (const int page : pages)
        numbers.append(QString::number(page));
    return scalar(databasePath, QStringLiteral("SELECT total(ncell) FROM dbstat WHERE name = "
                                               "'%1' AND pageno IN (%2)")
                                    .arg(table, numbers.join(u',')));
}

bool MaintenanceFixture::execute(const QString& databasePath, const QStringList& statements)
{
    return withFile(databasePath, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        for (const QString& statement : statements) {
            if (!query.exec(statement))
                return false;
        }
        return true;
    });
}

bool MaintenanceFixture::overwritePages(const QString& databasePath, const QList<int>& pages,
                                        Fill fill)
{
    const int pageSize = static_cast<int>(scalar(databasePath, QStringLiteral("PRAGMA page_size")));
    QFile file(databasePath);
    if (pageSize <= 0 || !file.open(QIODevice::ReadWrite))
        return false;
    QRandomGenerator random(18);
    for (const int page : pages) {
        const qint64 start = static_cast<qint64>(page - 1) * pageSize;
        QByteArray bytes(pageSize, fill == Fill::Pattern ? '\xab'
                                   : fill == Fill::Zeros ? '\0'
                                                         : '\xff');
        if (fill == Fill::Random)
            random.fillRange(reinterpret_cast<quint32*>(bytes.data()), pageSize / 4);
        const int skip = fill == Fill::OnesPastFirst8 ? 8 : 0;
        if (!file.seek(start + skip) ||
            file.write(bytes.constData(), pageSize - 2 * skip) != pageSize - 2 * skip)
            return false;
    }
    return true;
}

bool MaintenanceFixture::zeroHeader(const QString& databasePath)
{
    QFile file(databasePath);
    return file.open(QIODevice::ReadWrite) && file.write(QByteArray(100, '\0')) == 100;
}
