#include "statistics/CallTally.h"

#include "database/DateText.h"

#include <algorithm>
#include <cstring>

using DateText::storedNumber;

std::vector<std::pair<qint64, qint64>> KeyCounter::counts() const
{
    std::vector<std::pair<qint64, qint64>> counts;
    for (size_t key = 0; key < m_small.size(); ++key) {
        if (m_small[key] != 0)
            counts.emplace_back(static_cast<qint64>(key), m_small[key]);
    }
    for (auto it = m_other.cbegin(); it != m_other.cend(); ++it)
        counts.emplace_back(it.key(), it.value());
    return counts;
}

void KeyCounter::merge(const KeyCounter& other)
{
    if (m_small.size() < other.m_small.size())
        m_small.resize(other.m_small.size());
    for (size_t key = 0; key < other.m_small.size(); ++key)
        m_small[key] += other.m_small[key];
    for (auto it = other.m_other.cbegin(); it != other.m_other.cend(); ++it)
        m_other[it.key()] += it.value();
}

CallTally::CallTally(const QDate& firstDay, const QDate& lastDay)
    : m_firstDay(firstDay.toJulianDay())
    , m_perHour(static_cast<size_t>(std::max<qint64>(0, lastDay.toJulianDay() - m_firstDay + 1)) *
                24)
{}

qsizetype CallTally::dayIndex(const char* day)
{
    if (m_lastDayIndex >= 0 && std::memcmp(day, m_lastDay.data(), m_lastDay.size()) == 0)
        return m_lastDayIndex;
    const QByteArrayView text(day, dayLength);
    const QDate date(storedNumber(text, 0, 4), storedNumber(text, 5, 2), storedNumber(text, 8, 2));
    if (!date.isValid())
        return -1;
    const qint64 index = date.toJulianDay() - m_firstDay;
    if (index < 0 || static_cast<size_t>(index) * 24 >= m_perHour.size())
        return -1;
    std::memcpy(m_lastDay.data(), day, m_lastDay.size());
    m_lastDayIndex = index;
    return index;
}

void CallTally::add(QByteArrayView fecha, int puesto, qint64 cliente)
{
    if (fecha.size() < 13)
        return;
    const qsizetype day = dayIndex(fecha.data());
    const int hour = storedNumber(fecha, 11, 2);
    if (day < 0 || hour < 0 || hour > 23)
        return;
    ++m_perHour[static_cast<size_t>(day * 24 + hour)];
    m_perWorkstation.add(puesto);
    if (cliente != 0)
        m_perClient.add(cliente);
}

void CallTally::merge(const CallTally& other)
{
    for (size_t hour = 0; hour < m_perHour.size() && hour < other.m_perHour.size(); ++hour)
        m_perHour[hour] += other.m_perHour[hour];
    m_perWorkstation.merge(other.m_perWorkstation);
    m_perClient.merge(other.m_perClient);
}

void CallTally::fill(CallStatistics* statistics) const
{
    // Every day from the first to the last with calls, those between without calls too.
    qsizetype first = -1;
    qsizetype last = -1;
    for (size_t hour = 0; hour < m_perHour.size(); ++hour) {
        if (m_perHour[hour] == 0)
            continue;
        last = static_cast<qsizetype>(hour / 24);
        if (first < 0)
            first = last;
    }
    for (qsizetype day = first; first >= 0 && day <= last; ++day) {
        const QDate date = QDate::fromJulianDay(m_firstDay + day);
        qint64 calls = 0;
        for (int hour = 0; hour < 24; ++hour) {
            const qint64 inHour = m_perHour[static_cast<size_t>(day * 24 + hour)];
            statistics->byHour.at(hour) += inHour;
            calls += inHour;
        }
        statistics->days.append(date);
        statistics->callsPerDay.append(calls);
        statistics->byWeekday.at(date.dayOfWeek() - 1) += calls;
        statistics->total += calls;
    }
    for (const auto& [puesto, calls] : m_perWorkstation.counts())
        statistics->perWorkstation.insert(static_cast<int>(puesto), calls);
}

std::vector<std::pair<qint64, qint64>> CallTally::clientsByCalls() const
{
    std::vector<std::pair<qint64, qint64>> clients = m_perClient.counts();
    std::sort(clients.begin(), clients.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    return clients;
}
