#pragma once

#include "lineo_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// One caller-ID record as reported to the host.
struct CallerIdRecord
{
    // As sent up to its line end ("0" for a withheld or unavailable number); may carry blanks.
    QString number;
    QDateTime dateTime;
};

// Turns the text a modem sends between the rings into caller-ID records. Pure: no I/O, fed the
// chunks as they arrive in whatever pieces the serial driver hands over.
//
// A record holds a DATE, a TIME and a number tag (NMBR or DDN_NMBR), in the forms
// "DATE = 1205" or "DATE=1205", each line ended by CR, LF or both. Other lines (RING, NAME,
// MESG, echoes, result codes) are collected and ignored. A new record starts at a DATE tag. A
// number line with no DATE ahead of it is a record of its own (modems on lines that signal the
// caller by tones send only the number), reported with the clock's date and time. Text piling
// up beyond BufferLimit characters without a record is thrown away.
class LINEO_EXPORT CallerIdParser
{
public:
    using Clock = std::function<QDateTime()>;

    // The clock gives the year of the record's MMDD date, and the whole date-time when the
    // record's date or time is not a valid one.
    explicit CallerIdParser(Clock clock = &QDateTime::currentDateTime);

    // Adds one received chunk; returns the records it completed, in order.
    [[nodiscard]] std::vector<CallerIdRecord> feed(const QByteArray& chunk);
    void reset() { m_buffer.clear(); }
    // The text kept for a record still incomplete.
    [[nodiscard]] const QString& pending() const { return m_buffer; }

    // Far above the longest record a modem can send (a caller-ID message carries at most 255
    // bytes, which a modem writes as tagged lines, at worst in hexadecimal), so that no record
    // is lost even when it arrives one byte at a time; still bounded against a noisy line.
    static constexpr qsizetype BufferLimit = 1024;

private:
    bool takeRecord(CallerIdRecord& record);

    Clock m_clock;
    QString m_buffer;
};
