#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

// db_worker (tests/database/db_worker.cpp): the other workstation of the tests that need several
// processes on one database file. Tests using it list it in their DEPENDS.
namespace DatabaseWorker {

// Where the build put it, beside the test executables.
[[nodiscard]] QString path();

// Starts it with these arguments and waits up to 10 s for its "READY" line; the lines before it
// go to *said (when given), the lines after it stay to be read. Null when it did not start or
// did not say READY in time.
[[nodiscard]] std::unique_ptr<QProcess> startReady(const QStringList& arguments,
                                                   QStringList* said = nullptr);

// Runs it to its end (waiting up to 10 s) and returns what it printed, trimmed.
QString runToEnd(const QStringList& arguments);

} // namespace DatabaseWorker
