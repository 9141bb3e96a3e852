#pragma once

#include "lineo_export.h"

#include <QString>

#include <optional>

// The caller's identity as an INVITE carries it: the user part of each identity header's URI
// (the number of a "tel:" URI), already taken apart by the SIP library.
struct SipCallerHeaders
{
    std::optional<QString> assertedIdentity; // P-Asserted-Identity
    std::optional<QString> remotePartyId;    // Remote-Party-ID
    bool remotePartyPrivate = false;         // Remote-Party-ID;privacy=full
    QString from;                            // From
    bool privacyId = false;                  // Privacy: id
};

// The number to show for the caller, as the modem's record gives it: digits only, a leading "+"
// replaced by the international prefix, and "0" for a withheld caller (anonymous, no user, no
// digit at all, or privacy asked for). The first identity header present decides: the one the
// office's PBX asserts, then Remote-Party-ID, then From.
LINEO_EXPORT QString sipCallerNumber(const SipCallerHeaders& headers,
                                     const QString& internationalPrefix);
