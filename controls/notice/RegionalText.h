#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// Dates and times as the workstation writes them: its regional short forms, except that a year
// always shows four digits, so a call of 1999 never reads like one of 2099.
[[nodiscard]] QString shortDateText(const QDate& date, const QLocale& locale = QLocale());
[[nodiscard]] QString shortTimeText(const QTime& time, const QLocale& locale = QLocale());

// The locale's short date format with its year widened to four digits.
[[nodiscard]] QString fourDigitYearFormat(const QString& format);
