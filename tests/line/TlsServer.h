#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// OpenSSL's own test server on 127.0.0.1, with a certificate issued by an authority made up for
// the occasion. It completes the handshake with a client that accepts the certificate and keeps
// what that client sent; it answers nothing.
class TlsServer
{
public:
    enum class MadeOutTo
    {
        ThisAddress, // 127.0.0.1
        AnotherName, // otro.example
    };

    ~TlsServer();
    // True once it listens on a free port of its own choosing.
    bool start(MadeOutTo madeOutTo);
    [[nodiscard]] int port() const { return m_port; }
    // The made-up authority's certificate, for a client that is to trust it.
    [[nodiscard]] QString authorityFile() const;
    // What clients sent after their handshake.
    [[nodiscard]] QString received();

private:
    bool openssl(const QStringList& arguments);
    bool makeCertificates(MadeOutTo madeOutTo);
    bool listen(int port);

    QTemporaryDir m_folder;
    QProcess m_server;
    QString m_received;
    int m_port = 0;
};
