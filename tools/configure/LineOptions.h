#pragma once

#include "LineSettings.h"

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

// llamora-config's options for the caller-ID line: the source and the SIP account.
class LineOptions
{
public:
    LineOptions();
    void addTo(QCommandLineParser& parser) const;
    [[nodiscard]] bool anySet(const QCommandLineParser& parser) const;
    // The stored line settings with the options applied, checked as the wizard checks them.
    // False with *problem set when a value is refused.
    bool apply(const QCommandLineParser& parser, LineSettings* settings, QString* problem) const;

private:
    QCommandLineOption m_source;
    QCommandLineOption m_server;
    QCommandLineOption m_port;
    QCommandLineOption m_transport;
    QCommandLineOption m_user;
    QCommandLineOption m_authUser;
    QCommandLineOption m_passwordFrom;
    QCommandLineOption m_prefix;
    QCommandLineOption m_localPort;
    QCommandLineOption m_senders;
};
