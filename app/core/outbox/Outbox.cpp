#include "outbox/Outbox.h"

#include <algorithm>

Outbox::Outbox(const QString& filePath, std::function<QString()> databasePath, QObject* parent)
    : QObject(parent)
    , m_file(filePath)
    , m_databasePath(std::move(databasePath))
    , m_worker(new QObject)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &Outbox::deliver);
    m_lookAgain.setInterval(saveRetryMs);
    connect(&m_lookAgain, &QTimer::timeout, this, &Outbox::lookAgain);
    // The thread starts with the first delivery: most runs never need one.
    m_thread.setObjectName(QStringLiteral("Outbox delivery"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);

    // Calls left from an earlier run wait as any others.
    refreshCount();
    if (m_count > 0)
        planRetry();
}

Outbox::~Outbox()
{
    m_retry.stop();
    // A delivery under way stops after its transaction; what is left waits for the next start.
    m_stop = true;
    if (!m_thread.isRunning()) {
        delete m_worker;
        return;
    }
    m_thread.quit();
    m_thread.wait();
}

void Outbox::setRetryDelays(int firstMs, int longestMs)
{
    m_firstRetryMs = firstMs;
    m_longestRetryMs = longestMs;
    m_retryMs = firstMs;
}

bool Outbox::add(const PendingCall& call)
{
    // Calls kept in memory go first, so the file keeps the arrival order.
    saveUnsaved();
    const bool saved = m_unsaved.isEmpty() && m_file.append(call);
    if (saved) {
        m_inFile += m_inFile >= 0 ? 1 : 0;
    } else {
        m_unsaved.append(call);
        m_saveProblem = m_file.problem();
    }
    publish();
    if (!m_running && !m_retry.isActive())
        planRetry();
    return saved;
}

void Outbox::deliver()
{
    if (m_running) {
        m_again = true;
        return;
    }
    m_retry.stop();
    refreshCount();
    if (m_count == 0) {
        m_retryMs = m_firstRetryMs;
        return;
    }
    startRun();
}

void Outbox::startRun()
{
    m_running = true;
    m_again = false;
    // Begun once control is back in the event loop: a delivery asked for while the program
    // loads then finds the database folder the load is still reading.
    QMetaObject::invokeMethod(this, &Outbox::launchRun, Qt::QueuedConnection);
}

void Outbox::launchRun()
{
    saveUnsaved();
    const QString path = m_file.filePath();
    const QString database = m_databasePath();
    const QList<PendingCall> unsaved = m_unsaved;
    DeliveryLimits limits = m_limits;
    limits.stop = &m_stop;
    if (!m_thread.isRunning())
        m_thread.start();
    QMetaObject::invokeMethod(
        m_worker,
        [this, path, database, unsaved, limits] {
            OutboxFile file(path);
            const DeliveryReport report = deliverOutbox(file, database, unsaved, limits);
            QMetaObject::invokeMethod(
                this, [this, report, unsaved] { runFinished(report, unsaved); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void Outbox::runFinished(const DeliveryReport& report, const QList<PendingCall>& unsavedSent)
{
    m_running = false;
    // By value: some of them may have gone to the file meanwhile (the next run finds those
    // logged already and takes them off).
    for (const PendingCall& call :
         unsavedSent.first(std::min<qsizetype>(report.unsavedDelivered, unsavedSent.size()))) {
        const qsizetype at = m_unsaved.indexOf(call);
        if (at >= 0)
            m_unsaved.removeAt(at);
    }
    if (m_unsaved.isEmpty())
        m_saveProblem.clear();
    m_lastError = report.error;
    if (report.error == 0 && report.outboxError)
        m_lastError = -1;
    if (!report.asidePath.isEmpty())
        emit setAside(report.asidePath);
    refreshCount();
    emit deliveryFinished();

    if (m_count == 0) {
        m_retryMs = m_firstRetryMs;
        m_retry.stop();
        return;
    }
    if (m_lastError == 0 && report.delivered + report.refused > 0) {
        // Everything there was went in; the calls added meanwhile follow at once.
        m_retryMs = m_firstRetryMs;
        startRun();
        return;
    }
    // A call logged while this run failed: the database may be back, try once more at once.
    if (m_again && m_lastError != 0) {
        startRun();
        return;
    }
    planRetry();
}

void Outbox::planRetry()
{
    m_retry.start(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, m_longestRetryMs);
}

void Outbox::refreshCount()
{
    QList<PendingCall> calls;
    QString aside;
    if (m_file.read(&calls, &aside)) {
        m_inFile = static_cast<int>(calls.size());
        m_readProblem.clear();
    } else {
        // Not a call is touched while the lock cannot be had; they are counted where they
        // can be read all the same.
        m_readProblem = m_file.problem();
        m_inFile = m_file.countWithoutLock();
    }
    publish();
    // Queued: what the constructor finds reaches the connections made right after it.
    if (!aside.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, aside] { emit setAside(aside); }, Qt::QueuedConnection);
}

void Outbox::saveUnsaved()
{
    if (m_unsaved.isEmpty())
        return;
    while (!m_unsaved.isEmpty() && m_file.append(m_unsaved.constFirst())) {
        m_unsaved.removeFirst();
        m_inFile += m_inFile >= 0 ? 1 : 0;
    }
    m_saveProblem = m_unsaved.isEmpty() ? QString() : m_file.problem();
}

void Outbox::lookAgain()
{
    const bool couldNotRead = !m_readProblem.isEmpty();
    saveUnsaved();
    refreshCount();
    // The outbox can be read again: what it kept goes now, not at the next planned attempt.
    if (couldNotRead && m_readProblem.isEmpty() && m_count > 0)
        deliver();
}

void Outbox::publish()
{
    m_unreadable = m_inFile < 0;
    m_count = std::max(m_inFile, 0) + static_cast<int>(m_unsaved.size());
    const State now{m_count, unsavedCount(), m_unreadable, m_saveProblem, m_readProblem};
    const bool countMoved = now.count != m_published.count;
    const bool moved = now != m_published;
    m_published = now;
    const bool trouble = !m_unsaved.isEmpty() || !m_readProblem.isEmpty();
    if (trouble && !m_lookAgain.isActive())
        m_lookAgain.start();
    else if (!trouble)
        m_lookAgain.stop();
    if (countMoved)
        emit countChanged(m_count);
    if (moved)
        emit stateChanged();
}
