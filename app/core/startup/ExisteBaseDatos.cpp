#include "startup/ExisteBaseDatos.h"

#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"

#include <QDir>

qint16 ExisteBaseDatos(const QString& carpetaBase, const QString& nombre)
{
    const int error = probeDatabaseFile(QDir(carpetaBase).filePath(nombre));
    if (error == DatabaseError::None)
        return 0;
    return error == DatabaseError::FileNotFound ? 2 : 1;
}
