#include "export/Csv.h"

namespace {
bool looksLikeFormula(const QString& field)
{
    if (field.isEmpty())
        return false;
    const QChar first = field.front();
    if (first != u'=' && first != u'+' && first != u'-' && first != u'@' && first != u'\t' &&
        first != u'\r')
        return false;
    // A signed number stays a number.
    bool number = false;
    field.toDouble(&number);
    return !number;
}
} // namespace

namespace Csv {

QByteArray byteOrderMark()
{
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

void appendLine(const QStringList& fields, QByteArray* out)
{
    bool first = true;
    for (const QString& field : fields) {
        if (!first)
            out->append(separator);
        first = false;
        const QByteArray bytes =
            looksLikeFormula(field) ? QByteArray("'") + field.toUtf8() : field.toUtf8();
        const bool quoted = bytes.contains(separator) || bytes.contains('"') ||
                            bytes.contains('\n') || bytes.contains('\r');
        if (!quoted) {
            out->append(bytes);
            continue;
        }
        out->append('"');
        for (const char c : bytes) {
            if (c == '"')
                out->append('"');
            out->append(c);
        }
        out->append('"');
    }
    out->append("\r\n");
}

} // namespace Csv
