#include "export/CellText.h"

#include "database/DatabaseConnection.h"
#include "database/DateText.h"

#include <QDate>
#include <QTime>

namespace {
constexpr int secondsPerDay = 24 * 3600;
using DateText::storedNumber;
} // namespace

CellText::CellText(QLocale locale)
    : m_locale(std::move(locale))
{}

const QByteArray& CellText::dayText(int year, int month, int day)
{
    const QDate date(year, month, day);
    const auto found = m_days.constFind(date.toJulianDay());
    if (found != m_days.cend())
        return *found;
    return *m_days.insert(date.toJulianDay(), DateText::regionalDate(date, m_locale).toUtf8());
}

const QByteArray& CellText::timeText(int secondOfDay)
{
    if (m_times.empty())
        m_times.resize(secondsPerDay);
    QByteArray& text = m_times[static_cast<size_t>(secondOfDay)];
    if (text.isEmpty())
        text = DateText::regionalTime(QTime(0, 0).addSecs(secondOfDay), m_locale).toUtf8();
    return text;
}

QByteArrayView CellText::text(const StoredRow& row, int column, ListColumn::Format format)
{
    switch (format) {
    case ListColumn::Format::Text:
        return row.text(column);
    case ListColumn::Format::YesNo:
        // Null counts as No.
        return row.number(column) != 0 ? QByteArrayView("S\xC3\xAD") : QByteArrayView("No");
    case ListColumn::Format::Date:
    case ListColumn::Format::DateTime:
        break;
    }
    // "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", read digit by digit: parsing a million moments
    // through QDateTime would take longer than the rest of an export.
    const QByteArrayView stored = row.text(column);
    const int year = stored.size() >= 10 ? storedNumber(stored, 0, 4) : -1;
    const int month = year >= 0 ? storedNumber(stored, 5, 2) : -1;
    const int day = month >= 0 ? storedNumber(stored, 8, 2) : -1;
    if (day < 0 || !QDate::isValid(year, month, day))
        return stored;
    if (format == ListColumn::Format::Date)
        return dayText(year, month, day);
    const int hour = stored.size() >= 19 ? storedNumber(stored, 11, 2) : 0;
    const int minute = stored.size() >= 19 ? storedNumber(stored, 14, 2) : 0;
    const int second = stored.size() >= 19 ? storedNumber(stored, 17, 2) : 0;
    if (!QTime::isValid(hour, minute, second))
        return stored;
    const QByteArray& date = dayText(year, month, day);
    const QByteArray& time = timeText(hour * 3600 + minute * 60 + second);
    // Assembled in one buffer that keeps its room from row to row.
    m_dateTime.resize(date.size() + 1 + time.size());
    char* out = std::copy(date.cbegin(), date.cend(), m_dateTime.begin());
    *out++ = ' ';
    std::copy(time.cbegin(), time.cend(), out);
    return m_dateTime;
}
