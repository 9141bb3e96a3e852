#pragma once

#include "reception/ReceptionResult.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class DataControl;
struct ProgramValues;

// The database half of taking a call: looks the number up through the main window's datLlamada,
// adds a number not yet on file as a client, logs the call with this workstation's number on a
// connection of its own, counts it on the client, and says what the window shows.
//
// Unlike the first design, a call is never swallowed by a database failure: when the file cannot
// be reached the caller is still shown (with the client's data when the lookup worked), and
// nothing half-done is written. A failed count shows its conflict message and hides the window
// without touching the panel.
class CallReception
{
public:
    // The workstation's clock; tests fix it.
    using Clock = std::function<QDateTime()>;
    // Appends one call to Llamadas on a connection of its own; 0 or an engine error number.
    using CallLogger = std::function<int(const QString& databasePath, qint64 cliente,
                                         const QDateTime& fecha, qint16 puesto)>;

    // values supplies CarpetaBase and NumeroPuesto at each call; both objects outlive this one.
    CallReception(const ProgramValues& values, DataControl& datLlamada);

    void setClock(Clock clock);
    // Where a logged call goes; by default straight into the database file.
    void setCallLogger(CallLogger logger);

    // Recibe_llamada: takes the call of number Tel ("0" for a withheld number).
    ReceptionResult receive(const QString& Tel);

    // Kept between calls for the screens that act on the last caller.
    [[nodiscard]] QString callDateText() const { return m_callDateText; }
    [[nodiscard]] QString callTimeText() const { return m_callTimeText; }
    // IdCliente of the client the last new number created; 0 before any.
    [[nodiscard]] qint64 currentNewClientKey() const { return m_currentNewClientKey; }

    [[nodiscard]] static QString anonymousName() { return QStringLiteral("ANÓNIMO"); }

private:
    struct CallMoment
    {
        QDate date;
        QTime time;
        [[nodiscard]] QDateTime dateTime() const { return QDateTime(date, time); }
    };

    // The client's fields as the notice shows them; Null texts read as empty ones.
    struct ClientFields
    {
        qint64 IdCliente = 0;
        QString Nombre;
        QString Domicilio;
        QString Observaciones;
        bool Alerta = false;
        std::optional<qint64> CantLlamadas;
    };

    CallMoment takeCallMoment();
    int AltaCliente(const QString& telefono, const QDate& fingreso, qint64* nuevoId);
    int RegistraLlamada(qint64 cliente, const CallMoment& moment);
    // datLlamada's current row, key included; empty when it cannot be read, with the engine
    // error in *error.
    [[nodiscard]] std::optional<ClientFields> readClient(int* error = nullptr) const;
    [[nodiscard]] static CallerNotice clientNotice(const QString& Tel, const CallMoment& moment,
                                                   const ClientFields& fields);

    const ProgramValues& m_values;
    DataControl& m_datLlamada;
    Clock m_clock;
    CallLogger m_logCall;

    QString m_callDateText;
    QString m_callTimeText;
    qint64 m_currentNewClientKey = 0;
};
