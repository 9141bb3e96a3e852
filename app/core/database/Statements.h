#pragma once

#include <QDate>
#include <QString>
#include <QVariantMap>
#include <QtGlobal>

// A query of the catalogue, kept in parts so that a data control can read its keys first and
// its rows page by page. Values are always bound (":name"), never joined into the text.
struct Statement
{
    QString id;         // catalogue id ("S1" ... "S9"), or the table name for table access
    QString table;      // the table whose rows it lists and, when updatable, edits
    QString keyColumn;  // qualified key of those rows, "Clientes.IdCliente"
    QString columns;    // select list
    QString from;       // FROM clause without the keyword
    QString where;      // condition without the keyword; may be empty
    QString orderBy;    // order without the keywords; may be empty
    QVariantMap values; // bound values of where
    bool updatable = false;
    // A call list over Llamadas in the order Fecha DESC, IdLlamada DESC: its keys may be read
    // in chunks along that order.
    bool readInChunks = false;
    // Each row is a call beside its client (Clientes INNER JOIN Llamadas on Llamadas.Cliente),
    // and the conditions are on Llamadas alone.
    bool callsWithClients = false;

    [[nodiscard]] bool isValid() const { return !from.isEmpty(); }
    // The whole statement, for reading all rows at once.
    [[nodiscard]] QString sql() const;
    // Only the keys, in order.
    [[nodiscard]] QString keysSql() const;
};

// A statement that changes rows (S10).
struct Command
{
    QString id;
    QString sql;
    QVariantMap values;
};

// Which field the browser's client filter looks in.
enum class ClientFilterField
{
    Nombre,
    Domicilio,
    Telefono,
    Ninguno,
};

// The columns of the browser's client grid, in its order.
enum class ClientSortColumn
{
    Nombre = 0,
    Domicilio = 1,
    Telefono = 2,
    CantLlamadas = 3,
    FIngreso = 4,
    Alerta = 5,
    Observaciones = 6,
};

enum class SortDirection
{
    Ascending,
    Descending,
};

// The statement catalogue. Dates are whole days: a range runs from 00:00:00 of its first day to
// 23:59:59 of its last. Text filters match anywhere in the field, without regard to case or
// accents ("jose" finds "JOSÉ", "nunez" finds "Núñez"), and take every character literally.
namespace Statements {
// S1: the client with this telephone number.
[[nodiscard]] Statement clientByTelephone(const QString& telefono);
// S2: the calls of one client, newest first.
[[nodiscard]] Statement callsOfClient(qint64 idCliente);
// S3: the empty list of a client's calls (workstation 0).
[[nodiscard]] Statement noCallsOfClient();
// S4: the empty list of calls (workstation 0).
[[nodiscard]] Statement noCalls();
// S5: calls of one workstation between two days, with their clients, newest first.
[[nodiscard]] Statement callsOfWorkstationBetween(const QDate& desde, const QDate& hasta,
                                                  qint16 puesto);
// S6: calls of all workstations between two days.
[[nodiscard]] Statement callsBetween(const QDate& desde, const QDate& hasta);
// S7: all calls of one workstation.
[[nodiscard]] Statement callsOfWorkstation(qint16 puesto);
// S8: all calls.
[[nodiscard]] Statement allCalls();
// S9: the browser's client list. With Ninguno the text is ignored; onlyWithCalls keeps clients
// with CantLlamadas > 0. The default order of "Mostrar" is Nombre ascending.
[[nodiscard]] Statement clientList(ClientFilterField field, const QString& text, bool onlyWithCalls,
                                   ClientSortColumn sortColumn = ClientSortColumn::Nombre,
                                   SortDirection direction = SortDirection::Ascending);
// S10: removes every call strictly before midnight at the start of the cut-off day.
[[nodiscard]] Command purgeCallsBefore(const QDate& corte);

// Table access (the engine's table-type sets): every row in key order, updatable.
[[nodiscard]] Statement clientsTable();
[[nodiscard]] Statement callsTable();
} // namespace Statements

// The name of the SQL function that folds a text for matching and sorting (lower case, no
// accents). Every connection of the layer registers it.
[[nodiscard]] QString foldFunctionName();
// The same folding in C++.
[[nodiscard]] QString foldForMatching(const QString& text);
