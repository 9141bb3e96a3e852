#pragma once

#include "lineo_export.h"

#include <QString>
#include <QStringList>

// Where the caller ID comes from.
enum class LineSource
{
    Modem, // a caller-ID modem on a serial port (the port table says which device)
    Sip,   // a SIP account registered as one more device of an office user
};

enum class SipTransport
{
    Udp,
    Tcp,
    Tls,
};

// One SIP account of this workstation.
struct LINEO_EXPORT SipAccount
{
    static constexpr int DefaultPort = 5060;

    QString server;         // registrar: a name or an address
    int port = DefaultPort; // the registrar's port
    SipTransport transport = SipTransport::Udp;
    QString user;     // the user this workstation becomes a device of
    QString authUser; // the name for digest authentication; empty: the user
    QString password;
    QString internationalPrefix = QStringLiteral("00"); // replaces a leading "+"
    int localPort = 0;                                  // 0: any free port
    QStringList extraSenders; // addresses besides the registrar's that may ring this line

    [[nodiscard]] QString authenticationUser() const
    {
        return authUser.isEmpty() ? user : authUser;
    }
    // Empty when usable; otherwise what is wrong, in the user's words.
    [[nodiscard]] QString problem() const;

    [[nodiscard]] static QString transportName(SipTransport transport);
    // "udp", "tcp", "tls" (any case); false for anything else.
    static bool parseTransport(const QString& text, SipTransport* transport);
};

// The line's settings of this user, beside the port table:
//
//     $XDG_CONFIG_HOME/Llamora/linea.ini       [Linea] Fuente=Modem|SIP and the [SIP] account
//     $XDG_CONFIG_HOME/Llamora/sip-clave       the SIP password alone, mode 0600
//
// The password never goes into the INI file, which other tools show and copy. The line control
// reads both each time identification is switched on, so the choice made in the wizard or by
// llamora-config takes effect at the next switch-on.
class LINEO_EXPORT LineSettings
{
public:
    LineSource source = LineSource::Modem;
    SipAccount sip;

    // Missing files give the modem and an empty account.
    [[nodiscard]] static LineSettings load();
    // Writes both files (the password file created 0600); false with *problem set on failure.
    bool save(QString* problem) const;

    [[nodiscard]] static QString filePath();
    [[nodiscard]] static QString passwordFilePath();
};
