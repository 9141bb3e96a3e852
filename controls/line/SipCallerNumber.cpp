#include "SipCallerNumber.h"

namespace {
const QString Withheld = QStringLiteral("0");
}

QString sipCallerNumber(const SipCallerHeaders& headers, const QString& internationalPrefix)
{
    if (headers.privacyId)
        return Withheld;
    QString user = headers.from;
    if (headers.assertedIdentity) {
        user = *headers.assertedIdentity;
    } else if (headers.remotePartyId) {
        if (headers.remotePartyPrivate)
            return Withheld;
        user = *headers.remotePartyId;
    }
    // A user part may carry parameters of its own ("+34911;isub=1").
    user = user.section(QLatin1Char(';'), 0, 0).trimmed();
    if (user.compare(QLatin1String("anonymous"), Qt::CaseInsensitive) == 0)
        return Withheld;

    QString digits;
    for (const QChar c : user) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    if (digits.isEmpty())
        return Withheld;
    if (user.startsWith(QLatin1Char('+')))
        digits.prepend(internationalPrefix);
    return digits;
}
