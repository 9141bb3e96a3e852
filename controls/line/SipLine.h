#pragma once

#include "LineSettings.h"
#include "lineo_export.h"

#include <QObject>
#include <QString>

#include <memory>

class SipAgent;
struct SipCallerHeaders;
struct SipRegistrationResult;

// A SIP account as a caller-ID line, on the owner's thread: the agent works on a thread of its
// own and its news arrive here through the owner's event loop.
class LINEO_EXPORT SipLine : public QObject
{
    Q_OBJECT

public:
    explicit SipLine(SipAccount account, QObject* parent = nullptr);
    // Unregisters and waits for the agent's thread (two seconds at most once it is asked).
    ~SipLine() override;

    // Registers and stays registered, trying again after a loss, until stop().
    void start();
    // Registers once, reports in probeFinished and unregisters.
    void probe();
    // Unregisters; finished() follows.
    void stop();

    [[nodiscard]] bool isRegistered() const { return m_registered; }
    // "Registrado", or "Sin registro: " and why.
    [[nodiscard]] QString stateText() const { return m_stateText; }

signals:
    // The registration succeeded, failed or was lost; stateText() says which.
    void stateChanged();
    // An INVITE from the registrar: the caller's number as the modem gives it ("0" withheld).
    void incomingCall(const QString& number);
    // The single registration of probe() is over: true with "Registrado", false with why.
    void probeFinished(bool registered, const QString& text);
    // The agent has stopped.
    void finished();

private:
    void begin(bool probing);
    void onRegistration(bool registered, const QString& why);

    SipAccount m_account;
    std::unique_ptr<SipAgent> m_agent;
    bool m_probing = false;
    bool m_registered = false;
    QString m_stateText;
};
