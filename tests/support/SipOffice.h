#pragma once

#include "LineSettings.h"
#include "SipPeer.h"

// A workstation whose stored line is a SIP account with the registrar `pbx` starts on the
// loopback address, both on free ports. Header-only, for the executables that link the line.
inline bool startSipOffice(SipPeer& pbx, const QString& user, const QString& password,
                           LineSettings* line)
{
    line->source = LineSource::Sip;
    line->sip.server = QStringLiteral("127.0.0.1");
    line->sip.port = pbx.startRegistrarOnFreePort(user, password);
    line->sip.localPort = SipPeer::freePort(line->sip.port);
    line->sip.user = user;
    line->sip.password = password;
    QString problem;
    return line->sip.port != 0 && line->sip.localPort != 0 && line->save(&problem);
}
