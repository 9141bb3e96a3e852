#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QSqlDatabase;

// Copies an installation's database file into a server database whose tables exist and are
// empty: every client and call with its key, the key sequences past the highest key the file
// ever gave, and the counts compared afterwards. All of it is one transaction on the server, so
// a failure, or the process killed half-way, leaves the server as it was.
class Migration
{
public:
    struct Counts
    {
        qint64 clients = 0;
        qint64 calls = 0;
    };
    // Rows copied so far, and of how many.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    Migration(QString sourcePath, QSqlDatabase& target, Progress progress);

    // False with problem() set, in the user's words; the server keeps what it had.
    bool run();
    [[nodiscard]] QString problem() const { return m_problem; }
    [[nodiscard]] Counts copied() const { return m_copied; }
    // Whether the copied tables were vacuumed and their statistics taken after the copy.
    [[nodiscard]] bool analyzed() const { return m_analyzed; }

private:
    QString m_sourcePath;
    QSqlDatabase& m_target;
    Progress m_progress;
    QString m_problem;
    Counts m_copied;
    bool m_analyzed = false;
};
