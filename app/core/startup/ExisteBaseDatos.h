#pragma once

#include <QString>
#include <QtGlobal>

// Whether the file nombre of the database folder opens (shared, read-only, closed at once):
// 0 when it does, 2 when there is no such file (3024), 1 for any other failure. The name is
// matched without regard to case. It shows nothing.
[[nodiscard]] qint16 ExisteBaseDatos(const QString& carpetaBase, const QString& nombre);
