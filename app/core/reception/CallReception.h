#pragma once

#include "outbox/PendingCall.h"
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
// be reached, written or read the caller is still shown (with the client's data when the lookup
// worked), nothing half-done is written, and the call is kept for later in the outbox. The call
// row and the client's count are written together, so the count always agrees with the calls. A
// failed count shows its conflict message and hides the window without touching the panel.
class CallReception
{
public:
    // The workstation's clock; tests fix it.
    using Clock = std::function<QDateTime()>;
    // Keeps a call that could not be logged for later (the outbox); true once it is on the disk.
    using KeepForLater = std::function<bool(const PendingCall& call)>;

    // values supplies CarpetaBase and NumeroPuesto at each call; both objects outlive this one.
    CallReception(const ProgramValues& values, DataControl& datLlamada);

    void setClock(Clock clock);
    // Where a call goes that the database did not take; without it such a call is only shown.
    void setKeepForLater(KeepForLater keep);
    // Tests: what another workstation does just before this one writes a call and its count.
    void setBeforeCallWrite(std::function<void()> hook);

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
    ReceptionResult logCall(const QString& Tel, const CallMoment& moment);
    void keepForLater(const QString& Tel, const CallMoment& moment, ReceptionResult* result);
    int AltaCliente(const QString& telefono, const QDate& fingreso, qint64* nuevoId);
    // The call row and the client's count, in one transaction; countFailed tells which failed.
    int RegistraLlamada(qint64 cliente, const CallMoment& moment, bool* countFailed);
    // datLlamada's current row, key included; empty when it cannot be read, with the engine
    // error in *error.
    [[nodiscard]] std::optional<ClientFields> readClient(int* error = nullptr) const;
    [[nodiscard]] static CallerNotice clientNotice(const QString& Tel, const CallMoment& moment,
                                                   const ClientFields& fields);

    const ProgramValues& m_values;
    DataControl& m_datLlamada;
    Clock m_clock;
    KeepForLater m_keepForLater;
    std::function<void()> m_beforeCallWrite;

    QString m_callDateText;
    QString m_callTimeText;
    qint64 m_currentNewClientKey = 0;
};
