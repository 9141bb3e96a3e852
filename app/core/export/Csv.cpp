#include "export/Csv.h"

#include <algorithm>

namespace {
bool looksLikeFormula(QByteArrayView field)
{
    if (field.isEmpty())
        return false;
    const char first = field.front();
    if (first != '=' && first != '+' && first != '-' && first != '@' && first != '\t' &&
        first != '\r')
        return false;
    // A signed number stays a number.
    bool number = false;
    field.toByteArray().toDouble(&number);
    return !number;
}

bool needsQuotes(QByteArrayView field)
{
    return std::any_of(field.begin(), field.end(), [](char c) {
        return c == Csv::separator || c == '"' || c == '\n' || c == '\r';
    });
}
} // namespace

namespace Csv {

QByteArray byteOrderMark()
{
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

void appendField(QByteArrayView field, bool firstOfLine, QByteArray* out)
{
    if (!firstOfLine)
        out->append(separator);
    const bool quoted = needsQuotes(field);
    if (quoted)
        out->append('"');
    if (looksLikeFormula(field))
        out->append('\'');
    if (!quoted) {
        out->append(field);
        return;
    }
    for (const char c : field) {
        if (c == '"')
            out->append('"');
        out->append(c);
    }
    out->append('"');
}

void endLine(QByteArray* out)
{
    out->append("\r\n", 2);
}

void appendLine(const QStringList& fields, QByteArray* out)
{
    bool first = true;
    for (const QString& field : fields) {
        appendField(field.toUtf8(), first, out);
        first = false;
    }
    endLine(out);
}

} // namespace Csv
