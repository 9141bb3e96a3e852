#pragma once

#include "database/ServerAddress.h"

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

// llamora-config's options for an office's database server, which takes the place of the shared
// folder: the address, the password read from a file, and the way back to the folder.
class ServerOptions
{
public:
    ServerOptions();
    void addTo(QCommandLineParser& parser) const;
    // Whether the options name a server.
    [[nodiscard]] bool anySet(const QCommandLineParser& parser) const;
    [[nodiscard]] bool clearRequested(const QCommandLineParser& parser) const;

    // The stored address with the options applied, and the password when one was given. False
    // with *problem set when a value is refused or the password cannot be read.
    bool apply(const QCommandLineParser& parser, ServerAddress* address, QString* password,
               QString* problem) const;

private:
    QCommandLineOption m_host;
    QCommandLineOption m_port;
    QCommandLineOption m_database;
    QCommandLineOption m_user;
    QCommandLineOption m_sslMode;
    QCommandLineOption m_passwordFrom;
    QCommandLineOption m_clear;
};
