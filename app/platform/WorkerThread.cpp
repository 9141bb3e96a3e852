#include "WorkerThread.h"

#include <QThread>

#include <memory>

void runOffUiThread(const std::function<void()>& work, QEventLoop::ProcessEventsFlags flags)
{
    const std::unique_ptr<QThread> thread(QThread::create(work));
    QEventLoop loop;
    // Queued to this thread: a work that ends before the loop starts still ends it.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(flags);
    thread->wait();
}
