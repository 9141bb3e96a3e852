#include "database/BackgroundCount.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/KeySet.h"

#include <QThread>

#include <algorithm>

BackgroundCount::BackgroundCount(QObject* parent)
    : QObject(parent)
{}

BackgroundCount::~BackgroundCount()
{
    stop();
    // The threads report to this object: none may outlive it.
    for (Run& run : m_stopping)
        run.thread->wait();
}

void BackgroundCount::start(const QString& databasePath, const Statement& statement,
                            qint64 newestKey)
{
    stop();
    std::erase_if(m_stopping, [](const Run& run) { return run.thread->isFinished(); });
    m_running = true;
    const quint64 generation = ++m_generation;
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    m_current.stopped = stopped;
    m_current.thread.reset(QThread::create([this, databasePath, statement, newestKey, generation,
                                            stopped] {
        qint64 count = 0;
        DatabaseConnection connection;
        // Not marked present: the window that asked already is.
        int error = connection.open(databasePath, DatabaseConnection::Access::ReadOnly,
                                    DatabaseConnection::defaultBusyTimeoutMs, false);
        if (error == DatabaseError::None)
            error = KeySet::countInPieces(
                connection, statement, newestKey, [stopped] { return stopped->load(); }, &count);
        if (*stopped)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, error, count] {
                // A count of an earlier list, handed over just before it was stopped.
                if (generation != m_generation || !m_running)
                    return;
                m_running = false;
                emit counted(error, count);
            },
            Qt::QueuedConnection);
    }));
    m_current.thread->start();
}

void BackgroundCount::stop()
{
    m_running = false;
    if (!m_current.thread)
        return;
    *m_current.stopped = true;
    m_stopping.push_back(std::move(m_current));
    m_current = Run();
}
