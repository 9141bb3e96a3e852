#include "database/RowOperations.h"

#include "database/DataControl.h"
#include "database/DatabaseErrors.h"

namespace {
// The key of the client with this number, read inside the caller's write transaction; 0 if none.
int findClientKey(DatabaseConnection& connection, const QString& telefono, qint64* key)
{
    *key = 0;
    QList<QVariantList> rows;
    QStringList columns;
    const int error = connection.readAll(Statements::clientByTelephone(telefono), &rows, &columns);
    if (error == DatabaseError::None && !rows.isEmpty())
        *key = rows.constFirst()
                   .value(static_cast<int>(columns.indexOf(QStringLiteral("IdCliente"))))
                   .toLongLong();
    return error;
}

// Adds a client unless the number exists by now. The existence check and the insert share one
// write lock, so two workstations adding the same new number at once make one client.
int insertClientOnce(DataControl& control, const QString& telefono, const QVariantMap& fields,
                     qint64* idCliente, bool* existed)
{
    *idCliente = 0;
    *existed = false;
    if (int error = control.open(); error != DatabaseError::None)
        return error;
    DatabaseConnection& connection = control.connection();
    if (int error = connection.beginWrite(); error != DatabaseError::None)
        return error;
    qint64 existing = 0;
    int error = findClientKey(connection, telefono, &existing);
    if (error == DatabaseError::None && existing != 0) {
        *existed = true;
        *idCliente = existing;
        connection.rollback();
        return DatabaseError::None;
    }
    if (error == DatabaseError::None)
        error = control.addNew();
    if (error == DatabaseError::None)
        error = control.setField(QStringLiteral("Telefono"), telefono);
    for (auto it = fields.cbegin(); error == DatabaseError::None && it != fields.cend(); ++it)
        error = control.setField(it.key(), it.value());
    if (error == DatabaseError::None)
        error = control.update();
    if (error != DatabaseError::None) {
        control.cancelUpdate();
        connection.rollback();
        return error;
    }
    error = connection.commit();
    if (error == DatabaseError::None)
        *idCliente = control.lastInsertedKey();
    return error;
}
} // namespace

QString storedTelefono(const QString& number)
{
    return number.size() > TelefonoLength ? number.right(TelefonoLength) : number;
}

int appendCall(const QString& databasePath, qint64 cliente, const QDateTime& fecha, qint16 puesto)
{
    DataControl calls;
    calls.setDatabaseName(databasePath);
    calls.setRecordSource(Statements::callsTable());
    int error = calls.addNew();
    if (error == DatabaseError::None)
        error = calls.setField(QStringLiteral("Cliente"), cliente);
    if (error == DatabaseError::None)
        error = calls.setField(QStringLiteral("Fecha"), fecha);
    if (error == DatabaseError::None)
        error = calls.setField(QStringLiteral("Puesto"), puesto);
    if (error == DatabaseError::None)
        error = calls.update();
    return error;
}

int countCall(DataControl& datLlamada)
{
    return datLlamada.addToField(QStringLiteral("CantLlamadas"), 1);
}

int addCallerAsClient(DataControl& datLlamada, const QString& telefono, const QDate& fingreso,
                      qint64* idCliente)
{
    bool existed = false;
    const int error = insertClientOnce(
        datLlamada, telefono, {{QStringLiteral("FIngreso"), fingreso}}, idCliente, &existed);
    if (error != DatabaseError::None)
        return error;
    if (existed)
        return datLlamada.seek(*idCliente);
    return datLlamada.moveLast();
}

int readClient(const QString& databasePath, qint64 idCliente, ClientRecord* client)
{
    *client = {};
    DataControl clients;
    clients.setDatabaseName(databasePath);
    clients.setRecordSource(Statements::clientsTable());
    int error = clients.seek(idCliente);
    if (error == DatabaseError::None)
        error = clients.currentRowError();
    if (error != DatabaseError::None)
        return error;
    const auto text = [&](const char* name) {
        return clients.field(QLatin1String(name)).toString();
    };
    client->IdCliente = idCliente;
    client->Telefono = text("Telefono");
    client->details = {text("Nombre"), text("Domicilio"), text("Observaciones"),
                       clients.field(QStringLiteral("Alerta")).toBool()};
    if (const QVariant cant = clients.field(QStringLiteral("CantLlamadas")); !cant.isNull())
        client->CantLlamadas = cant.toLongLong();
    client->FIngreso = clients.field(QStringLiteral("FIngreso")).toDate();
    return DatabaseError::None;
}

int saveClientDetails(const QString& databasePath, qint64 idCliente, const ClientDetails& details,
                      std::optional<qint64>* cantLlamadas)
{
    DataControl clients;
    clients.setDatabaseName(databasePath);
    clients.setRecordSource(Statements::clientsTable());
    int error = clients.open();
    // The lock first: the row the edit starts from is then the row the update replaces, and a
    // count made elsewhere waits for the update instead of making the edit see a changed row.
    if (error == DatabaseError::None)
        error = clients.connection().beginWrite();
    if (error == DatabaseError::None)
        error = clients.seek(idCliente);
    if (error == DatabaseError::None)
        error = clients.edit();
    if (error == DatabaseError::None)
        error = clients.setField(QStringLiteral("Nombre"), details.Nombre);
    if (error == DatabaseError::None)
        error = clients.setField(QStringLiteral("Domicilio"), details.Domicilio);
    if (error == DatabaseError::None)
        error = clients.setField(QStringLiteral("Observaciones"), details.Observaciones);
    if (error == DatabaseError::None)
        error = clients.setField(QStringLiteral("Alerta"), details.Alerta);
    if (error == DatabaseError::None)
        error = clients.update();
    if (error == DatabaseError::None && cantLlamadas != nullptr) {
        const QVariant cant = clients.field(QStringLiteral("CantLlamadas"));
        *cantLlamadas = cant.isNull() ? std::nullopt : std::optional<qint64>(cant.toLongLong());
    }
    clients.cancelUpdate();
    if (error == DatabaseError::None)
        return clients.connection().commit();
    clients.connection().rollback();
    return error;
}

int addClient(DataControl& s1Result, const QString& telefono, const QDate& fingreso,
              const ClientDetails& details, qint64* idCliente)
{
    bool existed = false;
    const int error = insertClientOnce(s1Result, telefono,
                                       {{QStringLiteral("FIngreso"), fingreso},
                                        {QStringLiteral("CantLlamadas"), 0},
                                        {QStringLiteral("Nombre"), details.Nombre},
                                        {QStringLiteral("Domicilio"), details.Domicilio},
                                        {QStringLiteral("Observaciones"), details.Observaciones},
                                        {QStringLiteral("Alerta"), details.Alerta}},
                                       idCliente, &existed);
    if (error != DatabaseError::None)
        return error;
    return existed ? DatabaseError::DuplicateValue : DatabaseError::None;
}

int deleteCurrentClient(DataControl& datClientes)
{
    const int error = datClientes.deleteCurrent();
    if (error != DatabaseError::None)
        return error;
    datClientes.moveNext();
    return DatabaseError::None;
}
