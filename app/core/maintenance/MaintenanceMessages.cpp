#include "maintenance/MaintenanceMessages.h"

#include "database/DatabaseErrors.h"

#include <QDir>
#include <QLocale>

namespace MaintenanceMessages {

Message closeOtherWorkstations()
{
    return {QStringLiteral("Cierre los demás puestos de trabajo y presione Aceptar"),
            MessageIcon::Information, MessageButtons::Ok};
}

std::optional<Message> inUse(int errorNumber)
{
    if (errorNumber == DatabaseError::InUseHere)
        return Message{QStringLiteral("La Base de Datos está en uso. Cierre todos los formularios "
                                      "o espere a que el otro usuario termine de trabajar con la "
                                      "base, e intente de nuevo la operación."),
                       MessageIcon::Critical, MessageButtons::Ok};
    if (errorNumber == DatabaseError::InUseElsewhere)
        return Message{QStringLiteral("La Base de Datos está siendo utilizada por otro usuario o "
                                      "por algún programa. Espere a que el otro usuario termine "
                                      "de trabajar con la base, e intente de nuevo la operación."),
                       MessageIcon::Critical, MessageButtons::Ok};
    return std::nullopt;
}

Message compacted()
{
    return {QStringLiteral("La Base de Datos ha sido compactada"), MessageIcon::Information,
            MessageButtons::Ok};
}

Message compactionFailed()
{
    return {QStringLiteral(
                "La Base de Datos no puede ser compactada. Repare la base y vuelva a intentar"),
            MessageIcon::Critical, MessageButtons::Ok};
}

Message repaired()
{
    return {QStringLiteral("La Base de Datos ha sido reparada"), MessageIcon::Information,
            MessageButtons::Ok};
}

Message repairedWithLosses(qint64 clientes, qint64 llamadas, const QString& damagedFileName)
{
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    return {QStringLiteral("La Base de Datos ha sido reparada. Se recuperaron %1 clientes y %2 "
                           "llamadas; los datos que estaban en las partes dañadas del archivo "
                           "no pudieron leerse. El archivo dañado quedó guardado como «%3».")
                .arg(spanish.toString(clientes), spanish.toString(llamadas), damagedFileName),
            MessageIcon::Exclamation, MessageButtons::Ok};
}

Message repairFailed()
{
    return {QStringLiteral("La Base de Datos no puede ser reparada."), MessageIcon::Critical,
            MessageButtons::Ok};
}

Message cannotAttachAgain(const QString& databasePath, int errorNumber)
{
    return {QStringLiteral("No se puede abrir la Base de Datos «%1» (error %2). Las llamadas no "
                           "se registrarán hasta que el archivo esté en su carpeta; revise la "
                           "carpeta en Configuración o repare la base.")
                .arg(QDir::toNativeSeparators(databasePath))
                .arg(errorNumber),
            MessageIcon::Exclamation, MessageButtons::Ok};
}

} // namespace MaintenanceMessages
