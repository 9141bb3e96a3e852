#include "maintenance/SqliteFile.h"

#include "database/DatabaseFile.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

SqliteFile::~SqliteFile()
{
    close();
}

int SqliteFile::openWith(const QString& path, int flags)
{
    close();
    const QByteArray uri = sqliteUriOf(path).toUtf8();
    const int code = sqlite3_open_v2(uri.constData(), &m_handle, flags | SQLITE_OPEN_URI, nullptr);
    if (code != SQLITE_OK) {
        close();
        return code;
    }
    sqlite3_extended_result_codes(m_handle, 0);
    sqlite3_busy_timeout(m_handle, 2000);
    return SQLITE_OK;
}

int SqliteFile::open(const QString& path, bool readOnly)
{
    if (!QFileInfo(path).isFile())
        return SQLITE_CANTOPEN;
    return openWith(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
}

int SqliteFile::create(const QString& path)
{
    if (QFileInfo::exists(path))
        return SQLITE_CANTOPEN;
    return openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void SqliteFile::close()
{
    if (m_handle == nullptr)
        return;
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

int SqliteFile::exec(const QString& sql)
{
    if (m_handle == nullptr)
        return SQLITE_MISUSE;
    return sqlite3_exec(m_handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

qint64 SqliteFile::scalar(const QString& sql, qint64 fallback)
{
    if (m_handle == nullptr)
        return fallback;
    sqlite3_stmt* statement = nullptr;
    qint64 value = fallback;
    if (sqlite3_prepare_v2(m_handle, sql.toUtf8().constData(), -1, &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

QString SqliteFile::errorText() const
{
    return m_handle == nullptr ? QString() : QString::fromUtf8(sqlite3_errmsg(m_handle));
}

QString sqlLiteral(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
