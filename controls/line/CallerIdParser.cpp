#include "CallerIdParser.h"

namespace {

struct Tag
{
    qsizetype start = -1; // where the tag's name begins
    qsizetype value = -1; // where its value begins, after "=" and any blanks
    [[nodiscard]] bool found() const { return start >= 0; }
};

// Finds `name`, optional blanks, "=", optional blanks, starting the search at `from`. The blanks
// are optional because modems write both "DATE = 1205" and "DATE=1205".
Tag findTag(const QString& text, QLatin1String name, qsizetype from = 0)
{
    for (qsizetype at = text.indexOf(name, from); at >= 0; at = text.indexOf(name, at + 1)) {
        qsizetype i = at + name.size();
        while (i < text.size() && text.at(i) == QLatin1Char(' '))
            ++i;
        if (i >= text.size() || text.at(i) != QLatin1Char('='))
            continue;
        ++i;
        while (i < text.size() && text.at(i) == QLatin1Char(' '))
            ++i;
        return {at, i};
    }
    return {};
}

// The 4 characters of a DATE or TIME value; shorter while the rest has not arrived yet.
QString fieldOf(const QString& text, const Tag& tag)
{
    return text.mid(tag.value, 4);
}

// The number runs up to its line end; it is complete only once that line end has arrived and
// something stands before it. Returns the index of the line end, or -1.
qsizetype numberLineEnd(const QString& text, const Tag& tag)
{
    for (qsizetype i = tag.value; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return i > tag.value ? i : -1;
    }
    return -1;
}

int twoDigits(const QString& field, qsizetype at)
{
    const QChar tens = field.at(at);
    const QChar units = field.at(at + 1);
    if (tens < QLatin1Char('0') || tens > QLatin1Char('9') || units < QLatin1Char('0') ||
        units > QLatin1Char('9'))
        return -1;
    return (tens.unicode() - '0') * 10 + (units.unicode() - '0');
}

// The clock's date-time in whole seconds.
QDateTime clockDateTime(const QDateTime& now)
{
    QDateTime result = now;
    result.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return result;
}

// MMDD of the current year and HHMM with seconds 0; anything that is no real date or time
// gives the clock's own date-time, so the call is still reported.
QDateTime recordDateTime(const QString& date, const QString& time, const QDateTime& now)
{
    const QDate day(now.date().year(), twoDigits(date, 0), twoDigits(date, 2));
    const QTime clockTime(twoDigits(time, 0), twoDigits(time, 2), 0);
    if (day.isValid() && clockTime.isValid()) {
        QDateTime result(day, clockTime);
        if (result.isValid())
            return result;
    }
    return clockDateTime(now);
}

// The number as sent; P (private) and O (out of area), in either case and with any blanks the
// modem pads them with, are the withheld mark "0".
QString numberOf(const QString& field)
{
    const QString upper = field.trimmed().toUpper();
    if (upper == QLatin1String("P") || upper == QLatin1String("O"))
        return QStringLiteral("0");
    return field;
}

// "D", "DA", ... "DATE =": the beginning of a tag whose value has not arrived yet.
constexpr qsizetype MaxTagPrefix = 16;

bool isTagStart(QStringView text, QLatin1String name)
{
    const qsizetype nameLength = qMin(text.size(), name.size());
    if (text.left(nameLength) != name.left(nameLength))
        return false;
    bool seenEquals = false;
    for (const QChar c : text.mid(nameLength)) {
        if (c == QLatin1Char('=') && !seenEquals)
            seenEquals = true;
        else if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// How much of text, up to and including the line end at lineEnd (CR LF counts as one).
qsizetype throughLineEnd(const QString& text, qsizetype lineEnd)
{
    qsizetype consumed = lineEnd + 1;
    if (text.at(lineEnd) == QLatin1Char('\r') && consumed < text.size() &&
        text.at(consumed) == QLatin1Char('\n'))
        ++consumed;
    return consumed;
}

// The first line end at or after from, or -1.
qsizetype lineEndFrom(const QString& text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n'))
            return i;
    }
    return -1;
}

// A number line with no DATE ahead of it, as modems on lines whose caller ID comes by tones
// (DTMF) send it: the record is the number alone, reported at the computer's clock.
enum class NumberOnly
{
    Waiting,  // its line end has not arrived yet
    Reported, // record holds it; `used` characters of text were its own
    Dropped,  // an empty number: `used` characters are to be thrown away
};

NumberOnly numberOnlyRecordIn(const QString& text, const Tag& number,
                              const CallerIdParser::Clock& clock, CallerIdRecord& record,
                              qsizetype& used)
{
    const qsizetype lineEnd = lineEndFrom(text, number.value);
    if (lineEnd < 0)
        return NumberOnly::Waiting;
    used = throughLineEnd(text, lineEnd);
    if (lineEnd == number.value)
        return NumberOnly::Dropped;
    record.number = numberOf(text.mid(number.value, lineEnd - number.value));
    record.dateTime = clockDateTime(clock());
    return NumberOnly::Reported;
}

// The record in text, which starts with its DATE tag; returns how much of text it used, 0 while
// it is incomplete.
qsizetype recordIn(const QString& text, const Tag& date, const CallerIdParser::Clock& clock,
                   CallerIdRecord& record)
{
    const Tag time = findTag(text, QLatin1String("TIME"));
    // "DDN_NMBR" ends in the same tag.
    const Tag number = findTag(text, QLatin1String("NMBR"));
    if (!time.found() || !number.found())
        return 0;
    const QString dateField = fieldOf(text, date);
    const QString timeField = fieldOf(text, time);
    if (dateField.size() != 4 || timeField.size() != 4)
        return 0;
    const qsizetype lineEnd = numberLineEnd(text, number);
    if (lineEnd < 0)
        return 0;

    record.number = numberOf(text.mid(number.value, lineEnd - number.value));
    record.dateTime = recordDateTime(dateField, timeField, clock());

    // What follows the number line may already be the next record.
    qsizetype consumed = throughLineEnd(text, lineEnd);
    consumed = qMax(consumed, qMax(date.value, time.value) + 4);
    return qMin(consumed, text.size());
}

} // namespace

CallerIdParser::CallerIdParser(Clock clock)
    : m_clock(std::move(clock))
{}

std::vector<CallerIdRecord> CallerIdParser::feed(const QByteArray& chunk)
{
    std::vector<CallerIdRecord> records;
    if (m_buffer.size() > BufferLimit) {
        // Keep only the start of a tag cut by the chunk boundary, so its record lives.
        qsizetype keep = 0;
        for (qsizetype at = qMax(qsizetype(0), m_buffer.size() - MaxTagPrefix);
             at < m_buffer.size() && keep == 0; ++at) {
            const QStringView tail = QStringView(m_buffer).mid(at);
            if (isTagStart(tail, QLatin1String("DATE")) || isTagStart(tail, QLatin1String("NMBR")))
                keep = tail.size();
        }
        m_buffer = m_buffer.right(keep);
    }
    m_buffer += QString::fromLatin1(chunk);

    CallerIdRecord record;
    while (takeRecord(record))
        records.push_back(record);
    return records;
}

bool CallerIdParser::takeRecord(CallerIdRecord& record)
{
    static constexpr QLatin1String Date("DATE");
    while (true) {
        const Tag date = findTag(m_buffer, Date);
        // "DDN_NMBR" ends in the same tag.
        const Tag number = findTag(m_buffer, QLatin1String("NMBR"));
        if (number.found() && (!date.found() || number.start < date.start)) {
            // A record that starts before this number line has ended cuts it short.
            const QString text = date.found() ? m_buffer.left(date.start) : m_buffer;
            qsizetype used = 0;
            switch (numberOnlyRecordIn(text, number, m_clock, record, used)) {
            case NumberOnly::Reported:
                m_buffer.remove(0, used);
                return true;
            case NumberOnly::Dropped:
                m_buffer.remove(0, used);
                continue;
            case NumberOnly::Waiting:
                if (!date.found()) {
                    // Only the number line is still of use.
                    m_buffer.remove(0, number.start);
                    return false;
                }
                m_buffer.remove(0, date.start);
                continue;
            }
        }
        // Text ahead of the first DATE tag belongs to no record.
        if (!date.found())
            return false;
        if (date.start > 0) {
            m_buffer.remove(0, date.start);
            continue;
        }
        // The record reaches up to the next DATE tag, where a new one starts.
        const Tag next = findTag(m_buffer, Date, 1);
        const QString text = next.found() ? m_buffer.left(next.start) : m_buffer;
        if (const qsizetype used = recordIn(text, date, m_clock, record); used > 0) {
            m_buffer.remove(0, used);
            return true;
        }
        if (!next.found())
            return false;
        m_buffer.remove(0, next.start); // a record cut short by a new one is given up
    }
}
