#include "database/Statements.h"

#include "database/DateText.h"

namespace {
const QString clientColumns = QStringLiteral("Clientes.*");
const QString callColumns =
    QStringLiteral("Llamadas.IdLlamada, Llamadas.Cliente, Llamadas.Fecha, Llamadas.Puesto");
const QString clientKey = QStringLiteral("Clientes.IdCliente");
const QString callKey = QStringLiteral("Llamadas.IdLlamada");
const QString clientsWithCalls =
    QStringLiteral("Clientes INNER JOIN Llamadas ON Clientes.IdCliente = Llamadas.Cliente");
// Newest first; calls of the same second keep the order they were logged in.
const QString newestFirst = QStringLiteral("Llamadas.Fecha DESC, Llamadas.IdLlamada DESC");

Statement clientStatement(const QString& id, const QString& where, const QString& orderBy,
                          const QVariantMap& values)
{
    Statement statement;
    statement.id = id;
    statement.table = QStringLiteral("Clientes");
    statement.keyColumn = clientKey;
    statement.columns = clientColumns;
    statement.from = QStringLiteral("Clientes");
    statement.where = where;
    statement.orderBy = orderBy;
    statement.values = values;
    statement.updatable = true;
    return statement;
}

Statement callStatement(const QString& id, const QString& columns, const QString& from,
                        const QString& where, const QVariantMap& values)
{
    Statement statement;
    statement.id = id;
    statement.table = QStringLiteral("Llamadas");
    statement.keyColumn = callKey;
    statement.columns = columns;
    statement.from = from;
    statement.where = where;
    statement.orderBy = newestFirst;
    statement.values = values;
    statement.readInChunks = true;
    return statement;
}

QString filteredColumn(ClientFilterField field)
{
    switch (field) {
    case ClientFilterField::Nombre:
        return QStringLiteral("Clientes.Nombre");
    case ClientFilterField::Domicilio:
        return QStringLiteral("Clientes.Domicilio");
    case ClientFilterField::Telefono:
        return QStringLiteral("Clientes.Telefono");
    case ClientFilterField::Ninguno:
        break;
    }
    return QString();
}

QString sortExpression(ClientSortColumn column, const QString& direction)
{
    const QString tieBreak = QStringLiteral(", Clientes.IdCliente") + direction;
    // Texts sort as people read them: capitals and accents do not move a name elsewhere.
    const auto text = [&](const QString& name) -> QString {
        return foldFunctionName() + QLatin1Char('(') + name + QLatin1Char(')') + direction +
               QStringLiteral(", ") + name + direction + tieBreak;
    };
    switch (column) {
    case ClientSortColumn::Nombre:
        return text(QStringLiteral("Clientes.Nombre"));
    case ClientSortColumn::Domicilio:
        return text(QStringLiteral("Clientes.Domicilio"));
    case ClientSortColumn::Telefono:
        return QStringLiteral("Clientes.Telefono") + direction + tieBreak;
    case ClientSortColumn::CantLlamadas:
        return QStringLiteral("Clientes.CantLlamadas") + direction + tieBreak;
    case ClientSortColumn::FIngreso:
        return QStringLiteral("Clientes.FIngreso") + direction + tieBreak;
    case ClientSortColumn::Alerta:
        return QStringLiteral("Clientes.Alerta") + direction + tieBreak;
    case ClientSortColumn::Observaciones:
        return text(QStringLiteral("Clientes.Observaciones"));
    }
    return text(QStringLiteral("Clientes.Nombre"));
}

// The statement's query selecting what (its columns, or only its key).
QString selectOf(const Statement& statement, const QString& what)
{
    QString text = QStringLiteral("SELECT ") + what + QStringLiteral(" FROM ") + statement.from;
    if (!statement.where.isEmpty())
        text += QStringLiteral(" WHERE ") + statement.where;
    if (!statement.orderBy.isEmpty())
        text += QStringLiteral(" ORDER BY ") + statement.orderBy;
    return text;
}
} // namespace

QString Statement::sql() const
{
    return selectOf(*this, columns);
}

QString Statement::keysSql() const
{
    return selectOf(*this, keyColumn);
}

namespace Statements {

Statement clientByTelephone(const QString& telefono)
{
    return clientStatement(QStringLiteral("S1"), QStringLiteral("Clientes.Telefono = :telefono"),
                           clientKey, {{QStringLiteral(":telefono"), telefono}});
}

Statement callsOfClient(qint64 idCliente)
{
    return callStatement(QStringLiteral("S2"), callColumns, QStringLiteral("Llamadas"),
                         QStringLiteral("Llamadas.Cliente = :cliente"),
                         {{QStringLiteral(":cliente"), idCliente}});
}

Statement noCallsOfClient()
{
    // Workstation 0 is carried by no call.
    return callStatement(QStringLiteral("S3"), callColumns, QStringLiteral("Llamadas"),
                         QStringLiteral("Llamadas.Puesto = :puesto"),
                         {{QStringLiteral(":puesto"), 0}});
}

Statement noCalls()
{
    return callStatement(QStringLiteral("S4"), QStringLiteral("Llamadas.IdLlamada"),
                         QStringLiteral("Llamadas"), QStringLiteral("Llamadas.Puesto = :puesto"),
                         {{QStringLiteral(":puesto"), 0}});
}

Statement callsOfWorkstationBetween(const QDate& desde, const QDate& hasta, qint16 puesto)
{
    return callStatement(QStringLiteral("S5"), QStringLiteral("Clientes.*, Llamadas.*"),
                         clientsWithCalls,
                         QStringLiteral("Llamadas.Fecha >= :desde AND Llamadas.Fecha <= :hasta AND "
                                        "Llamadas.Puesto = :puesto"),
                         {{QStringLiteral(":desde"), DateText::startOfDay(desde)},
                          {QStringLiteral(":hasta"), DateText::endOfDay(hasta)},
                          {QStringLiteral(":puesto"), puesto}});
}

Statement callsBetween(const QDate& desde, const QDate& hasta)
{
    return callStatement(QStringLiteral("S6"), QStringLiteral("Clientes.*, Llamadas.*"),
                         clientsWithCalls,
                         QStringLiteral("Llamadas.Fecha >= :desde AND Llamadas.Fecha <= :hasta"),
                         {{QStringLiteral(":desde"), DateText::startOfDay(desde)},
                          {QStringLiteral(":hasta"), DateText::endOfDay(hasta)}});
}

Statement callsOfWorkstation(qint16 puesto)
{
    return callStatement(QStringLiteral("S7"), QStringLiteral("Clientes.*, Llamadas.*"),
                         clientsWithCalls, QStringLiteral("Llamadas.Puesto = :puesto"),
                         {{QStringLiteral(":puesto"), puesto}});
}

Statement allCalls()
{
    return callStatement(QStringLiteral("S8"), QStringLiteral("Clientes.*, Llamadas.*"),
                         clientsWithCalls, QString(), {});
}

Statement clientList(ClientFilterField field, const QString& text, bool onlyWithCalls,
                     ClientSortColumn sortColumn, SortDirection direction)
{
    QStringList conditions;
    QVariantMap values;
    if (field != ClientFilterField::Ninguno) {
        // instr() takes the text literally: quotes, "%", "_" and "*" are plain characters.
        conditions << QStringLiteral("instr(") + foldFunctionName() + QLatin1Char('(') +
                          filteredColumn(field) + QStringLiteral("), :texto) > 0");
        values.insert(QStringLiteral(":texto"), foldForMatching(text));
    }
    if (onlyWithCalls)
        conditions << QStringLiteral("Clientes.CantLlamadas > 0");
    // Empty fields first going up, last going down, whichever engine sorts.
    const QString order = sortExpression(sortColumn, direction == SortDirection::Descending
                                                         ? QStringLiteral(" DESC NULLS LAST")
                                                         : QStringLiteral(" ASC NULLS FIRST"));
    return clientStatement(QStringLiteral("S9"), conditions.join(QStringLiteral(" AND ")), order,
                           values);
}

Command purgeCallsBefore(const QDate& corte)
{
    return {QStringLiteral("S10"),
            QStringLiteral("DELETE FROM Llamadas WHERE Llamadas.Fecha < :corte"),
            {{QStringLiteral(":corte"), DateText::startOfDay(corte)}}};
}

Statement clientsTable()
{
    Statement statement = clientStatement(QStringLiteral("Clientes"), QString(), clientKey, {});
    return statement;
}

Statement callsTable()
{
    Statement statement = callStatement(QStringLiteral("Llamadas"), QStringLiteral("Llamadas.*"),
                                        QStringLiteral("Llamadas"), QString(), {});
    statement.orderBy = callKey;
    statement.readInChunks = false;
    statement.updatable = true;
    return statement;
}

} // namespace Statements

QString foldFunctionName()
{
    return QStringLiteral("llamora_fold");
}

QString foldForMatching(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        folded.append(c);
    }
    return folded.toCaseFolded();
}
