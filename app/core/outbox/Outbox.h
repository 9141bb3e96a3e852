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
// Where even the outbox cannot be written (disk full, data folder not writable), the calls are
// kept in memory, counted as waiting all the same, and written to the file as soon as it takes
// them: at each new call, and every second while any wait in memory. An outbox that cannot be
// read or locked is counted without the lock where it can be read at all, and looked at again
// every second until it can; nothing in it is touched meanwhile.
class Outbox final : public QObject
{
    Q_OBJECT

public:
    static constexpr int firstRetryMs = 5000;
    static constexpr int longestRetryMs = 60000;
    // How often calls kept in memory are offered to the outbox again, and an outbox that could
    // not be read is looked at again.
    static constexpr int saveRetryMs = 1000;

    // databasePath is asked at each delivery.
    Outbox(const QString& filePath, std::function<QString()> databasePath,
           QObject* parent = nullptr);
    ~Outbox() override;
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Keeps a call the database did not take; true when it is safe on the disk.
    bool add(const PendingCall& call);

    // Calls waiting, in the file and in memory (those of a file that cannot be read are not
    // counted: see isUnreadable()).
    [[nodiscard]] int count() const { return m_count; }
    // Of those, the calls that could not be written to the disk.
    [[nodiscard]] int unsavedCount() const { return static_cast<int>(m_unsaved.size()); }
    // Why the calls in memory could not be written; empty when none wait there.
    [[nodiscard]] QString saveProblem() const { return m_saveProblem; }
    // Why the outbox file cannot be read or locked (its calls then wait undelivered); empty
    // when it can.
    [[nodiscard]] QString readProblem() const { return m_readProblem; }
    // The outbox file exists but cannot be read at all, so its calls cannot even be counted.
    [[nodiscard]] bool isUnreadable() const { return m_unreadable; }
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
    // The count, the calls kept in memory or a problem with the file changed.
    void stateChanged();
    // A damaged part of the file, or a call the database will never take, went to this file.
    void setAside(const QString& path);
    // A delivery ended; lastError() says how.
    void deliveryFinished();

private:
    void startRun();
    void launchRun();
    void runFinished(const DeliveryReport& report, const QList<PendingCall>& unsavedSent);
    void planRetry();
    void refreshCount();
    void saveUnsaved();
    void lookAgain();
    // Counts again and tells the window what changed.
    void publish();

    struct State
    {
        int count = 0;
        int unsaved = 0;
        bool unreadable = false;
        QString saveProblem;
        QString readProblem;
        friend bool operator==(const State&, const State&) = default;
    };

    OutboxFile m_file;
    std::function<QString()> m_databasePath;
    DeliveryLimits m_limits;
    QList<PendingCall> m_unsaved;
    int m_inFile = 0; // calls in the outbox file, as last read
    int m_count = 0;
    bool m_unreadable = false;
    QString m_saveProblem;
    QString m_readProblem;
    State m_published;
    QTimer m_lookAgain;
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
