#pragma once

#include "Message.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// Whether the file nombre of the database folder can be used: 0 when it opens (shared,
// read-only, closed at once) and this user may write it and its folder; 2 when there is no such
// file (3024) or it cannot be written, since a file that cannot be written logs no call; 1 for
// any other failure. The name is matched without regard to case. It shows nothing.
[[nodiscard]] qint16 ExisteBaseDatos(const QString& carpetaBase, const QString& nombre);

// When the file opens but cannot be written, what the user is told before being asked for
// another folder: it names what lacks the permission. Nothing for any other outcome.
[[nodiscard]] std::optional<Message> databaseWriteMessage(const QString& carpetaBase,
                                                          const QString& nombre);
