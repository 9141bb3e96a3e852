#include "database/BackgroundCount.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/KeySet.h"

#include <QThread>

BackgroundCount::BackgroundCount(QObject* parent)
    : QObject(parent)
{}

BackgroundCount::~BackgroundCount()
{
    stop();
}

void BackgroundCount::start(const QString& databasePath, const Statement& statement,
                            qint64 newestKey)
{
    stop();
    m_stopped = false;
    m_running = true;
    const quint64 generation = ++m_generation;
    m_thread.reset(QThread::create([this, databasePath, statement, newestKey, generation] {
        qint64 count = 0;
        DatabaseConnection connection;
        // Not marked present: the window that asked already is.
        int error = connection.open(databasePath, DatabaseConnection::Access::ReadOnly,
                                    DatabaseConnection::defaultBusyTimeoutMs, false);
        if (error == DatabaseError::None)
            error = KeySet::countInPieces(
                connection, statement, newestKey, [this] { return m_stopped.load(); }, &count);
        if (m_stopped)
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
    m_thread->start();
}

void BackgroundCount::stop()
{
    m_stopped = true;
    m_running = false;
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}
