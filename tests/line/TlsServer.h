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
    // True once it listens on port.
    bool start(int port, MadeOutTo madeOutTo);
    // The made-up authority's certificate, for a client that is to trust it.
    [[nodiscard]] QString authorityFile() const;
    // What clients sent after their handshake.
    [[nodiscard]] QString received();

private:
    bool openssl(const QStringList& arguments);

    QTemporaryDir m_folder;
    QProcess m_server;
    QString m_received;
};
