#include "startup/DatabaseAttach.h"

#include "database/DataControl.h"
#include "database/DatabaseErrors.h"

DatabaseAttachResult attachDatLlamada(DataControl& datLlamada, const QString& databasePath)
{
    datLlamada.setDatabaseName(databasePath);
    DatabaseAttachResult result;
    result.error = datLlamada.refresh();
    if (result.error == DatabaseError::None)
        return result;
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
