#pragma once

#include "database/Statements.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

// Counts a long call list on a thread and a connection of its own (on the file a piece at a
// time, see KeySet::countInPieces), so neither the window nor another workstation's writes wait
// on it. The count comes back through counted() on the thread that started it.
class BackgroundCount : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundCount(QObject* parent = nullptr);
    // Waits for every count still finishing its last read.
    ~BackgroundCount() override;

    // Stops any count under way and starts this one.
    void start(const QString& databasePath, const Statement& statement, qint64 newestKey);
    // Nothing more is reported. The count ends after its read under way without being waited
    // for: a single read of the server's can take a moment.
    void stop();
    [[nodiscard]] bool isRunning() const { return m_running; }

signals:
    // 0 and the count, or an engine error.
    void counted(int error, qint64 count);

private:
    struct Run
    {
        std::unique_ptr<QThread> thread;
        std::shared_ptr<std::atomic<bool>> stopped;
    };
    Run m_current;
    // Stopped counts finishing their last read.
    std::vector<Run> m_stopping;
    quint64 m_generation = 0;
    bool m_running = false;
};
