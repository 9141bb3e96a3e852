#pragma once

#include "outbox/PendingCall.h"

#include <QList>
#include <QString>

#include <atomic>

class OutboxFile;

// How a delivery shares the database with the other workstations.
struct DeliveryLimits
{
    // Each transaction ends after this long or this many calls, so the file's write lock is
    // never held long enough for another workstation's call to fail.
    int batchMs = 50;
    int batchCalls = 200;
    int busyTimeoutMs = 2000;
    // Checked between transactions: the program is ending, the rest waits for the next run.
    const std::atomic_bool* stop = nullptr;
};

struct DeliveryReport
{
    int delivered = 0;        // calls taken off the outbox because they are in the database now
    int alreadyLogged = 0;    // of those, calls found logged already (an earlier, interrupted run)
    int unsavedDelivered = 0; // how many of the calls kept only in memory were delivered
    int refused = 0;          // calls the database will never take (a value it refuses), set aside
    int error = 0;            // the engine error that stopped the delivery, 0 when none
    bool outboxError = false; // the outbox file could not be read or rewritten
    QString asidePath;        // where a damaged part or a refused call went, if any
};

// Logs the waiting calls in arrival order, each exactly as a live call would have been: the
// client found by its number (the first one) or created with the call's day, the call with its
// own Fecha and Puesto, the client's count one up. A call is taken off the outbox only after its
// transaction has committed; a call whose number already has a call row with the same Fecha and
// Puesto counts as delivered, so a run cut short anywhere (kill, power cut) never logs a call
// twice. The calls in `unsaved` (which could not be written to the outbox) go after the file's.
//
// Blocking: runs on a thread of its own in the program.
DeliveryReport deliverOutbox(OutboxFile& outbox, const QString& databasePath,
                             const QList<PendingCall>& unsaved = {},
                             const DeliveryLimits& limits = {});
