#include "startup/DatabaseAttach.h"

#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

namespace {
// A file made by an earlier version lacks the index the statistics read; adding it takes the
// write lock once, for a few seconds on a million calls, and is a no-op (no lock) afterwards.
// Earlier versions that share the file simply keep it up to date. Failing to add it (a busy or
// read-only file) only leaves the statistics slower, so it is tried again at the next start.
void addIndexesOfThisVersion(DatabaseConnection& connection)
{
    qint64 present = 0;
    if (connection.readNumber(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                             "'index' AND name = 'ClienteFecha'"),
                              {}, &present) != DatabaseError::None ||
        present != 0 || connection.beginWrite() != DatabaseError::None)
        return;
    const Command command{
        QStringLiteral("ClienteFecha"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS ClienteFecha ON Llamadas (Cliente, Fecha)"),
        {}};
    if (connection.execute(command) == DatabaseError::None)
        connection.commit();
    else
        connection.rollback();
}
} // namespace

DatabaseAttachResult attachDatLlamada(DataControl& datLlamada, const QString& databasePath)
{
    datLlamada.setDatabaseName(databasePath);
    DatabaseAttachResult result;
    result.error = datLlamada.refresh();
    if (result.error == DatabaseError::None) {
        addIndexesOfThisVersion(datLlamada.connection());
        return result;
    }
    if (result.error == DatabaseError::PathNotFound) {
        result.next = DatabaseAttachResult::Next::EndProgram;
        result.message = mainWorkstationOffMessage();
    } else {
        result.next = DatabaseAttachResult::Next::Repair;
        result.message = databaseProblemMessage(result.error);
    }
    return result;
}

Message mainWorkstationOffMessage()
{
    return {QStringLiteral("La Estación principal esta apagada, enciéndala y ejecute nuevamente "
                           "el programa."),
            MessageIcon::Exclamation, MessageButtons::Ok};
}

Message databaseProblemMessage(int errorNumber)
{
    return {QStringLiteral("Problema con la base de datos, se itentará reparar, si no se logra, "
                           "comunique a la asistencia técnica el error: ") +
                QString::number(errorNumber),
            MessageIcon::Exclamation, MessageButtons::Ok};
}
