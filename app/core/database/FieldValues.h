#pragma once

#include <QString>
#include <QVariant>

// How the data controls carry field values: Fecha is a QDateTime, FIngreso a QDate, Alerta a
// bool, keys and numbers qint64, texts QString, Null a null QVariant. The file keeps dates as
// ISO 8601 text and Alerta as 0 or 1.
namespace FieldValues {
[[nodiscard]] bool isIntegerColumn(const QString& column);
// A value as read from the file, in the form the program uses.
[[nodiscard]] QVariant fromStored(const QString& column, const QVariant& raw);
// The stored form of a value given to a control; an invalid QVariant (ok false) when it cannot
// be read.
[[nodiscard]] QVariant toStored(const QString& column, const QVariant& value, bool* ok);
// A column's name as the program spells it ("idcliente", as the server gives it, ->
// "IdCliente"); a name it does not know stays as it is.
[[nodiscard]] QString programColumnName(const QString& name);
// "Clientes.IdCliente" -> "IdCliente".
[[nodiscard]] QString unqualified(const QString& qualified);
} // namespace FieldValues
