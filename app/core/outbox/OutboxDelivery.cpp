#include "outbox/OutboxDelivery.h"

#include "database/CallRowWriter.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "outbox/OutboxFile.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The statements of one delivered call, prepared once per run on the run's connection.
class CallWriter
{
public:
    explicit CallWriter(DatabaseConnection& connection)
        : m_findClient(connection.database())
        , m_findCall(connection.database())
        , m_addClient(connection.database())
        , m_addCall(connection)
        , m_count(connection.database())
        , m_savepoint(connection.database())
    {
        // The first client of the number, as the reception's lookup takes it.
        m_prepared =
            m_findClient.prepare(QStringLiteral("SELECT IdCliente FROM Clientes WHERE Telefono = "
                                                "? ORDER BY IdCliente LIMIT 1")) &&
            m_findCall.prepare(QStringLiteral(
                "SELECT 1 FROM Llamadas L JOIN Clientes C ON C.IdCliente = L.Cliente "
                "WHERE C.Telefono = ? AND L.Puesto = ? AND L.Fecha = ? LIMIT 1")) &&
            m_addClient.prepare(
                QStringLiteral("INSERT INTO Clientes (Telefono, FIngreso) VALUES (?, ?) "
                               "RETURNING IdCliente")) &&
            m_count.prepare(QStringLiteral("UPDATE Clientes SET CantLlamadas = "
                                           "coalesce(CantLlamadas, 0) + 1 WHERE IdCliente = ?"));
        m_findClient.setForwardOnly(true);
        m_findCall.setForwardOnly(true);
    }

    [[nodiscard]] int prepareError() const
    {
        return m_prepared ? m_addCall.prepareError() : fail(m_findClient);
    }

    // Inside the caller's write transaction. Each call is a savepoint of its own, so a call the
    // database refuses leaves nothing of itself behind while the calls before it stay.
    int deliver(const PendingCall& call, bool* alreadyLogged)
    {
        if (!m_savepoint.exec(QStringLiteral("SAVEPOINT entrega")))
            return fail(m_savepoint);
        const int error = write(call, alreadyLogged);
        if (error != DatabaseError::None)
            m_savepoint.exec(QStringLiteral("ROLLBACK TO entrega"));
        m_savepoint.exec(QStringLiteral("RELEASE entrega"));
        return error;
    }

private:
    static int fail(const QSqlQuery& query)
    {
        const int number = errorNumberFor(query.lastError());
        return number == DatabaseError::None ? DatabaseError::ReservedError : number;
    }

    static int run(QSqlQuery& query, const QVariantList& values)
    {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        return query.exec() ? DatabaseError::None : fail(query);
    }

    int write(const PendingCall& call, bool* alreadyLogged)
    {
        const QString fecha = DateText::storedDateTime(call.Fecha);
        // Cut as the reception cuts it, for the lookup and the log alike.
        const QString telefono = storedTelefono(call.Telefono);
        *alreadyLogged = false;
        int error = run(m_findCall, {telefono, call.Puesto, fecha});
        if (error != DatabaseError::None)
            return error;
        *alreadyLogged = m_findCall.next();
        m_findCall.finish();
        if (*alreadyLogged)
            return DatabaseError::None;

        error = run(m_findClient, {telefono});
        if (error != DatabaseError::None)
            return error;
        qint64 cliente = m_findClient.next() ? m_findClient.value(0).toLongLong() : 0;
        m_findClient.finish();
        if (cliente == 0) {
            error = run(m_addClient, {telefono, DateText::storedDate(call.Fecha.date())});
            if (error != DatabaseError::None)
                return error;
            cliente = m_addClient.next() ? m_addClient.value(0).toLongLong() : 0;
            m_addClient.finish();
        }
        error = m_addCall.append(cliente, fecha, call.Puesto);
        if (error == DatabaseError::None)
            error = run(m_count, {cliente});
        return error;
    }

    QSqlQuery m_findClient;
    QSqlQuery m_findCall;
    QSqlQuery m_addClient;
    CallRowWriter m_addCall;
    QSqlQuery m_count;
    QSqlQuery m_savepoint;
    bool m_prepared = false;
};

bool isRefusedValue(int error)
{
    return error == DatabaseError::ValueNotAllowed;
}

} // namespace

DeliveryReport deliverOutbox(OutboxFile& outbox, const QString& databasePath,
                             const QList<PendingCall>& unsaved, const DeliveryLimits& limits)
{
    DeliveryReport report;
    QList<PendingCall> pending;
    // An outbox that cannot be read keeps its calls for later; those kept in memory go all the
    // same, since they are the ones a closed program would lose.
    if (!outbox.read(&pending, &report.asidePath))
        report.outboxError = true;
    if (pending.isEmpty() && unsaved.isEmpty())
        return report;

    DatabaseConnection connection;
    report.error =
        connection.open(databasePath, DatabaseConnection::Access::ReadWrite, limits.busyTimeoutMs);
    if (report.error != DatabaseError::None)
        return report;
    CallWriter writer(connection);
    report.error = writer.prepareError();

    while (report.error == DatabaseError::None) {
        const bool fromFile = !pending.isEmpty();
        const QList<PendingCall> source = fromFile ? pending : unsaved.mid(report.unsavedDelivered);
        if (source.isEmpty() || (limits.stop != nullptr && limits.stop->load()))
            break;

        report.error = connection.beginWrite();
        if (report.error != DatabaseError::None)
            break;
        QElapsedTimer held;
        held.start();
        QList<PendingCall> batch;
        QList<PendingCall> refused;
        for (const PendingCall& call : source) {
            if (batch.size() + refused.size() >= limits.batchCalls ||
                held.elapsed() >= limits.batchMs)
                break;
            bool already = false;
            const int error = writer.deliver(call, &already);
            if (isRefusedValue(error)) {
                refused.append(call);
                continue;
            }
            if (error != DatabaseError::None) {
                report.error = error;
                break;
            }
            batch.append(call);
            report.alreadyLogged += already ? 1 : 0;
        }
        if (report.error != DatabaseError::None) {
            connection.rollback();
            break;
        }
        report.error = connection.commit();
        if (report.error != DatabaseError::None)
            break;
        report.delivered += static_cast<int>(batch.size());
        report.refused += static_cast<int>(refused.size());

        if (!fromFile) {
            // Calls kept in memory are counted from the front; refused ones are dropped there
            // too, since no file can take them.
            report.unsavedDelivered += static_cast<int>(batch.size() + refused.size());
            continue;
        }
        // Committed: now, and only now, they leave the outbox. Should that fail, the next run
        // finds them logged and takes them off then.
        QString refusedAside;
        QString damagedAside;
        const bool ok = (refused.isEmpty() || outbox.setAside(refused, &refusedAside)) &&
                        outbox.remove(batch) && outbox.read(&pending, &damagedAside);
        for (const QString& aside : {refusedAside, damagedAside}) {
            if (!aside.isEmpty())
                report.asidePath = aside;
        }
        if (!ok) {
            report.outboxError = true;
            break;
        }
    }
    return report;
}
