#include "database/KeySet.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <limits>

namespace {
// The first chunk is small so the first rows show at once; later ones grow, each still a
// short read.
constexpr int firstChunk = 200;
constexpr int largestChunk = 20000;
// Rows read beyond the one asked for from the tail, so a screen of rows is there at once.
constexpr int tailMargin = 100;
// A count in pieces starts with this many rows a piece.
constexpr qint64 firstPiece = 5000;
constexpr qint64 smallestPiece = 500;
// How long one read, of keys or of a piece of the count, should hold the read lock: other
// workstations' writes wait that long, and the window too when it reads.
constexpr double shortReadMs = 25.0;

// The size of the next read, from how long one of `size` rows took: about shortReadMs, growing
// at most fourfold at a time.
qint64 sizedToShortRead(qint64 size, qint64 elapsedNs, qint64 smallest, qint64 largest)
{
    const double ms = std::max(1.0, static_cast<double>(elapsedNs) / 1e6);
    const auto sized = static_cast<qint64>(static_cast<double>(size) * shortReadMs / ms);
    return std::clamp(sized, smallest, std::max(smallest, std::min(largest, size * 4)));
}

const QString newestBound = QStringLiteral(":llamora_newest");
const QString anchorFecha = QStringLiteral(":llamora_fecha");
const QString anchorKey = QStringLiteral(":llamora_key");
} // namespace

KeySet::KeySet(DatabaseConnection& connection)
    : m_connection(connection)
{}

void KeySet::clear()
{
    m_statement = Statement();
    m_chunked = false;
    m_newestKey = 0;
    m_size = 0;
    m_counted = true;
    m_complete = true;
    m_lastError = DatabaseError::None;
    m_head.clear();
    m_headAnchor = Anchor();
    m_tail.clear();
    m_tailAnchor = Anchor();
    m_tailKeys.clear();
    m_appended.clear();
    m_nextChunk = firstChunk;
}

int KeySet::reset(const Statement& statement)
{
    clear();
    m_statement = statement;
    m_chunked = statement.readInChunks;
    if (!m_chunked) {
        // A client list: all keys at once (100,000 keys take a moment).
        m_lastError = m_connection.readKeys(statement, &m_head);
        m_size = static_cast<int>(m_head.size());
        return m_lastError;
    }
    // The newest call first, then the count of calls up to it: a call logged in between is in
    // neither.
    m_lastError = m_connection.readNumber(
        QStringLiteral("SELECT coalesce(max(IdLlamada), 0) FROM Llamadas"), {}, &m_newestKey);
    if (m_lastError != DatabaseError::None)
        return m_lastError;
    // The first rows now; the count right after they are shown.
    m_counted = false;
    m_complete = false;
    QList<qint64> keys;
    m_lastError = readChunk(true, firstChunk, &keys, &m_headAnchor);
    if (m_lastError != DatabaseError::None)
        return m_lastError;
    m_head = keys;
    m_nextChunk = firstChunk * 4;
    if (keys.size() < firstChunk) {
        // That was all of it.
        m_size = static_cast<int>(keys.size());
        m_counted = true;
        m_complete = true;
    }
    return m_lastError;
}

int KeySet::countRows()
{
    if (m_counted)
        return DatabaseError::None;
    qint64 count = 0;
    const int error = countAtOnce(m_connection, m_statement, m_newestKey, &count);
    if (error != DatabaseError::None) {
        m_lastError = error;
        return error;
    }
    takeCount(count);
    return m_lastError;
}

void KeySet::takeCount(qint64 count)
{
    if (m_counted)
        return;
    // Never fewer than the rows shown already (some may have been deleted since).
    const int read = static_cast<int>(m_head.size() + m_tail.size());
    m_size = std::max(static_cast<int>(count), read);
    m_counted = true;
    if (m_size == read)
        join();
}

int KeySet::readTail()
{
    if (m_counted || !m_tail.isEmpty())
        return DatabaseError::None;
    bool met = false;
    m_lastError = extendTail(tailMargin, &met);
    if (m_lastError == DatabaseError::None && met) {
        // Head and tail hold every row: that is the count.
        m_size = static_cast<int>(m_head.size() + m_tail.size());
        m_counted = true;
        join();
    }
    return m_lastError;
}

int KeySet::extendTail(int limit, bool* met)
{
    QList<qint64> keys;
    if (const int error = readChunk(false, limit, &keys, &m_tailAnchor);
        error != DatabaseError::None)
        return error;
    const QSet<qint64> headEnd(m_head.cend() - std::min<qsizetype>(m_head.size(), limit),
                               m_head.cend());
    *met = keys.size() < limit;
    for (const qint64 key : keys) {
        if (headEnd.contains(key)) {
            *met = true;
            break;
        }
        m_tail.append(key);
        m_tailKeys.insert(key);
    }
    return DatabaseError::None;
}

KeySet::PhaseQuery KeySet::phaseQuery(const Statement& statement, qint64 newestKey, bool fromHead,
                                      bool nullPhase, const Anchor& anchor)
{
    // SQLite bounds an index range by the first bound it meets on a column, so the anchor's,
    // which is tighter than the list's own range, goes first: otherwise every read after an
    // anchor walks the index again from the list's head.
    QStringList conditions;
    QStringList listConditions;
    if (!statement.where.isEmpty())
        listConditions << QLatin1Char('(') + statement.where + QLatin1Char(')');
    // "+" keeps the bound from steering the choice of index.
    listConditions << QStringLiteral("+Llamadas.IdLlamada <= ") + newestBound;
    PhaseQuery query;
    query.values = statement.values;
    query.values.insert(newestBound, newestKey);
    const QString before = fromHead ? QStringLiteral(" < ") : QStringLiteral(" > ");
    const QString direction = fromHead ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    if (nullPhase) {
        if (anchor.valid && anchor.nullFecha) {
            conditions << QStringLiteral("Llamadas.IdLlamada") + before + anchorKey;
            query.values.insert(anchorKey, anchor.key);
        }
        conditions << QStringLiteral("Llamadas.Fecha IS NULL");
        query.order = QStringLiteral("Llamadas.IdLlamada") + direction;
    } else {
        if (anchor.valid && !anchor.nullFecha) {
            // The range on Fecha lets the index on it start at the anchor.
            conditions << QStringLiteral("Llamadas.Fecha") +
                              (fromHead ? QStringLiteral(" <= ") : QStringLiteral(" >= ")) +
                              anchorFecha;
            conditions << QStringLiteral("(Llamadas.Fecha") + before + anchorFecha +
                              QStringLiteral(" OR Llamadas.IdLlamada") + before + anchorKey +
                              QLatin1Char(')');
            query.values.insert(anchorFecha, anchor.fecha);
            query.values.insert(anchorKey, anchor.key);
        }
        conditions << QStringLiteral("Llamadas.Fecha IS NOT NULL");
        query.order = QStringLiteral("Llamadas.Fecha") + direction +
                      QStringLiteral(", Llamadas.IdLlamada") + direction;
    }
    query.where = (conditions + listConditions).join(QStringLiteral(" AND "));
    return query;
}

QString KeySet::PhaseQuery::select(const Statement& statement, const QString& tail) const
{
    return QStringLiteral("SELECT Llamadas.IdLlamada, Llamadas.Fecha FROM ") + statement.from +
           QStringLiteral(" WHERE ") + where + QStringLiteral(" ORDER BY ") + order + tail;
}

int KeySet::readPhase(bool fromHead, bool nullPhase, const Anchor& anchor, int limit,
                      QList<qint64>* keys, Anchor* last)
{
    const PhaseQuery query = phaseQuery(m_statement, m_newestKey, fromHead, nullPhase, anchor);
    const qsizetype countBefore = keys->size();
    QVariant lastFecha;
    const int error = m_connection.readKeys(
        query.select(m_statement, QStringLiteral(" LIMIT ") + QString::number(limit)), query.values,
        keys, &lastFecha);
    if (error == DatabaseError::None && keys->size() > countBefore)
        *last = Anchor::at(lastFecha, keys->constLast());
    return error;
}

KeySet::Anchor KeySet::Anchor::at(const QVariant& fecha, qint64 key)
{
    return Anchor{true, fecha.isNull(), fecha.toString(), key};
}

int KeySet::countAtOnce(DatabaseConnection& connection, const Statement& statement,
                        qint64 newestKey, qint64* count)
{
    QVariantMap values = statement.values;
    values.insert(newestBound, newestKey);
    QString where = statement.where.isEmpty()
                        ? QString()
                        : QLatin1Char('(') + statement.where + QStringLiteral(") AND ");
    // "+" keeps the bound from steering the choice of index.
    where += QStringLiteral("+Llamadas.IdLlamada <= ") + newestBound;
    return connection.readNumber(QStringLiteral("SELECT count(*) FROM ") + statement.from +
                                     QStringLiteral(" WHERE ") + where,
                                 values, count);
}

int KeySet::countInPieces(DatabaseConnection& connection, const Statement& statement,
                          qint64 newestKey, const std::function<bool()>& stopped, qint64* count)
{
    *count = 0;
    if (!connection.dialect().readsBlockWriters())
        return countAtOnce(connection, statement, newestKey, count);
    qint64 piece = firstPiece;
    for (const bool nullPhase : {false, true}) {
        Anchor anchor;
        while (!stopped()) {
            const PhaseQuery query = phaseQuery(statement, newestKey, true, nullPhase, anchor);
            QElapsedTimer timer;
            timer.start();
            // The row a piece further on along the list's own order, if there is one.
            QList<qint64> keys;
            QVariant fecha;
            int error =
                connection.readKeys(query.select(statement, QStringLiteral(" LIMIT 1 OFFSET ") +
                                                                QString::number(piece - 1)),
                                    query.values, &keys, &fecha);
            if (error != DatabaseError::None)
                return error;
            if (keys.isEmpty()) {
                // Less than a piece is left.
                qint64 rest = 0;
                error =
                    connection.readNumber(QStringLiteral("SELECT count(*) FROM ") + statement.from +
                                              QStringLiteral(" WHERE ") + query.where,
                                          query.values, &rest);
                if (error != DatabaseError::None)
                    return error;
                *count += rest;
                break;
            }
            *count += piece;
            anchor = Anchor::at(fecha, keys.constFirst());
            piece = sizedToShortRead(piece, timer.nsecsElapsed(), smallestPiece,
                                     std::numeric_limits<qint64>::max());
            QThread::msleep(1);
        }
    }
    return DatabaseError::None;
}

// From the head the order is newest first with calls without a date last; from the tail it is
// the reverse.
int KeySet::readChunk(bool fromHead, int limit, QList<qint64>* keys, Anchor* anchor)
{
    const bool startsInNulls = anchor->valid && anchor->nullFecha;
    const bool datedFirst = fromHead;
    for (int phase = 0; phase < 2 && keys->size() < limit; ++phase) {
        const bool nullPhase = datedFirst ? phase == 1 : phase == 0;
        if (fromHead && startsInNulls && !nullPhase)
            continue; // already past every dated call
        if (!fromHead && anchor->valid && !anchor->nullFecha && nullPhase)
            continue; // already past every call without a date
        const Anchor from =
            (nullPhase == (anchor->valid && anchor->nullFecha)) ? *anchor : Anchor();
        Anchor last = *anchor;
        const int error = readPhase(fromHead, nullPhase, from,
                                    limit - static_cast<int>(keys->size()), keys, &last);
        if (error != DatabaseError::None)
            return error;
        *anchor = last;
    }
    return DatabaseError::None;
}

bool KeySet::readMore()
{
    if (m_complete)
        return false;
    if (!m_counted) {
        countRows();
        return !m_complete && m_lastError == DatabaseError::None;
    }
    const int remaining = m_size - static_cast<int>(m_head.size() + m_tail.size());
    if (remaining <= 0) {
        join();
        return false;
    }
    const int limit = std::min(m_nextChunk, remaining);
    QList<qint64> keys;
    QElapsedTimer timer;
    timer.start();
    m_lastError = readChunk(true, limit, &keys, &m_headAnchor);
    m_nextChunk =
        static_cast<int>(sizedToShortRead(limit, timer.nsecsElapsed(), firstChunk, largestChunk));
    if (m_lastError != DatabaseError::None)
        return false;
    const bool met = takeHead(keys);
    if (met || keys.size() < limit || static_cast<int>(m_head.size() + m_tail.size()) >= m_size)
        join();
    return !m_complete;
}

bool KeySet::takeHead(const QList<qint64>& keys)
{
    for (const qint64 key : keys) {
        // Into the rows already read from the tail: some rows vanished since the count.
        if (m_tailKeys.contains(key))
            return true;
        m_head.append(key);
    }
    return false;
}

void KeySet::join()
{
    // Rows deleted by others since the count leave blank rows (key 0), so every row keeps its
    // place and the count stays the one shown.
    const int gap = m_size - static_cast<int>(m_head.size() + m_tail.size());
    if (gap > 0)
        m_head.append(QList<qint64>(gap, 0));
    std::reverse(m_tail.begin(), m_tail.end());
    m_head.append(m_tail);
    m_head.resize(m_size);
    m_tail.clear();
    m_tailKeys.clear();
    m_complete = true;
}

int KeySet::fillTo(int row)
{
    while (!m_complete && row >= m_head.size() && m_lastError == DatabaseError::None)
        readMore();
    return m_lastError;
}

qint64 KeySet::at(int row)
{
    if (row < 0)
        return 0;
    if (row < m_head.size())
        return m_head.at(row);
    if (hasTailBeforeCount() && row < endOfTail())
        return m_tail.at(endOfTail() - 1 - row);
    if (!m_counted && countRows() != DatabaseError::None)
        return 0;
    if (row >= size())
        return 0;
    if (row >= m_size)
        return m_appended.at(row - m_size);
    if (row < m_head.size())
        return m_head.at(row); // joined by the count
    const int fromEnd = m_size - 1 - row;
    if (fromEnd >= m_tail.size()) {
        const int headGap = row - static_cast<int>(m_head.size());
        if (headGap <= fromEnd - static_cast<int>(m_tail.size())) {
            // Nearer the rows read from the head.
            if (fillTo(row) != DatabaseError::None)
                return 0;
            return row < m_head.size() ? m_head.at(row) : 0;
        }
        // Nearer the end: read backwards from it, with a screen of rows to spare.
        const int remaining = m_size - static_cast<int>(m_head.size() + m_tail.size());
        const int limit =
            std::min(remaining, fromEnd + 1 - static_cast<int>(m_tail.size()) + tailMargin);
        bool met = false;
        m_lastError = extendTail(limit, &met);
        if (m_lastError != DatabaseError::None)
            return 0;
        if (met || static_cast<int>(m_head.size() + m_tail.size()) >= m_size)
            join();
        if (m_complete)
            return m_head.value(row, 0);
        if (fromEnd >= m_tail.size())
            return 0;
    }
    return m_tail.at(fromEnd);
}

int KeySet::indexOf(qint64 key) const
{
    if (const qsizetype index = m_head.indexOf(key); index >= 0)
        return static_cast<int>(index);
    if (const qsizetype index = m_tail.indexOf(key); index >= 0)
        return endOfTail() - 1 - static_cast<int>(index);
    if (const qsizetype index = m_appended.indexOf(key); index >= 0)
        return m_size + static_cast<int>(index);
    return -1;
}

void KeySet::append(qint64 key)
{
    // Added rows come after every counted one.
    countRows();
    m_appended.append(key);
}
