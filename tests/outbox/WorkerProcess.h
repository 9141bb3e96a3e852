#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// An outbox_worker process: one workstation with its reception and outbox, driven line by line.
class WorkerProcess
{
public:
    WorkerProcess() = default;
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // The worker as built; tests that run it as another user pass a copy it may execute.
    [[nodiscard]] static QString builtPath();

    // Starts it with these arguments and this data home. ordinaryUsersCopy, when given, is a
    // copy of the worker that is run instead, as an ordinary user (OrdinaryUser::prepare).
    bool start(const QString& dataHome, const QStringList& arguments,
               const QString& ordinaryUsersCopy = {});
    // Sends a command and returns its answer line ("" when none came in time).
    QString ask(const QString& command, int timeoutMs = 20000);
    // The next line it prints.
    QString readLine(int timeoutMs = 20000);
    // Waits for it to end on its own.
    bool finish(int timeoutMs = 60000);
    void kill();
    [[nodiscard]] QString errors();
    [[nodiscard]] QProcess& process() { return m_process; }

private:
    QProcess m_process;
};
