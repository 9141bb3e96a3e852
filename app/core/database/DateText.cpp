#include "database/DateText.h"

#include <QRegularExpression>

namespace {
const QString dateForm = QStringLiteral("yyyy-MM-dd");
const QString dateTimeForm = QStringLiteral("yyyy-MM-dd HH:mm:ss");
} // namespace

namespace DateText {

QString storedDate(const QDate& date)
{
    return date.isValid() ? date.toString(dateForm) : QString();
}

QString storedDateTime(const QDateTime& dateTime)
{
    return dateTime.isValid() ? dateTime.toString(dateTimeForm) : QString();
}

QDate dateFromStored(const QString& text)
{
    // A day may also arrive as a moment; its date part is the day.
    return QDate::fromString(text.left(dateForm.size()), dateForm);
}

QDateTime dateTimeFromStored(const QString& text)
{
    if (text.size() == dateForm.size())
        return QDateTime(dateFromStored(text), QTime(0, 0));
    QString normalized = text.left(dateTimeForm.size());
    normalized.replace(QLatin1Char('T'), QLatin1Char(' '));
    return QDateTime::fromString(normalized, dateTimeForm);
}

int storedNumber(QByteArrayView stored, qsizetype from, qsizetype digits)
{
    int number = 0;
    for (qsizetype i = from; i < from + digits; ++i) {
        const char c = stored.at(i);
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

QString startOfDay(const QDate& date)
{
    return storedDate(date) + QStringLiteral(" 00:00:00");
}

QString endOfDay(const QDate& date)
{
    return storedDate(date) + QStringLiteral(" 23:59:59");
}

QString shortDateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // "yy" alone would read 24 back as 1924.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString timeFormat(const QLocale& locale)
{
    // Without the time zone, which the workstation's clock text does not carry. Letters in
    // quotes are text, not fields; a zone some regions show in brackets ("H:mm:ss (t)") takes
    // its brackets along.
    const QString longFormat = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : longFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('t'))
            continue;
        format += c;
    }
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]"));
    format.remove(emptyBrackets);
    format = format.simplified();
    if (!format.contains(QLatin1Char('s')))
        format += QStringLiteral(":ss");
    return format;
}

QString regionalDate(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, shortDateFormat(locale));
}

QString regionalTime(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, timeFormat(locale));
}

QDate dateFromRegional(const QString& text, const QLocale& locale)
{
    return locale.toDate(text.trimmed(), shortDateFormat(locale));
}

QTime timeFromRegional(const QString& text, const QLocale& locale)
{
    return locale.toTime(text.trimmed(), timeFormat(locale));
}

QString regionalDateTime(const QDateTime& dateTime, const QLocale& locale)
{
    return regionalDate(dateTime.date(), locale) + QLatin1Char(' ') +
           regionalTime(dateTime.time(), locale);
}

QDateTime dateTimeFromRegional(const QString& text, const QLocale& locale)
{
    return locale.toDateTime(text.trimmed(),
                             shortDateFormat(locale) + QLatin1Char(' ') + timeFormat(locale));
}

} // namespace DateText
