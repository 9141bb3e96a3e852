#pragma once

#include "database/Statements.h"

#include <QList>
#include <QSet>
#include <QVariant>
#include <QtGlobal>

#include <functional>

class DatabaseConnection;

// The keys of a data control's rows, in the set's order.
//
// A client list reads all its keys at once. A call list, which may hold a million rows, reads
// its first keys at once, its exact count just after (countRows(), or as soon as a row past them
// is asked for), and the others in chunks: forwards from the head as rows are needed (and a
// little at each idle moment), and backwards from the tail when the end is asked for, so the
// first rows and the last ones show at once. The end can be read before the count
// (readTail()): its rows then follow the head's until the count puts the others between them.
// Every read is a statement read to its end, so no read lock is kept between events. The set stays
// bounded by the newest call key seen at the count, so calls logged meanwhile by others join at the
// next refresh.
class KeySet
{
public:
    explicit KeySet(DatabaseConnection& connection);

    void clear();
    // Reads the count and the first keys of statement. 0 or an engine error.
    int reset(const Statement& statement);

    // The exact count once counted; until then the rows read so far.
    [[nodiscard]] int size() const { return endOfTail() + static_cast<int>(m_appended.size()); }
    // The rows read from the head so far: rows joining before the count go in after them.
    [[nodiscard]] int headSize() const { return static_cast<int>(m_head.size()); }
    // Reads the last rows before the count (a screen of them), so the end shows at once. 0 or an
    // engine error.
    int readTail();
    // Last rows read before the count, shown right after the head's until it comes.
    [[nodiscard]] bool hasTailBeforeCount() const { return !m_counted && !m_tail.isEmpty(); }
    [[nodiscard]] bool isCounted() const { return m_counted; }
    // Reads the exact count when it is not known yet. 0 or an engine error.
    int countRows();
    // The exact count read elsewhere (countInPieces) for the same statement and newest key.
    void takeCount(qint64 count);
    [[nodiscard]] const Statement& statement() const { return m_statement; }
    [[nodiscard]] qint64 newestKey() const { return m_newestKey; }
    // Counts a call list up to newestKey on this connection: on the file a piece at a time
    // along the list's own order, each piece one short read, until stopped() says to give up;
    // on the server in one read. 0 or an error.
    static int countInPieces(DatabaseConnection& connection, const Statement& statement,
                             qint64 newestKey, const std::function<bool()>& stopped, qint64* count);
    [[nodiscard]] bool isEmpty() const { return size() == 0; }
    [[nodiscard]] bool isComplete() const { return m_complete; }
    // The key of a row, read when needed; 0 when it cannot be read (see lastError()) or the row
    // has vanished since the count.
    [[nodiscard]] qint64 at(int row);
    // The row of a key among those read so far, or -1.
    [[nodiscard]] int indexOf(qint64 key) const;
    // A row added by this control, after the others.
    void append(qint64 key);
    // Reads one more chunk from the head; false when there is nothing left to read.
    bool readMore();
    [[nodiscard]] int lastError() const { return m_lastError; }

    // Reading a call list along its order from a row on (also a page at a time, by the export).
    struct Anchor
    {
        bool valid = false;
        bool nullFecha = false;
        QString fecha;
        qint64 key = 0;
        // Just after the row with this date and key.
        static Anchor at(const QVariant& fecha, qint64 key);
    };
    // The conditions and order of one phase (dated calls, or those without a date) read from
    // either end, after an anchor.
    struct PhaseQuery
    {
        QString where;
        QString order;
        QVariantMap values;
        // The keys and dates of the phase's rows, with tail ("LIMIT ...") after the order.
        [[nodiscard]] QString select(const Statement& statement, const QString& tail) const;
    };
    [[nodiscard]] static PhaseQuery phaseQuery(const Statement& statement, qint64 newestKey,
                                               bool fromHead, bool nullPhase, const Anchor& anchor);

private:
    // The count of statement's rows up to newestKey, in one read. 0 or an error.
    static int countAtOnce(DatabaseConnection& connection, const Statement& statement,
                           qint64 newestKey, qint64* count);
    int readChunk(bool fromHead, int limit, QList<qint64>* keys, Anchor* anchor);
    int readPhase(bool fromHead, bool nullPhase, const Anchor& anchor, int limit,
                  QList<qint64>* keys, Anchor* last);
    // Appends keys read from the head; true when they ran into the tail.
    bool takeHead(const QList<qint64>& keys);
    // Reads up to limit more rows backwards from the end; *met is true when they ran into the
    // head or the list's start.
    int extendTail(int limit, bool* met);
    // One past the tail's first row: the count, or before it the rows read from both ends.
    [[nodiscard]] int endOfTail() const
    {
        return m_counted ? m_size : static_cast<int>(m_head.size() + m_tail.size());
    }
    // Joins head and tail into one complete list.
    void join();
    int fillTo(int row);

    DatabaseConnection& m_connection;
    Statement m_statement;
    bool m_chunked = false;
    qint64 m_newestKey = 0;
    int m_size = 0; // rows counted at the refresh
    bool m_counted = true;
    bool m_complete = true;
    int m_lastError = 0;

    QList<qint64> m_head; // rows 0 ..
    Anchor m_headAnchor;
    QList<qint64> m_tail; // the last rows, the very last first
    Anchor m_tailAnchor;
    QSet<qint64> m_tailKeys;
    QList<qint64> m_appended;
    int m_nextChunk = 0;
};
