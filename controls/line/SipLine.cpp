#include "SipLine.h"

#include "SipAgent.h"
#include "SipCallerNumber.h"

#include <QMetaObject>
#include <QPointer>

SipLine::SipLine(SipAccount account, QObject* parent)
    : QObject(parent)
    , m_account(std::move(account))
    , m_stateText(QStringLiteral("Sin registro: esperando la respuesta del servidor"))
{}

SipLine::~SipLine() = default;

void SipLine::start()
{
    begin(false);
}

void SipLine::probe()
{
    begin(true);
}

void SipLine::begin(bool probing)
{
    m_probing = probing;
    const QString prefix = m_account.internationalPrefix;
    // The handlers run on the agent's thread: each hands its news to this object's thread,
    // where they are dropped if this object is gone by then.
    SipAgent::Handlers handlers;
    handlers.registration = [this](const SipRegistrationResult& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { onRegistration(result.registered, result.why); },
            Qt::QueuedConnection);
    };
    handlers.call = [this, prefix](const SipCallerHeaders& headers) {
        const QString number = sipCallerNumber(headers, prefix);
        QMetaObject::invokeMethod(
            this, [this, number] { emit incomingCall(number); }, Qt::QueuedConnection);
    };
    handlers.finished = [this] {
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    };
    m_agent = std::make_unique<SipAgent>(
        m_account, probing ? SipAgent::Mode::Probe : SipAgent::Mode::Stay, std::move(handlers));
    m_agent->start();
}

void SipLine::stop()
{
    if (m_agent)
        m_agent->stop();
    else
        emit finished();
}

void SipLine::onRegistration(bool registered, const QString& why)
{
    m_registered = registered;
    m_stateText = registered ? QStringLiteral("Registrado")
                             : QStringLiteral("Sin registro: ") + why +
                                   (m_probing ? QString() : QStringLiteral("; se reintenta solo"));
    emit stateChanged();
    if (m_probing)
        emit probeFinished(registered, registered ? m_stateText : why);
}
