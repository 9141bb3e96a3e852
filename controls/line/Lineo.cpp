#include "Lineo.h"

#include "PortTable.h"
#include "QtSerialPort.h"
#include "SipLine.h"

#include <QDeadlineTimer>

#include <array>

namespace {

// Tried in this order. The first carries no "AT": a modem that ignores it lets it time out.
const std::array<QLatin1String, 6> CandidateCommands{
    QLatin1String("XXX"),       QLatin1String("AT+VCID=1"), QLatin1String("AT#CID=1"),
    QLatin1String("AT%CCID=1"), QLatin1String("AT#CC1=1"),  QLatin1String("AT*ID1=1"),
};

const QString EnabledName = QStringLiteral("Enabled");
const QString PuertoName = QStringLiteral("Puerto");

} // namespace

Lineo::Lineo(QObject* parent)
    : Lineo(std::make_unique<QtSerialPort>(), parent)
{}

Lineo::Lineo(std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent)
    , m_port(std::move(port))
{
    Q_ASSERT(m_port);
    connect(m_port.get(), &SerialPort::dataReceived, this, &Lineo::onDataReceived);
    connect(m_port.get(), &SerialPort::errorOccurred, this, &Lineo::onPortError);
}

Lineo::~Lineo()
{
    m_port->disconnect(this);
    m_port->close();
    // A SIP line still unregistering is a child: it waits for its thread as it goes.
}

void Lineo::setEnabled(bool value)
{
    stopSip();
    if (value) {
        const LineSettings settings = LineSettings::load();
        if (m_fuente.value_or(settings.source) == LineSource::Sip) {
            m_port->close();
            m_comandoCID.clear();
            m_enabled = startSip(settings.sip);
        } else {
            m_enabled = BuscaComandoCID(m_puerto);
            // Whatever was half collected before belongs to no call of this session.
            m_parser.reset();
        }
    } else {
        m_port->close();
        m_enabled = false;
    }
    emit propertyChanged(EnabledName);
}

bool Lineo::startSip(const SipAccount& account)
{
    if (const QString problem = account.problem(); !problem.isEmpty()) {
        setEstado(QStringLiteral("Sin registro: ") + problem);
        return false;
    }
    m_sip = new SipLine(account, this);
    connect(m_sip, &SipLine::stateChanged, this, [this] {
        if (m_sip)
            setEstado(m_sip->stateText());
    });
    connect(m_sip, &SipLine::incomingCall, this, [this](const QString& number) {
        m_numero = number;
        const QDateTime now = QDateTime::currentDateTime();
        m_fechaHora = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
        emit Llamada();
    });
    setEstado(m_sip->stateText());
    m_sip->start();
    return true;
}

void Lineo::stopSip()
{
    if (!m_sip)
        return;
    // The unregistration is answered in its own time; the line goes when it is over.
    SipLine* leaving = std::exchange(m_sip, nullptr);
    leaving->disconnect(this);
    connect(leaving, &SipLine::finished, leaving, &QObject::deleteLater);
    leaving->stop();
    setEstado(QString());
}

void Lineo::setEstado(const QString& estado)
{
    if (estado == m_estado)
        return;
    m_estado = estado;
    emit estadoChanged();
}

void Lineo::setPuerto(int value)
{
    if (!PortTable::isValidPort(value))
        return;
    m_puerto = qint16(value);
    emit propertyChanged(PuertoName);
}

bool Lineo::BuscaComandoCID(qint16 puerto)
{
    // The receive handler stays out while the dialogue reads the replies itself.
    m_detecting = true;
    bool accepted = false;
    for (const QLatin1String candidate : CandidateCommands) {
        if (EnviaComando(candidate, puerto)) {
            m_comandoCID = candidate;
            accepted = true;
            break;
        }
    }
    if (!accepted)
        m_comandoCID.clear();
    m_detecting = false;
    return accepted;
}

bool Lineo::EnviaComando(const QString& comando, qint16 puerto)
{
    // Resolved at each opening, so a port pointed elsewhere takes effect at the next detection.
    m_port->setDeviceName(PortTable::load().device(puerto));
    // An already open port (a new detection while listening) carries the exchange as it is; a
    // port that cannot be opened has nothing to wait for.
    if (!m_port->isOpen() && !m_port->open())
        return false;
    m_port->clearInput();
    m_port->write(comando.toLatin1() + '\r');

    QByteArray reply;
    const QDeadlineTimer deadline(m_replyTimeout);
    while (m_port->isOpen()) {
        if (m_port->bytesAvailable() > 0)
            reply += m_port->readAll();
        // "OK" first: a reply holding both words counts as accepted.
        if (reply.contains("OK"))
            return true;
        if (reply.contains("ERROR"))
            break;
        if (deadline.hasExpired())
            break;
        m_port->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    m_port->close();
    return false;
}

void Lineo::onDataReceived()
{
    if (m_detecting || !m_port->isOpen())
        return;
    const std::vector<CallerIdRecord> records = m_parser.feed(m_port->readAll());
    for (const CallerIdRecord& record : records) {
        m_numero = record.number;
        m_fechaHora = record.dateTime;
        emit Llamada();
    }
}

void Lineo::onPortError()
{
    // During a detection the exchange sees the closed port and ends by itself.
    if (m_detecting)
        return;
    m_enabled = false;
    emit propertyChanged(EnabledName);
    emit deviceLost();
}

void Lineo::initNew()
{
    setEnabled(false);
    setPuerto(4);
}

PropertyLoadResult Lineo::readProperties(const PropertyBag& bag)
{
    // Both must be there before either is applied, so a failed load changes nothing.
    const std::optional<QVariant> puerto = bag.read(PuertoName);
    bool isNumber = false;
    const int puertoValue = puerto ? puerto->toInt(&isNumber) : 0;
    if (!isNumber)
        return PropertyLoadResult::missing(PuertoName);
    const std::optional<QVariant> enabled = bag.read(EnabledName);
    if (!enabled || !enabled->canConvert<bool>())
        return PropertyLoadResult::missing(EnabledName);
    setPuerto(puertoValue);
    setEnabled(enabled->toBool());
    return PropertyLoadResult::success();
}

void Lineo::writeProperties(PropertyBag& bag) const
{
    bag.write(PuertoName, int(m_puerto));
    bag.write(EnabledName, m_enabled);
}
