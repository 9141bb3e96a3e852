#pragma once

#include <QObject>

// The SIP line against SIPp on the loopback address: registration with digest authentication,
// the TLS server's certificate checked, calls rung and cancelled, callers that may not ring, a
// registrar that goes away and comes back, and messages meant to hurt.
class SipLineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void callerNumber_data();
    void callerNumber();
    void registersAndUnregisters();
    void probe_data();
    void probe();
    void tlsServerIsChecked_data();
    void tlsServerIsChecked();
    void callsFromTheRegistrar();
    void strangersAreRefused();
    void registrarComesBack();
    void hostileMessages_data();
    void hostileMessages();
};
