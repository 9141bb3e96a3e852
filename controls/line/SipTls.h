#pragma once

#include <QString>

struct tls;

// The SIP line's TLS client checks the server it talks to: the certificate must come from an
// authority this machine trusts (the system's store, /etc/ssl/certs, where an office adds the
// authority of its own PBX) and be made out to the server's name or address as configured.
// Without this check TLS would hide the password's digest from nobody who can redirect traffic.
namespace SipTls {

// 0, or an errno when the context could not be set up.
int requireTrustedServer(struct tls* context, const QString& serverName);

// Why this thread's last certificate was refused, in Spanish; empty when none was since
// forgetRefusal().
[[nodiscard]] QString lastRefusal(const QString& serverName);
void forgetRefusal();

} // namespace SipTls
