#include "export/CellText.h"

#include "database/DateText.h"

#include <QDate>
#include <QTime>

namespace {
// The number written at text[from, from + digits), or -1 when a character is not a digit.
int digitsAt(QStringView text, int from, int digits)
{
    int number = 0;
    for (int i = from; i < from + digits; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c - u'0');
    }
    return number;
}
} // namespace

CellText::CellText(QLocale locale)
    : m_locale(std::move(locale))
{}

const QString& CellText::dayText(int year, int month, int day)
{
    const QDate date(year, month, day);
    const auto found = m_days.constFind(date.toJulianDay());
    if (found != m_days.cend())
        return *found;
    return *m_days.insert(date.toJulianDay(), DateText::regionalDate(date, m_locale));
}

const QString& CellText::timeText(int secondOfDay)
{
    const auto found = m_times.constFind(secondOfDay);
    if (found != m_times.cend())
        return *found;
    return *m_times.insert(secondOfDay,
                           DateText::regionalTime(QTime(0, 0).addSecs(secondOfDay), m_locale));
}

QString CellText::text(const QVariant& stored, ListColumn::Format format)
{
    switch (format) {
    case ListColumn::Format::Text:
        return stored.toString();
    case ListColumn::Format::YesNo:
        // Null counts as No.
        return stored.toLongLong() != 0 ? QStringLiteral("Sí") : QStringLiteral("No");
    case ListColumn::Format::Date:
    case ListColumn::Format::DateTime:
        break;
    }
    if (stored.isNull())
        return QString();
    // "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", read digit by digit: parsing a million moments
    // through QDateTime would take longer than the rest of an export.
    const QString value = stored.toString();
    const QStringView text(value);
    const int year = text.size() >= 10 ? digitsAt(text, 0, 4) : -1;
    const int month = year >= 0 ? digitsAt(text, 5, 2) : -1;
    const int day = month >= 0 ? digitsAt(text, 8, 2) : -1;
    if (day < 0 || !QDate::isValid(year, month, day))
        return value;
    if (format == ListColumn::Format::Date)
        return dayText(year, month, day);
    const int hour = text.size() >= 19 ? digitsAt(text, 11, 2) : 0;
    const int minute = text.size() >= 19 ? digitsAt(text, 14, 2) : 0;
    const int second = text.size() >= 19 ? digitsAt(text, 17, 2) : 0;
    if (!QTime::isValid(hour, minute, second))
        return value;
    return dayText(year, month, day) + QLatin1Char(' ') +
           timeText(hour * 3600 + minute * 60 + second);
}
