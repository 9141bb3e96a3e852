#include "database/DatabaseErrors.h"

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

int errorNumberFor(const QSqlError& error)
{
    if (error.type() == QSqlError::NoError)
        return DatabaseError::None;
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (!ok)
        return DatabaseError::ReservedError;
    return errorNumberForSqliteCode(code);
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
