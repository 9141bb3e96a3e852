#pragma once

#include "database/Statements.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Counts a long call list on a thread and a connection of its own, a piece at a time (see
// KeySet::countInPieces), so neither the window nor another workstation's writes wait on it.
// The count comes back through counted() on the thread that started it.
class BackgroundCount : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundCount(QObject* parent = nullptr);
    ~BackgroundCount() override;

    // Stops any count under way and starts this one.
    void start(const QString& databasePath, const Statement& statement, qint64 newestKey);
    // Stops after the piece under way; nothing more is reported.
    void stop();
    [[nodiscard]] bool isRunning() const { return m_running; }

signals:
    // 0 and the count, or an engine error.
    void counted(int error, qint64 count);

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stopped{false};
    quint64 m_generation = 0;
    bool m_running = false;
};
