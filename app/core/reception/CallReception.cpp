#include "reception/CallReception.h"

#include "database/CallRowWriter.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/Statements.h"
#include "settings/ProgramValues.h"

namespace {

ReceptionResult notLogged(int error, const CallerNotice& notice, bool clientAtHand)
{
    ReceptionResult result;
    result.outcome = ReceptionResult::Outcome::NotLogged;
    result.notice = notice;
    // The button opens datLlamada's current row: only worth offering when that is the caller.
    result.cmdLlamanteEnabled = clientAtHand;
    result.databaseError = error;
    return result;
}

} // namespace

CallReception::CallReception(const ProgramValues& values, DataControl& datLlamada)
    : m_values(values)
    , m_datLlamada(datLlamada)
    , m_clock([] { return QDateTime::currentDateTime(); })
{}

void CallReception::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void CallReception::setKeepForLater(KeepForLater keep)
{
    m_keepForLater = std::move(keep);
}

void CallReception::setBeforeCallWrite(std::function<void()> hook)
{
    m_beforeCallWrite = std::move(hook);
}

CallReception::CallMoment CallReception::takeCallMoment()
{
    const QDateTime now = m_clock();
    // Whole seconds: the texts carry no more, and the stored moment must say what they say.
    const CallMoment moment{now.date(),
                            QTime(now.time().hour(), now.time().minute(), now.time().second())};
    m_callDateText = DateText::regionalDate(moment.date);
    m_callTimeText = DateText::regionalTime(moment.time);
    return moment;
}

ReceptionResult CallReception::receive(const QString& Tel)
{
    const CallMoment moment = takeCallMoment();
    ReceptionResult result = logCall(Tel, moment);
    if (result.outcome == ReceptionResult::Outcome::NotLogged ||
        result.outcome == ReceptionResult::Outcome::CounterFailed)
        keepForLater(Tel, moment, &result);
    return result;
}

void CallReception::keepForLater(const QString& Tel, const CallMoment& moment,
                                 ReceptionResult* result)
{
    if (!m_keepForLater)
        return;
    result->waiting = true;
    result->keptOnDisk = m_keepForLater(PendingCall{Tel, moment.dateTime(), m_values.NumeroPuesto});
}

ReceptionResult CallReception::logCall(const QString& Tel, const CallMoment& moment)
{
    const CallerNotice numberOnly{Tel, moment.date, moment.time, {}, {}, {}, false, {}};

    if (Tel == QLatin1String("0")) {
        ReceptionResult result;
        result.outcome = ReceptionResult::Outcome::Anonymous;
        result.notice =
            CallerNotice{{}, moment.date, moment.time, anonymousName(), {}, {}, false, {}};
        result.cmdLlamanteEnabled = false;
        return result;
    }

    // The panel shows the number as it came; the lookup and the log use what the column holds.
    const QString telefono = storedTelefono(Tel);
    // S1. A data control without a file would read as "no such client".
    m_datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
    int error = m_datLlamada.databaseName().isEmpty() ? DatabaseError::PathNotFound
                                                      : m_datLlamada.refresh();
    if (error != DatabaseError::None)
        return notLogged(error, numberOnly, false);

    const bool isNewNumber = m_datLlamada.isEmpty();
    qint64 cliente = 0;
    CallerNotice notice = numberOnly;
    std::optional<ClientFields> before;
    if (isNewNumber) {
        error = AltaCliente(telefono, moment.date, &cliente);
        if (error != DatabaseError::None)
            return notLogged(error, numberOnly, false);
        m_currentNewClientKey = cliente;
    } else {
        // Read before logging, so that a call that cannot be logged still shows who it is. The
        // key comes from the same good read as the rest: a read that failed gives no key.
        int readError = DatabaseError::None;
        before = readClient(&readError);
        if (!before)
            return notLogged(readError, numberOnly, false);
        cliente = before->IdCliente;
        notice = clientNotice(Tel, moment, *before);
    }

    bool countFailed = false;
    error = RegistraLlamada(cliente, moment, &countFailed);
    if (error != DatabaseError::None && !countFailed)
        return notLogged(error, notice, true);
    if (error != DatabaseError::None) {
        // The window goes away after the message; its panel is not filled.
        ReceptionResult result;
        result.outcome = ReceptionResult::Outcome::CounterFailed;
        result.message = conflictMessage(error);
        result.hideMainWindow = true;
        result.databaseError = error;
        return result;
    }

    if (before) {
        // Read again: the count now includes this call (and any counted meanwhile elsewhere).
        std::optional<ClientFields> after = readClient();
        if (!after) {
            after = before;
            if (after->CantLlamadas)
                ++*after->CantLlamadas;
            else
                after->CantLlamadas = 1;
        }
        notice = clientNotice(Tel, moment, *after);
    }

    ReceptionResult result;
    result.outcome = ReceptionResult::Outcome::Logged;
    result.notice = notice;
    result.cmdLlamanteEnabled = true;
    return result;
}

int CallReception::AltaCliente(const QString& telefono, const QDate& fingreso, qint64* nuevoId)
{
    // Leaves the new client as datLlamada's current row, where the count goes.
    return addCallerAsClient(m_datLlamada, telefono, fingreso, nuevoId);
}

int CallReception::RegistraLlamada(qint64 cliente, const CallMoment& moment, bool* countFailed)
{
    *countFailed = false;
    if (m_beforeCallWrite)
        m_beforeCallWrite();
    // On datLlamada's connection, which the lookup has just opened on this very file.
    DatabaseConnection& connection = m_datLlamada.connection();
    int error = connection.beginWrite();
    if (error != DatabaseError::None)
        return error;
    // R1, read back before the commit.
    error =
        CallRowWriter(connection)
            .append(cliente, DateText::storedDateTime(moment.dateTime()), m_values.NumeroPuesto);
    if (error == DatabaseError::None) {
        error = countCall(m_datLlamada);
        *countFailed = error != DatabaseError::None;
    }
    if (error != DatabaseError::None) {
        connection.rollback();
        return error;
    }
    error = connection.commit();
    return error;
}

std::optional<CallReception::ClientFields> CallReception::readClient(int* error) const
{
    // The row is read (or fails to be) before any field is taken from it; a failed read is
    // tried again by the next field, so a field read alone could mix a failure with a success.
    int rowError = m_datLlamada.currentRowError();
    if (rowError != DatabaseError::None) {
        if (error)
            *error = rowError;
        return std::nullopt;
    }
    ClientFields fields;
    const QVariant key = m_datLlamada.field(QStringLiteral("IdCliente"));
    fields.IdCliente = key.toLongLong();
    fields.Nombre = m_datLlamada.field(QStringLiteral("Nombre")).toString();
    fields.Domicilio = m_datLlamada.field(QStringLiteral("Domicilio")).toString();
    fields.Observaciones = m_datLlamada.field(QStringLiteral("Observaciones")).toString();
    fields.Alerta = m_datLlamada.field(QStringLiteral("Alerta")).toBool();
    const QVariant cant = m_datLlamada.field(QStringLiteral("CantLlamadas"));
    if (!cant.isNull())
        fields.CantLlamadas = cant.toLongLong();
    rowError = m_datLlamada.currentRowError();
    if (rowError == DatabaseError::None && (key.isNull() || fields.IdCliente <= 0))
        rowError = DatabaseError::NoCurrentRow;
    if (rowError != DatabaseError::None) {
        if (error)
            *error = rowError;
        return std::nullopt;
    }
    return fields;
}

CallerNotice CallReception::clientNotice(const QString& Tel, const CallMoment& moment,
                                         const ClientFields& fields)
{
    // Null texts show as empty ones, a Null count as an empty count.
    const QString cant = fields.CantLlamadas ? QString::number(*fields.CantLlamadas) : QString();
    return CallerNotice{Tel,
                        moment.date,
                        moment.time,
                        fields.Nombre,
                        fields.Domicilio,
                        fields.Observaciones,
                        fields.Alerta,
                        QStringLiteral("Cant: ") + cant};
}
