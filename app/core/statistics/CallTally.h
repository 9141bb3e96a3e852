#pragma once

#include "statistics/CallStatistics.h"

#include <QByteArrayView>
#include <QDate>
#include <QHash>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

// Calls counted per key. Keys are mostly small and dense (the program's own keys and
// workstation numbers), counted in a plain array; any other key in a hash.
class KeyCounter
{
public:
    explicit KeyCounter(qint64 arrayKeys)
        : m_arrayKeys(arrayKeys)
    {}
    void add(qint64 key)
    {
        if (key >= 0 && key < m_arrayKeys) {
            if (static_cast<size_t>(key) >= m_small.size())
                m_small.resize(std::max<size_t>(static_cast<size_t>(key) + 1, m_small.size() * 2));
            ++m_small[static_cast<size_t>(key)];
        } else {
            ++m_other[key];
        }
    }
    void merge(const KeyCounter& other);
    // Each key with its calls, in no order.
    [[nodiscard]] std::vector<std::pair<qint64, qint64>> counts() const;

private:
    qint64 m_arrayKeys;
    std::vector<quint32> m_small; // half the size of qint64, so that more of it stays in cache
    QHash<qint64, qint64> m_other;
};

// The calls of a range counted one by one, as they are read: per hour of each day, per
// workstation and per client. Where the engine would sort a million calls to group them, one
// pass over them counts every figure at once.
class CallTally
{
public:
    // The days the calls may fall on, from the first to the last.
    CallTally(const QDate& firstDay, const QDate& lastDay);

    // One call as stored: its date and time "yyyy-MM-dd HH:mm:ss", its workstation, its client
    // (0 for none). A call whose date is not a real day and hour is left out of every figure.
    void add(QByteArrayView fecha, int puesto, qint64 cliente);

    // Adds the calls another tally of the same days counted.
    void merge(const CallTally& other);

    // The days, the hours, the weekdays, the workstations and the total into statistics.
    void fill(CallStatistics* statistics) const;

    // The clients' keys and their calls, most calls first.
    [[nodiscard]] std::vector<std::pair<qint64, qint64>> clientsByCalls() const;

private:
    static constexpr qsizetype dayLength = 10; // "yyyy-MM-dd"

    // The day's place from the first, or -1 for a day out of the range or not a real one.
    [[nodiscard]] qsizetype dayIndex(const char* day);

    qint64 m_firstDay;
    std::vector<qint64> m_perHour; // 24 per day from the first
    KeyCounter m_perWorkstation{1024};
    KeyCounter m_perClient{qint64(1) << 22};
    // Calls come mostly in date order: the day of the one before is at hand.
    std::array<char, dayLength> m_lastDay{};
    qsizetype m_lastDayIndex = -1;
};
