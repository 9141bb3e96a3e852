#include "SipAgent.h"

#include "SipTls.h"

#include <QStringList>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <list>
#include <mutex>
#include <netdb.h>
#include <random>
#include <re.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t RequestedExpiry = 600;   // seconds; the registrar may shorten it
constexpr uint64_t FirstRetryMs = 1000;     // after a failed registration, doubling...
constexpr uint64_t LongestRetryMs = 60000;  // ...up to a minute
constexpr uint64_t StopGraceMs = 2000;      // for the unregistration to be answered
constexpr uint64_t RingLimitMs = 180000;    // a ringing nobody ends is ended by us
constexpr uint64_t ProbeLimitMs = 4000;     // a trial registration waits no longer
constexpr std::size_t MaxRingingCalls = 32; // more at once is a flood, not an office
constexpr std::size_t RememberedCallIds = 64;
constexpr std::size_t LargestRequest = 16384; // a PBX's INVITE takes a few kilobytes
constexpr int QuitCommand = 1;

std::once_flag libreInitialised;

std::string toStd(const struct pl& value)
{
    return value.p ? std::string(value.p, value.l) : std::string();
}

QString toText(const struct pl& value)
{
    return value.p ? QString::fromUtf8(value.p, qsizetype(value.l)) : QString();
}

// The number in a URI: the user part of a SIP URI, the whole subscriber of a "tel:" one.
QString uriNumber(const struct uri& uri)
{
    if (toText(uri.scheme).startsWith(QLatin1String("tel"), Qt::CaseInsensitive))
        return toText(uri.host);
    return toText(uri.user);
}

// The Content-Length is plain digits and gives the body that came, no more and no less.
bool lengthHolds(const struct sip_msg* msg)
{
    if (!pl_isset(&msg->clen) || !msg->mb)
        return false;
    for (std::size_t i = 0; i < msg->clen.l; ++i) {
        if (msg->clen.p[i] < '0' || msg->clen.p[i] > '9')
            return false;
    }
    return msg->clen.l < 9 && pl_u32(&msg->clen) == mbuf_get_left(msg->mb);
}

QString registrationFailure(int err, const struct sip_msg* msg, const SipAccount& account)
{
    if (err || !msg) {
        switch (err) {
        case ETIMEDOUT:
            return QStringLiteral("el servidor no responde");
        case ECONNREFUSED:
            return QStringLiteral("el servidor rechazó la conexión");
        case ECONNRESET:
        case EPIPE:
            return QStringLiteral("el servidor cerró la conexión");
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
            return QStringLiteral("no hay camino hasta el servidor (¿red desconectada?)");
        default:
            return QStringLiteral("error de comunicación con el servidor (código %1)").arg(err);
        }
    }
    const QString answer = QString::number(msg->scode) + QLatin1Char(' ') + toText(msg->reason);
    switch (msg->scode) {
    case 401:
    case 407:
        return QStringLiteral("usuario o contraseña incorrectos");
    case 403:
        return QStringLiteral("el servidor no admite este usuario o esta contraseña (%1)")
            .arg(answer);
    case 404:
        return QStringLiteral("el servidor no conoce al usuario «%1» (%2)")
            .arg(account.user, answer);
    default:
        if (msg->scode >= 500)
            return QStringLiteral("el servidor no está disponible (%1)").arg(answer);
        return QStringLiteral("el servidor respondió %1").arg(answer);
    }
}

} // namespace

// One INVITE left ringing until the caller cancels it.
struct RingingCall
{
    SipAgent::Private* agent = nullptr;
    struct sip_strans* transaction = nullptr;
    struct sip_msg* invite = nullptr;
    struct tmr limit
    {
    };
};

struct SipAgent::Private
{
    SipAccount account;
    Mode mode;
    Handlers handlers;
    std::thread thread;

    std::mutex mutex; // guards queue and stopRequested, which the owner's thread touches
    struct mqueue* queue = nullptr;
    bool stopRequested = false;

    // From here on, the agent's thread only.
    struct sip* stack = nullptr;
    struct tls* tlsContext = nullptr;
    struct sip_lsnr* listener = nullptr;
    struct sipreg* registration = nullptr;
    struct tmr retryTimer
    {
    };
    struct tmr stopTimer
    {
    };
    struct tmr finishTimer
    {
    };
    struct tmr probeTimer
    {
    };
    uint64_t retryWait = FirstRetryMs;
    std::vector<struct sa> allowedSenders;
    struct sa registrar
    {
    };
    struct sa local
    {
    };
    std::string registrarUri;
    std::string addressOfRecord;
    std::string contactUser;
    std::string authUser;
    std::string password;
    std::list<RingingCall*> ringing;
    std::deque<std::string> recentCallIds;
    bool stopping = false;

    Private(SipAccount a, Mode m, Handlers h)
        : account(std::move(a))
        , mode(m)
        , handlers(std::move(h))
        , authUser(account.authenticationUser().toStdString())
        , password(account.password.toStdString())
    {}

    void run();
    bool setUp(QString* why);
    bool resolve(const QString& name, std::vector<struct sa>* addresses, QString* why) const;
    bool pickLocalAddress(QString* why);
    void registerNow();
    void onRegisterAnswer(int err, const struct sip_msg* msg);
    bool onRequest(const struct sip_msg* msg);
    void onInvite(const struct sip_msg* msg);
    void endCall(RingingCall* call, uint16_t code, const char* reason);
    [[nodiscard]] bool isAllowed(const struct sa& source) const;
    [[nodiscard]] SipCallerHeaders callerHeaders(const struct sip_msg* msg) const;
    void beginStop();
    void tearDown();
};

namespace {

int authenticate(char** user, char** password, const char* realm, void* arg)
{
    (void)realm;
    auto* d = static_cast<SipAgent::Private*>(arg);
    const int err = str_dup(user, d->authUser.c_str());
    return err ? err : str_dup(password, d->password.c_str());
}

void registerAnswered(int err, const struct sip_msg* msg, void* arg)
{
    static_cast<SipAgent::Private*>(arg)->onRegisterAnswer(err, msg);
}

void retryRegistration(void* arg)
{
    auto* d = static_cast<SipAgent::Private*>(arg);
    // Dropping a registration that once succeeded unregisters its contact; the next one has
    // a contact of its own, so the order in which the two arrive does not matter.
    d->registration = static_cast<struct sipreg*>(mem_deref(d->registration));
    d->registerNow();
}

bool requestArrived(const struct sip_msg* msg, void* arg)
{
    return static_cast<SipAgent::Private*>(arg)->onRequest(msg);
}

void callCancelled(void* arg)
{
    auto* call = static_cast<RingingCall*>(arg);
    call->agent->endCall(call, 487, "Request Terminated");
}

void ringLimitReached(void* arg)
{
    auto* call = static_cast<RingingCall*>(arg);
    call->agent->endCall(call, 480, "Temporarily Unavailable");
}

void commandArrived(int id, void* data, void* arg)
{
    (void)data;
    if (id == QuitCommand)
        static_cast<SipAgent::Private*>(arg)->beginStop();
}

void finishProbe(void* arg)
{
    static_cast<SipAgent::Private*>(arg)->beginStop();
}

void probeTimedOut(void* arg)
{
    auto* d = static_cast<SipAgent::Private*>(arg);
    const QString refused = SipTls::lastRefusal(d->account.server);
    d->handlers.registration(
        {false, refused.isEmpty() ? QStringLiteral("el servidor no responde") : refused});
    d->beginStop();
}

void stackClosed(void* arg)
{
    (void)arg;
    re_cancel();
}

void stopGraceOver(void* arg)
{
    (void)arg;
    re_cancel();
}

} // namespace

SipAgent::SipAgent(SipAccount account, Mode mode, Handlers handlers)
    : d(std::make_unique<Private>(std::move(account), mode, std::move(handlers)))
{}

SipAgent::~SipAgent()
{
    stop();
    if (d->thread.joinable())
        d->thread.join();
}

void SipAgent::start()
{
    std::call_once(libreInitialised, [] { libre_init(); });
    d->thread = std::thread([this] { d->run(); });
}

void SipAgent::stop()
{
    const std::lock_guard lock(d->mutex);
    if (d->stopRequested)
        return;
    d->stopRequested = true;
    if (d->queue)
        mqueue_push(d->queue, QuitCommand, nullptr);
}

void SipAgent::Private::run()
{
    // libre keeps one loop per thread; this thread gets its own.
    re_thread_init();
    QString why;
    bool running = setUp(&why);
    if (!running) {
        handlers.registration({false, why});
    } else {
        {
            const std::lock_guard lock(mutex);
            running = mqueue_alloc(&queue, commandArrived, this) == 0 && !stopRequested;
        }
        if (running) {
            if (mode == Mode::Probe)
                tmr_start(&probeTimer, ProbeLimitMs, probeTimedOut, this);
            registerNow();
            re_main(nullptr);
        }
    }
    tearDown();
    re_thread_close();
    handlers.finished();
}

bool SipAgent::Private::resolve(const QString& name, std::vector<struct sa>* addresses,
                                QString* why) const
{
    struct addrinfo hints
    {
    };
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    struct addrinfo* found = nullptr;
    const int err = getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found);
    if (err != 0) {
        *why = (err == EAI_NONAME || err == EAI_NODATA)
                   ? QStringLiteral("no se encontró el servidor «%1»").arg(name)
                   : QStringLiteral("no se pudo buscar el servidor «%1» (%2)")
                         .arg(name, QString::fromLocal8Bit(gai_strerror(err)));
        return false;
    }
    for (const struct addrinfo* each = found; each; each = each->ai_next) {
        struct sa address
        {
        };
        if (sa_set_sa(&address, each->ai_addr) == 0)
            addresses->push_back(address);
    }
    freeaddrinfo(found);
    if (addresses->empty()) {
        *why = QStringLiteral("no se encontró el servidor «%1»").arg(name);
        return false;
    }
    return true;
}

bool SipAgent::Private::pickLocalAddress(QString* why)
{
    // The address this machine reaches the registrar from is the one the contact must give.
    const int probe = socket(sa_af(&registrar), SOCK_DGRAM, 0);
    bool found = probe >= 0 && connect(probe, &registrar.u.sa, registrar.len) == 0;
    struct sockaddr_storage own
    {
    };
    socklen_t ownLength = sizeof own;
    found = found && getsockname(probe, reinterpret_cast<struct sockaddr*>(&own), &ownLength) == 0;
    if (probe >= 0)
        close(probe);
    if (!found || sa_set_sa(&local, reinterpret_cast<struct sockaddr*>(&own)) != 0) {
        *why = QStringLiteral("no hay camino hasta el servidor (¿red desconectada?)");
        return false;
    }
    sa_set_port(&local, uint16_t(account.localPort));
    return true;
}

bool SipAgent::Private::setUp(QString* why)
{
    std::vector<struct sa> registrarAddresses;
    if (!resolve(account.server, &registrarAddresses, why))
        return false;
    registrar = registrarAddresses.front();
    sa_set_port(&registrar, uint16_t(account.port));
    allowedSenders = registrarAddresses;
    for (const QString& sender : account.extraSenders) {
        QString ignored;
        resolve(sender, &allowedSenders, &ignored);
    }
    if (!pickLocalAddress(why))
        return false;

    if (sip_alloc(&stack, nullptr, 32, 32, 32, "Llamora", stackClosed, this) != 0) {
        *why = QStringLiteral("no se pudo preparar la comunicación SIP");
        return false;
    }
    int err = 0;
    switch (account.transport) {
    case SipTransport::Udp:
        err = sip_transp_add(stack, SIP_TRANSP_UDP, &local);
        break;
    case SipTransport::Tcp:
        err = sip_transp_add(stack, SIP_TRANSP_TCP, &local);
        break;
    case SipTransport::Tls:
        err = tls_alloc(&tlsContext, TLS_METHOD_SSLV23, nullptr, nullptr);
        if (!err)
            err = SipTls::requireTrustedServer(tlsContext, account.server);
        if (!err)
            err = sip_transp_add(stack, SIP_TRANSP_TLS, &local, tlsContext);
        break;
    }
    if (err) {
        *why = err == EADDRINUSE
                   ? QStringLiteral("el puerto local %1 ya está en uso").arg(account.localPort)
                   : QStringLiteral("no se pudo abrir el puerto local (código %1)").arg(err);
        return false;
    }
    if (sip_listen(&listener, stack, true, requestArrived, this) != 0) {
        *why = QStringLiteral("no se pudo preparar la comunicación SIP");
        return false;
    }

    char host[64] = {};
    sa_ntop(&registrar, host, sizeof host);
    const bool ipv6 = sa_af(&registrar) == AF_INET6;
    registrarUri = std::string("sip:") + (ipv6 ? "[" : "") + host + (ipv6 ? "]" : "") + ":" +
                   std::to_string(account.port);
    if (account.transport != SipTransport::Udp)
        registrarUri += ";transport=" + SipAccount::transportName(account.transport).toStdString();
    addressOfRecord = "sip:" + account.user.toStdString() + "@" + account.server.toStdString();
    return true;
}

void SipAgent::Private::registerNow()
{
    SipTls::forgetRefusal();
    // A contact of its own for each registration (see retryRegistration).
    contactUser = account.user.toStdString() + "-" + std::to_string(rand_u32() % 1000000);
    const int err = sipreg_register(
        &registration, stack, registrarUri.c_str(), addressOfRecord.c_str(), nullptr,
        addressOfRecord.c_str(), RequestedExpiry, contactUser.c_str(), nullptr, 0, 0, authenticate,
        this, false, registerAnswered, this, nullptr, nullptr);
    if (err)
        onRegisterAnswer(err, nullptr);
}

void SipAgent::Private::onRegisterAnswer(int err, const struct sip_msg* msg)
{
    if (stopping)
        return;
    SipRegistrationResult result;
    result.registered = !err && msg && msg->scode >= 200 && msg->scode < 300;
    if (!result.registered) {
        result.why = SipTls::lastRefusal(account.server);
        if (result.why.isEmpty())
            result.why = registrationFailure(err, msg, account);
    }
    SipTls::forgetRefusal();
    handlers.registration(result);

    if (mode == Mode::Probe) {
        tmr_cancel(&probeTimer);
        // Not from inside the registration's own handler: it is still in use.
        tmr_start(&finishTimer, 0, finishProbe, this);
        return;
    }
    if (result.registered) {
        retryWait = FirstRetryMs;
        tmr_cancel(&retryTimer);
        return;
    }
    tmr_start(&retryTimer, retryWait, retryRegistration, this);
    retryWait = std::min(retryWait * 2, LongestRetryMs);
}

bool SipAgent::Private::isAllowed(const struct sa& source) const
{
    return std::any_of(
        allowedSenders.begin(), allowedSenders.end(),
        [&source](const struct sa& allowed) { return sa_cmp(&allowed, &source, SA_ADDR); });
}

bool SipAgent::Private::onRequest(const struct sip_msg* msg)
{
    // An ACK is never answered; the ones that end our 487s are taken by the library.
    if (!pl_strcmp(&msg->met, "ACK"))
        return true;
    // Nobody but the office's PBX may ring this line, and the others learn nothing from it.
    if (!isAllowed(msg->src)) {
        sip_reply(stack, msg, 403, "Forbidden");
        return true;
    }
    if (stopping) {
        sip_reply(stack, msg, 503, "Service Unavailable");
    } else if (msg->mb && msg->mb->end > LargestRequest) {
        sip_reply(stack, msg, 513, "Message Too Large");
    } else if (!lengthHolds(msg)) {
        sip_reply(stack, msg, 400, "Bad Request");
    } else if (!pl_strcmp(&msg->met, "INVITE")) {
        onInvite(msg);
    } else if (!pl_strcmp(&msg->met, "OPTIONS")) {
        sip_reply(stack, msg, 200, "OK");
    } else if (!pl_strcmp(&msg->met, "CANCEL") || !pl_strcmp(&msg->met, "BYE")) {
        sip_reply(stack, msg, 481, "Call/Transaction Does Not Exist");
    } else {
        sip_replyf(stack, msg, 405, "Method Not Allowed",
                   "Allow: INVITE, ACK, CANCEL, OPTIONS\r\nContent-Length: 0\r\n\r\n");
    }
    return true;
}

void SipAgent::Private::onInvite(const struct sip_msg* msg)
{
    // A re-INVITE belongs to a dialog this agent never accepts.
    if (pl_isset(&msg->to.tag)) {
        sip_reply(stack, msg, 481, "Call/Transaction Does Not Exist");
        return;
    }
    // The same call reaching this workstation twice (two contacts, a ring group listing it
    // twice) is one call.
    const std::string callId = toStd(msg->callid);
    if (std::find(recentCallIds.begin(), recentCallIds.end(), callId) != recentCallIds.end()) {
        sip_reply(stack, msg, 482, "Loop Detected");
        return;
    }
    if (ringing.size() >= MaxRingingCalls) {
        sip_reply(stack, msg, 486, "Busy Here");
        return;
    }
    recentCallIds.push_back(callId);
    if (recentCallIds.size() > RememberedCallIds)
        recentCallIds.pop_front();

    auto* call = new RingingCall;
    call->agent = this;
    if (sip_strans_alloc(&call->transaction, stack, msg, callCancelled, call) != 0) {
        delete call;
        sip_reply(stack, msg, 500, "Server Internal Error");
        return;
    }
    call->invite = static_cast<struct sip_msg*>(mem_ref(const_cast<struct sip_msg*>(msg)));
    // Ringing only: no 200, no media, ever.
    sip_treply(&call->transaction, stack, msg, 180, "Ringing");
    tmr_start(&call->limit, RingLimitMs, ringLimitReached, call);
    ringing.push_back(call);
    handlers.call(callerHeaders(msg));
}

void SipAgent::Private::endCall(RingingCall* call, uint16_t code, const char* reason)
{
    if (call->transaction)
        sip_treply(&call->transaction, stack, call->invite, code, reason);
    tmr_cancel(&call->limit);
    mem_deref(call->invite);
    ringing.remove(call);
    delete call;
}

SipCallerHeaders SipAgent::Private::callerHeaders(const struct sip_msg* msg) const
{
    SipCallerHeaders headers;
    struct sip_addr address
    {
    };
    if (const struct sip_hdr* asserted = sip_msg_hdr(msg, SIP_HDR_P_ASSERTED_IDENTITY)) {
        if (sip_addr_decode(&address, &asserted->val) == 0)
            headers.assertedIdentity = uriNumber(address.uri);
    }
    if (const struct sip_hdr* party = sip_msg_xhdr(msg, "Remote-Party-ID")) {
        if (sip_addr_decode(&address, &party->val) == 0) {
            headers.remotePartyId = uriNumber(address.uri);
            struct pl privacy
            {
            };
            headers.remotePartyPrivate =
                msg_param_decode(&address.params, "privacy", &privacy) == 0 &&
                pl_strcasecmp(&privacy, "off") != 0;
        }
    }
    headers.from = uriNumber(msg->from.uri);
    if (const struct sip_hdr* privacy = sip_msg_hdr(msg, SIP_HDR_PRIVACY)) {
        const QStringList values = toText(privacy->val).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& value : values)
            headers.privacyId |=
                value.trimmed().compare(QLatin1String("id"), Qt::CaseInsensitive) == 0;
    }
    return headers;
}

void SipAgent::Private::beginStop()
{
    if (stopping)
        return;
    stopping = true;
    tmr_cancel(&retryTimer);
    while (!ringing.empty())
        endCall(ringing.front(), 480, "Temporarily Unavailable");
    // Dropping the registration sends the unregistration; the stack then closes once it is
    // answered, or the grace period ends the wait.
    registration = static_cast<struct sipreg*>(mem_deref(registration));
    sip_close(stack, false);
    tmr_start(&stopTimer, StopGraceMs, stopGraceOver, this);
}

void SipAgent::Private::tearDown()
{
    tmr_cancel(&retryTimer);
    tmr_cancel(&stopTimer);
    tmr_cancel(&finishTimer);
    tmr_cancel(&probeTimer);
    while (!ringing.empty()) {
        RingingCall* call = ringing.front();
        call->transaction = nullptr;
        endCall(call, 0, nullptr);
    }
    registration = static_cast<struct sipreg*>(mem_deref(registration));
    listener = static_cast<struct sip_lsnr*>(mem_deref(listener));
    if (stack)
        sip_close(stack, true);
    stack = static_cast<struct sip*>(mem_deref(stack));
    tlsContext = static_cast<struct tls*>(mem_deref(tlsContext));
    const std::lock_guard lock(mutex);
    queue = static_cast<struct mqueue*>(mem_deref(queue));
}
