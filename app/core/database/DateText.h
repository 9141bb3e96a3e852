#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates in the file are ISO 8601 text, which sorts and compares as text:
// a day "yyyy-MM-dd" (FIngreso), a moment "yyyy-MM-dd HH:mm:ss" (Fecha), whole seconds.
namespace DateText {
[[nodiscard]] QString storedDate(const QDate& date);
[[nodiscard]] QString storedDateTime(const QDateTime& dateTime);
[[nodiscard]] QDate dateFromStored(const QString& text);
[[nodiscard]] QDateTime dateTimeFromStored(const QString& text);
// The number written at stored[from, from + digits) of a stored date or moment read as bytes
// (a long list's cells), or -1 when a character there is not a digit.
[[nodiscard]] int storedNumber(QByteArrayView stored, qsizetype from, qsizetype digits);
// First and last moment of a day, as stored.
[[nodiscard]] QString startOfDay(const QDate& date);
[[nodiscard]] QString endOfDay(const QDate& date);

// The workstation's regional short date, always with a four-digit year so that it reads back
// as the same day, and its time with seconds.
[[nodiscard]] QString shortDateFormat(const QLocale& locale = QLocale());
[[nodiscard]] QString timeFormat(const QLocale& locale = QLocale());
[[nodiscard]] QString regionalDate(const QDate& date, const QLocale& locale = QLocale());
[[nodiscard]] QString regionalTime(const QTime& time, const QLocale& locale = QLocale());
[[nodiscard]] QDate dateFromRegional(const QString& text, const QLocale& locale = QLocale());
[[nodiscard]] QTime timeFromRegional(const QString& text, const QLocale& locale = QLocale());
// Date text + " " + time text, as the call logging writes it.
[[nodiscard]] QString regionalDateTime(const QDateTime& dateTime,
                                       const QLocale& locale = QLocale());
[[nodiscard]] QDateTime dateTimeFromRegional(const QString& text,
                                             const QLocale& locale = QLocale());
} // namespace DateText
