#pragma once

#include <QString>

// The few pieces of SQL that the file's engine (SQLite) and the office's server (PostgreSQL)
// write differently. Everything else the program says is the same for both; the server's
// schema adds llamora_fold() and instr() so that the statements need not change.
class SqlDialect
{
public:
    enum class Engine
    {
        File,
        Server,
    };

    explicit SqlDialect(Engine engine)
        : m_engine(engine)
    {}

    [[nodiscard]] Engine engine() const { return m_engine; }

    // A row source over a JSON array of keys bound to parameter: one row per element, with its
    // position in "key" and the key itself, as an integer, in "value".
    [[nodiscard]] QString keyList(const QString& parameter) const;
    // A column the engine should not look up by its index in this condition (the file's engine
    // otherwise may; the server's planner weighs it itself).
    [[nodiscard]] QString unindexed(const QString& column) const;
    // The hour after an hour given as text "yyyy-MM-dd HH", in the same form.
    [[nodiscard]] QString nextHour(const QString& hour) const;

    // Whether the engine groups rows by sorting them (the file's does; the server hashes them):
    // counting a great many rows is then quicker done row by row as they are read.
    [[nodiscard]] bool groupsBySorting() const { return m_engine == Engine::File; }

    // Whether deleting a row takes it out of every index at once (the file's engine does; the
    // server leaves that to its vacuum), which makes the order of a large delete matter.
    [[nodiscard]] bool deleteTouchesIndexes() const { return m_engine == Engine::File; }

    // Whether a long read holds up other workstations' writes (the file's shared lock does; the
    // server's snapshots do not): long reads are then cut into short ones.
    [[nodiscard]] bool readsBlockWriters() const { return m_engine == Engine::File; }

private:
    Engine m_engine;
};
