#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// CSV as the Spanish spreadsheets open it: UTF-8 with a byte-order mark, fields separated by
// ";", lines ended by CR LF, and a field quoted (its quotes doubled) when it holds the
// separator, a quote or a line break, as RFC 4180 says. A text that a spreadsheet would take
// for a formula ("=", "+", "-", "@", a tab or a CR first, and not a plain number) is written
// after an apostrophe, so that opening the file never runs what a caller's name says.
namespace Csv {
inline constexpr char separator = ';';
// The byte-order mark that tells the spreadsheet the file is UTF-8.
[[nodiscard]] QByteArray byteOrderMark();
// Appends one field given in UTF-8, after a separator unless it is the first of its line.
void appendField(QByteArrayView field, bool firstOfLine, QByteArray* out);
// Ends a line.
void endLine(QByteArray* out);
// Appends one whole line (its fields and the CR LF).
void appendLine(const QStringList& fields, QByteArray* out);
} // namespace Csv
