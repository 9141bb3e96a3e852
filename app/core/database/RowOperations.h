#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

class DataControl;

// The row operations of the program, on data controls or on connections of their own.
// Each returns 0 or an engine error number (DatabaseError); conflictMessage() words it.

struct ClientDetails
{
    QString Nombre;
    QString Domicilio;
    QString Observaciones;
    bool Alerta = false;
};

// A client as the editor shows it. Null texts read as empty ones; a Null count or date stays
// empty.
struct ClientRecord
{
    qint64 IdCliente = 0;
    QString Telefono;
    ClientDetails details;
    std::optional<qint64> CantLlamadas;
    QDate FIngreso;
};

// The longest number the Telefono column holds.
inline constexpr int TelefonoLength = 20;

// A caller's number as the Telefono column keeps it, for the lookup and the log alike: a longer
// one keeps its last TelefonoLength characters. Lengths come from prefixes added in front (an
// international or carrier prefix, a switchboard's line code); the end names the caller.
[[nodiscard]] QString storedTelefono(const QString& number);

// R1: appends a call in a connection of its own, opened and closed here.
int appendCall(const QString& databasePath, qint64 cliente, const QDateTime& fecha, qint16 puesto);

// R2: adds one to CantLlamadas of datLlamada's current row, atomically, so no count is lost when
// two workstations count the same client at once. 3260, 3021 and 3167 as the conflict table says.
int countCall(DataControl& datLlamada);

// R3: on datLlamada's S1 result, adds the caller as a new client with only Telefono and FIngreso
// and makes it the current row; idCliente receives the new key. When another workstation added
// the same number a moment ago, that client is used instead of a second one.
int addCallerAsClient(DataControl& datLlamada, const QString& telefono, const QDate& fingreso,
                      qint64* idCliente);

// Reads the client with this key afresh, in a connection of its own. 3021 when it is gone.
int readClient(const QString& databasePath, qint64 idCliente, ClientRecord* client);

// R4: seeks the client by key in a connection of its own and writes the four editable fields,
// never CantLlamadas. The write lock is taken before the seek and let go after the update, so
// a call counted elsewhere meanwhile never makes the save fail and is never lost, and of two
// saves the later one wins. 3021 when the client is gone, 3260 when the file stays locked past
// the busy timeout. cantLlamadas, when given, receives the count as stored with the save.
int saveClientDetails(const QString& databasePath, qint64 idCliente, const ClientDetails& details,
                      std::optional<qint64>* cantLlamadas = nullptr);

// R5: on an S1 result, adds a client with Telefono, FIngreso, CantLlamadas 0 and the details;
// idCliente receives the new key. 3022 when the number was added by another workstation since
// the S1 check (idCliente then holds that client's key).
int addClient(DataControl& s1Result, const QString& telefono, const QDate& fingreso,
              const ClientDetails& details, qint64* idCliente);

// R6: deletes datClientes' current row and moves to the next one.
int deleteCurrentClient(DataControl& datClientes);
