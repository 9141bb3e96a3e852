#include "database/DatabaseErrors.h"

#include <QHash>
#include <QSqlError>

#include <sqlite3.h>

int errorNumberForSqliteCode(int sqliteCode)
{
    switch (sqliteCode & 0xff) { // extended codes carry the primary code in their low byte
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return DatabaseError::None;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DatabaseError::RowLocked;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return DatabaseError::NotADatabase;
    case SQLITE_CANTOPEN:
        return DatabaseError::PathNotFound;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return DatabaseError::NoPermission;
    case SQLITE_FULL:
        return DatabaseError::DiskFull;
    case SQLITE_IOERR:
    case SQLITE_PROTOCOL:
        return DatabaseError::DiskError;
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
        return DatabaseError::ValueNotAllowed;
    default:
        return DatabaseError::ReservedError;
    }
}

int errorNumberForSqlState(const QString& sqlState)
{
    static const QHash<QString, int> exact = {
        {QStringLiteral("55P03"), DatabaseError::RowLocked},    // lock_timeout ran out
        {QStringLiteral("40P01"), DatabaseError::RowLocked},    // deadlock: one side gives way
        {QStringLiteral("40001"), DatabaseError::RowLocked},    // serialization failure
        {QStringLiteral("57014"), DatabaseError::RowLocked},    // cancelled while waiting
        {QStringLiteral("3D000"), DatabaseError::FileNotFound}, // no such database
        {QStringLiteral("42P01"), DatabaseError::NotADatabase}, // no such table
        {QStringLiteral("XX001"), DatabaseError::NotADatabase}, // damaged data
        {QStringLiteral("XX002"), DatabaseError::NotADatabase}, // damaged index
        {QStringLiteral("42501"), DatabaseError::NoPermission},
        {QStringLiteral("25006"), DatabaseError::ReadOnly},
        {QStringLiteral("23505"), DatabaseError::DuplicateValue},
        {QStringLiteral("428C9"), DatabaseError::FieldNotUpdatable},
        {QStringLiteral("42703"), DatabaseError::ItemNotFound},
        {QStringLiteral("53100"), DatabaseError::DiskFull},
        {QStringLiteral("58030"), DatabaseError::DiskError},
        {QStringLiteral("57P01"), DatabaseError::DiskError}, // the server is shutting down
        {QStringLiteral("57P02"), DatabaseError::DiskError},
        {QStringLiteral("57P03"), DatabaseError::DiskError}, // the server is starting
    };
    if (const auto it = exact.constFind(sqlState); it != exact.cend())
        return it.value();
    const QStringView errorClass = QStringView(sqlState).left(2);
    if (errorClass == u"08") // the connection was lost or never made
        return DatabaseError::DiskError;
    if (errorClass == u"28") // who connects may not
        return DatabaseError::NoPermission;
    if (errorClass == u"22" || errorClass == u"23") // a value breaks a rule of the table
        return DatabaseError::ValueNotAllowed;
    return DatabaseError::ReservedError;
}

int errorNumberFor(const QSqlError& error)
{
    if (error.type() == QSqlError::NoError)
        return DatabaseError::None;
    const QString code = error.nativeErrorCode();
    // A server's SQLSTATE has five characters; SQLite's extended codes have at most four digits.
    if (code.size() == 5)
        return errorNumberForSqlState(code);
    bool ok = false;
    const int number = code.toInt(&ok);
    if (ok)
        return errorNumberForSqliteCode(number);
    // A server connection that broke or never opened reports no code at all; Qt's server
    // driver names itself at the start of its texts.
    if (error.type() == QSqlError::ConnectionError ||
        error.driverText().startsWith(QLatin1String("QPSQL")))
        return DatabaseError::DiskError;
    return DatabaseError::ReservedError;
}

Message technicalSupportMessage(int errorNumber)
{
    return {QStringLiteral("Comunique a la asistencia técnica el error: ") +
                QString::number(errorNumber),
            MessageIcon::Critical, MessageButtons::Ok};
}

Message conflictMessage(int errorNumber)
{
    switch (errorNumber) {
    case DatabaseError::RowLocked:
        return {QStringLiteral("El cliente está siendo actualizado por otra estación, espere o "
                               "cancele la operación"),
                MessageIcon::Information, MessageButtons::Ok};
    case DatabaseError::RowChanged:
        return {QStringLiteral("Los datos no se guardarán, porque otra estación ya los actualizó"),
                MessageIcon::Information, MessageButtons::Ok};
    case DatabaseError::NoCurrentRow:
    case DatabaseError::RowDeleted:
        return {QStringLiteral("El cliente ha sido eliminado por otra estación"),
                MessageIcon::Information, MessageButtons::Ok};
    default:
        return technicalSupportMessage(errorNumber);
    }
}
