#include "maintenance/MaintenanceMessages.h"

#include "database/DatabaseErrors.h"

#include <QDir>
#include <QFileInfo>
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

Message repairedBySalvage(const SalvageReport& saved, const QString& damagedFileName)
{
    const qint64 corrected = saved.correctedClientes + saved.correctedLlamadas;
    if (saved.complete() && corrected == 0)
        return repaired();
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const auto count = [&](qint64 n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(spanish.toString(n),
                                           QString::fromUtf8(n == 1 ? one : many));
    };
    QString text = QStringLiteral("La Base de Datos ha sido reparada. Se recuperaron %1 y %2.")
                       .arg(count(saved.clientes, "cliente", "clientes"),
                            count(saved.llamadas, "llamada", "llamadas"));
    if (saved.damagedParts > 0 || saved.tablesRead < 2)
        text += QStringLiteral(" Algunas partes del archivo estaban dañadas: los datos que solo "
                               "estaban en ellas no pudieron leerse.");
    if (saved.refused > 0)
        text += QStringLiteral(" %1 que se leyeron no pudieron guardarse en la base reparada.")
                    .arg(count(saved.refused, "fila", "filas"));
    if (corrected > 0)
        text += QStringLiteral(" De lo recuperado, %1 y %2 tenían datos que no cumplían las "
                               "reglas de la base (una fecha ilegible, una marca de alerta "
                               "distinta de 0 y 1, un texto demasiado largo); se guardaron con "
                               "esos datos corregidos: la fecha ilegible quedó vacía, la alerta "
                               "marcada y el texto recortado.")
                    .arg(count(saved.correctedClientes, "cliente", "clientes"),
                         count(saved.correctedLlamadas, "llamada", "llamadas"));
    text += QStringLiteral(" El archivo dañado quedó guardado como «%1».").arg(damagedFileName);
    return {text, MessageIcon::Exclamation, MessageButtons::Ok};
}

Message repairFailed()
{
    return {QStringLiteral("La Base de Datos no puede ser reparada."), MessageIcon::Critical,
            MessageButtons::Ok};
}

Message cannotAttachAgain(const QString& databasePath, int errorNumber)
{
    const QFileInfo file(databasePath);
    const QString where = QDir::toNativeSeparators(databasePath);
    QString text;
    if (!file.dir().exists()) {
        text = QStringLiteral("No se puede llegar a la carpeta de la Base de Datos «%1». Las "
                              "llamadas no se registrarán hasta que la carpeta esté disponible; "
                              "revise la red o la carpeta en Configuración.");
    } else if (!file.exists()) {
        text = QStringLiteral("La Base de Datos «%1» no está en su carpeta. Las llamadas no se "
                              "registrarán hasta que el archivo vuelva a ella; revise la carpeta "
                              "en Configuración.");
    } else if (!file.isReadable() || !file.isWritable() ||
               errorNumber == DatabaseError::NoPermission ||
               errorNumber == DatabaseError::ReadOnly) {
        text = QStringLiteral("La Base de Datos «%1» está en su carpeta, pero este puesto no "
                              "tiene permiso para leerla y escribirla (error %2). Las llamadas no "
                              "se registrarán hasta que se corrijan los permisos del archivo.");
    } else if (errorNumber == DatabaseError::RowLocked || errorNumber == DatabaseError::InUseHere ||
               errorNumber == DatabaseError::InUseElsewhere) {
        text = QStringLiteral("La Base de Datos «%1» está bloqueada por otro usuario o programa "
                              "(error %2). Las llamadas no se registrarán mientras siga "
                              "bloqueada.");
    } else {
        text = QStringLiteral("La Base de Datos «%1» está en su carpeta, pero está dañada o no "
                              "se puede leer (error %2). Las llamadas no se registrarán hasta "
                              "que se repare; use «Reparar» en el menú Base de datos o comunique "
                              "a la asistencia técnica el error.");
    }
    text = text.contains(QLatin1String("%2")) ? text.arg(where, QString::number(errorNumber))
                                              : text.arg(where);
    return {text, MessageIcon::Exclamation, MessageButtons::Ok};
}

} // namespace MaintenanceMessages
