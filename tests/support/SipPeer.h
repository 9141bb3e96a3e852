#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// SIPp (Debian's sip-tester) as the office's PBX on the loopback address: a registrar that
// challenges with digest authentication and checks the answer, and callers that ring a
// workstation and hang up. Scenarios are written into a folder of its own.
class SipPeer
{
public:
    SipPeer();
    ~SipPeer();
    SipPeer(const SipPeer&) = delete;
    SipPeer& operator=(const SipPeer&) = delete;

    // A port free for both UDP and TCP on 127.0.0.1 at the time of asking, other than besides.
    [[nodiscard]] static int freePort(int besides = 0);
    [[nodiscard]] static bool isAvailable();

    // Registrar on 127.0.0.1:port ("u1" UDP or "t1" TCP) for user/password; its 200 OK grants
    // `expires` seconds. True once it listens.
    bool startRegistrar(int port, const QString& user, const QString& password, int expires = 600,
                        const QString& transport = QStringLiteral("u1"));
    // The same on a free port, trying another when the one found is taken before the registrar
    // binds it. The port, or 0.
    int startRegistrarOnFreePort(const QString& user, const QString& password, int expires = 600,
                                 const QString& transport = QStringLiteral("u1"));
    // Ends it at once, as a server that crashed.
    void killRegistrar();
    // Everything the registrar sent and received so far.
    [[nodiscard]] QString registrarMessages() const;

    enum class Expect
    {
        Ringing,   // 180, then the caller cancels: 200 for the CANCEL and 487 for the INVITE
        Forbidden, // 403
    };
    // `calls` INVITEs (at `rate` per second) from source to 127.0.0.1:port, with the given
    // From URI and extra header lines; true when SIPp saw every answer it expected.
    bool call(int port, const QString& fromUri, const QString& extraHeaders, Expect expect,
              const QString& source = QStringLiteral("127.0.0.1"), int calls = 1, int rate = 10);
    // SIPp's own report of the last failed call(), for a failure message.
    [[nodiscard]] QString lastCallOutput() const { return m_lastCallOutput; }

private:
    QString writeScenario(const QString& name, const QString& text) const;

    QTemporaryDir m_folder;
    std::unique_ptr<QProcess> m_registrar;
    QString m_registrarLog;
    QString m_lastCallOutput;
    int m_registrarRuns = 0;
};
