#include "RegionalText.h"

QString fourDigitYearFormat(const QString& format)
{
    QString widened;
    widened.reserve(format.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            widened += c;
            continue;
        }
        if (quoted || c != QLatin1Char('y')) {
            widened += c;
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('y'))
            ++i;
        widened += QLatin1String("yyyy");
    }
    return widened;
}

QString shortDateText(const QDate& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    return locale.toString(date, fourDigitYearFormat(locale.dateFormat(QLocale::ShortFormat)));
}

QString shortTimeText(const QTime& time, const QLocale& locale)
{
    if (!time.isValid())
        return {};
    return locale.toString(time, QLocale::ShortFormat);
}
