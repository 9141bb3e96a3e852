#pragma once

#include <QString>
#include <QtGlobal>

struct sqlite3;

// A bare SQLite connection for the maintenance work, which runs on its own thread and needs the
// engine's own result codes. It never marks presence: the maintenance holds the file exclusively
// already.
class SqliteFile
{
public:
    SqliteFile() = default;
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // Opens an existing file; never creates one. A SQLite result code.
    int open(const QString& path, bool readOnly = false);
    // Creates a new file, which must not exist yet.
    int create(const QString& path);
    void close();
    [[nodiscard]] sqlite3* handle() const { return m_handle; }

    // Runs one or more statements; a SQLite result code.
    int exec(const QString& sql);
    // The first column of the first row of a statement, or fallback when it gives none or fails.
    [[nodiscard]] qint64 scalar(const QString& sql, qint64 fallback = -1);
    [[nodiscard]] QString errorText() const;

private:
    int openWith(const QString& path, int flags);

    sqlite3* m_handle = nullptr;
};

// A text as a quoted SQL string literal.
[[nodiscard]] QString sqlLiteral(const QString& text);
