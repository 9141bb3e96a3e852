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
    const bool quoted = needsQuotes(field);
    if (!quoted && !looksLikeFormula(field)) {
        // Most fields: copied as they are into the room the buffer keeps.
        const qsizetype at = out->size();
        out->resize(at + (firstOfLine ? 0 : 1) + field.size());
        char* to = out->data() + at;
        if (!firstOfLine)
            *to++ = separator;
        std::copy(field.begin(), field.end(), to);
        return;
    }
    if (!firstOfLine)
        out->append(separator);
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
