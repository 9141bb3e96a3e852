#pragma once

#include "outbox/OutboxDelivery.h"
#include "outbox/OutboxFile.h"
#include "outbox/PendingCall.h"

#include <QList>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

// The calls this workstation could not log, and their way into the database later.
//
// add() keeps a call in the outbox file, synced before it returns. Delivery runs on a thread of
// its own, so a database that keeps the workstation waiting never holds up a call or the window:
// - at once when deliver() is called (after a call that logged, when identification is switched
//   on);
// - on a timer while calls wait: first after a few seconds, then less and less often, at most a
//   minute apart. There is no timer while the outbox is empty.
// Where even the outbox cannot be written (the data folder is not writable), the calls are kept
// in memory, counted as waiting all the same, and written to the file at the next chance.
class Outbox final : public QObject
{
    Q_OBJECT

public:
    static constexpr int firstRetryMs = 5000;
    static constexpr int longestRetryMs = 60000;

    // databasePath is asked at each delivery.
    Outbox(const QString& filePath, std::function<QString()> databasePath,
           QObject* parent = nullptr);
    ~Outbox() override;
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Keeps a call the database did not take; true when it is safe on the disk.
    bool add(const PendingCall& call);

    // Calls waiting, in the file and in memory.
    [[nodiscard]] int count() const { return m_count; }
    // Of those, the calls that could not be written to the disk.
    [[nodiscard]] int unsavedCount() const { return static_cast<int>(m_unsaved.size()); }
    [[nodiscard]] QString filePath() const { return m_file.filePath(); }
    [[nodiscard]] bool isDelivering() const { return m_running; }
    // The engine error of the last delivery that failed, 0 after one that went through.
    [[nodiscard]] int lastError() const { return m_lastError; }
    // The delay before the next attempt; -1 when none is planned.
    [[nodiscard]] int nextAttemptMs() const { return m_retry.isActive() ? m_retry.interval() : -1; }

    void setLimits(const DeliveryLimits& limits) { m_limits = limits; }
    void setRetryDelays(int firstMs, int longestMs);

public slots:
    // Delivers now (or right after the delivery under way).
    void deliver();

signals:
    void countChanged(int count);
    // A damaged part of the file, or a call the database will never take, went to this file.
    void setAside(const QString& path);
    // A delivery ended; lastError() says how.
    void deliveryFinished();

private:
    void startRun();
    void launchRun();
    void runFinished(const DeliveryReport& report);
    void planRetry();
    void refreshCount();
    void saveUnsaved();

    OutboxFile m_file;
    std::function<QString()> m_databasePath;
    DeliveryLimits m_limits;
    QList<PendingCall> m_unsaved;
    int m_count = 0;
    int m_lastError = 0;
    bool m_running = false;
    bool m_again = false;
    int m_firstRetryMs = firstRetryMs;
    int m_longestRetryMs = longestRetryMs;
    int m_retryMs = firstRetryMs;
    QTimer m_retry;
    std::atomic_bool m_stop{false};
    QThread m_thread;
    QObject* m_worker = nullptr; // lives in m_thread; runs the deliveries there
};
