#include "SipTls.h"

#include <QByteArray>

#include <cerrno>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <re.h>

// libre hands out its OpenSSL context only to builds that say they use OpenSSL, which Debian's
// libre does.
extern "C" struct ssl_ctx_st* tls_openssl_context(const struct tls* tls);

namespace {

// The handshake runs on the agent's own thread, one agent to a thread.
thread_local int refusal = X509_V_OK;

int checkCertificate(int trusted, X509_STORE_CTX* store)
{
    if (!trusted && refusal == X509_V_OK)
        refusal = X509_STORE_CTX_get_error(store);
    return trusted;
}

} // namespace

namespace SipTls {

int requireTrustedServer(struct tls* context, const QString& serverName)
{
    SSL_CTX* openssl = tls_openssl_context(context);
    if (!openssl || SSL_CTX_set_default_verify_paths(openssl) != 1)
        return EINVAL;
    X509_VERIFY_PARAM* check = SSL_CTX_get0_param(openssl);
    const QByteArray name = serverName.toUtf8();
    // An address is looked for among the certificate's addresses, a name among its names.
    const bool named = X509_VERIFY_PARAM_set1_ip_asc(check, name.constData()) == 1 ||
                       X509_VERIFY_PARAM_set1_host(check, name.constData(), name.size()) == 1;
    if (!named)
        return EINVAL;
    SSL_CTX_set_verify(openssl, SSL_VERIFY_PEER, checkCertificate);
    return 0;
}

QString lastRefusal(const QString& serverName)
{
    switch (refusal) {
    case X509_V_OK:
        return {};
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("el certificado del servidor es de otro servidor, no de «%1»")
            .arg(serverName);
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("el certificado del servidor ha caducado");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("el certificado del servidor aún no es válido (¿está bien la fecha "
                              "de este equipo?)");
    default:
        return QStringLiteral("el certificado del servidor no es de una autoridad de confianza "
                              "de este equipo (%1)")
            .arg(QString::fromUtf8(X509_verify_cert_error_string(refusal)));
    }
}

void forgetRefusal()
{
    refusal = X509_V_OK;
}

} // namespace SipTls
