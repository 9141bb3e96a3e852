#include "startup/ExisteBaseDatos.h"

#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"

#include <QDir>

qint16 ExisteBaseDatos(const QString& carpetaBase, const QString& nombre)
{
    const QString path = QDir(carpetaBase).filePath(nombre);
    const int error = probeDatabaseFile(path);
    if (error != DatabaseError::None)
        return error == DatabaseError::FileNotFound ? 2 : 1;
    return probeWriteAccess(path) == WriteAccess::Writable ? 0 : 2;
}

std::optional<Message> databaseWriteMessage(const QString& carpetaBase, const QString& nombre)
{
    const QString path = QDir(carpetaBase).filePath(nombre);
    if (probeDatabaseFile(path) != DatabaseError::None)
        return std::nullopt;
    const WriteAccess access = probeWriteAccess(path);
    if (access == WriteAccess::Writable)
        return std::nullopt;
    return Message{
        QStringLiteral("La Base de Datos de «%1» no se puede usar para registrar "
                       "llamadas: %2. Indique otra ubicación, o pida ese permiso al "
                       "administrador del equipo.")
            .arg(QDir::toNativeSeparators(carpetaBase), writeAccessProblem(access, path)),
        MessageIcon::Exclamation, MessageButtons::Ok};
}
