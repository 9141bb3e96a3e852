#pragma once

#include "LineSettings.h"
#include "SipCallerNumber.h"

#include <QString>

#include <functional>
#include <memory>

// What a registration attempt came to.
struct SipRegistrationResult
{
    bool registered = false;
    QString why; // empty when registered; otherwise the reason, in the user's words
};

// A SIP user agent on a thread of its own, over the libre library's loop: it registers the
// account (digest authentication, refresh before expiry, a new attempt after a failure with a
// growing wait), answers every INVITE from the registrar with 180 Ringing and never more, ends
// the transaction with 487 when the caller cancels, and refuses requests from any other address
// with 403. Its handlers run on its own thread; the owner passes them on.
class SipAgent
{
public:
    struct Handlers
    {
        // After each answer to a REGISTER, and when an attempt could not even start.
        std::function<void(const SipRegistrationResult&)> registration;
        // An INVITE from the registrar: the caller's identity.
        std::function<void(const SipCallerHeaders&)> call;
        // The agent has stopped (after stop(), or after the single attempt of a probe).
        std::function<void()> finished;
    };

    enum class Mode
    {
        Stay,  // stay registered until stop()
        Probe, // register once, report, unregister and finish
    };

    SipAgent(SipAccount account, Mode mode, Handlers handlers);
    // Stops and waits for the thread (a few seconds at most for the unregistration).
    ~SipAgent();
    SipAgent(const SipAgent&) = delete;
    SipAgent& operator=(const SipAgent&) = delete;

    void start();
    // Unregisters and ends the thread; returns at once.
    void stop();

    struct Private;

private:
    std::unique_ptr<Private> d;
};
