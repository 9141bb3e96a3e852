#include "export/ClientCells.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "export/CellText.h"

namespace {
// Clients per read: a short read each.
constexpr int clientsPerRead = 20000;
// Keys up to this are looked up in a plain table (4 bytes per key).
constexpr qint64 farKey = 10'000'000;
const QString clientsTable = QStringLiteral("Clientes");
} // namespace

int ClientCells::read(DatabaseConnection& connection, const QList<ListColumn>& columns,
                      CellText& texts)
{
    // The table's columns as the program spells them, on either engine.
    Statement noRows;
    noRows.columns = QStringLiteral("*");
    noRows.from = clientsTable;
    noRows.where = QStringLiteral("1 = 0");
    QList<QVariantList> none;
    QStringList fields;
    if (const int error = connection.readAll(noRows, &none, &fields); error != DatabaseError::None)
        return error;
    QList<ListColumn> clientColumns;
    QString select = QStringLiteral("SELECT Clientes.IdCliente");
    m_slots.clear();
    for (const ListColumn& column : columns) {
        const QString name = column.field.startsWith(clientsTable + QLatin1Char('.'))
                                 ? column.field.mid(clientsTable.size() + 1)
                                 : column.field;
        const bool ofClient = !column.field.contains(QLatin1Char('.')) || name != column.field;
        if (ofClient && fields.contains(name, Qt::CaseInsensitive)) {
            m_slots.append(static_cast<int>(clientColumns.size()));
            clientColumns.append(column);
            select += QStringLiteral(", Clientes.") + name;
        } else {
            m_slots.append(-1);
        }
    }
    m_slotCount = static_cast<int>(clientColumns.size());
    select += QStringLiteral(" FROM Clientes WHERE Clientes.IdCliente > :llamora_after ORDER BY "
                             "Clientes.IdCliente LIMIT ") +
              QString::number(clientsPerRead);
    m_rows.clear();
    m_farRows.clear();
    m_texts.clear();
    m_ends.clear();
    qint64 after = -1;
    int clients = 0;
    for (int read = clientsPerRead; read == clientsPerRead;) {
        read = 0;
        const int error = connection.readRows(
            select, {{QStringLiteral(":llamora_after"), after}}, [&](const StoredRow& row) {
                after = row.number(0);
                if (after < 0 || after > farKey) {
                    m_farRows.insert(after, clients++);
                } else {
                    if (after >= static_cast<qint64>(m_rows.size()))
                        m_rows.resize(static_cast<size_t>(after) + 1, -1);
                    m_rows[static_cast<size_t>(after)] = clients++;
                }
                for (int slot = 0; slot < m_slotCount; ++slot) {
                    m_texts.append(texts.text(row, slot + 1, clientColumns.at(slot).format));
                    m_ends.push_back(m_texts.size());
                }
                ++read;
            });
        if (error != DatabaseError::None)
            return error;
    }
    return DatabaseError::None;
}

QByteArrayView ClientCells::text(int row, int column) const
{
    const auto cell = static_cast<size_t>(row * m_slotCount + m_slots.at(column));
    const qsizetype start = cell == 0 ? 0 : m_ends[cell - 1];
    return QByteArrayView(m_texts).sliced(start, m_ends[cell] - start);
}
