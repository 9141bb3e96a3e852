#include "HelpSearch.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace {

// The search page itself only lists topics; it would match everything.
const QLatin1String searchPageName("buscar.html");

struct Page
{
    QString title;
    QString text;
};

Page readPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    return {document.metaInformation(QTextDocument::DocumentTitle),
            document.toPlainText().simplified()};
}

QString excerptAround(const QString& text, qsizetype position, qsizetype length)
{
    constexpr qsizetype context = 70;
    const qsizetype start = std::max<qsizetype>(0, position - context);
    const qsizetype end = std::min(text.size(), position + length + context);
    QString excerpt = text.mid(start, end - start);
    if (start > 0)
        excerpt.prepend(QStringLiteral("…"));
    if (end < text.size())
        excerpt.append(QStringLiteral("…"));
    return excerpt;
}

} // namespace

HelpSearch::HelpSearch(QString helpFolder)
    : m_folder(std::move(helpFolder))
{}

QString HelpSearch::folded(const QString& text)
{
    // Decomposing splits "ó" into "o" and a combining accent, which is then dropped; each
    // character of composed text folds to exactly one, so positions stay aligned.
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c.toCaseFolded());
    }
    return result;
}

QList<HelpSearch::Hit> HelpSearch::find(const QString& query) const
{
    const QStringList words =
        folded(query).split(QRegularExpression(QStringLiteral("\\W+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};

    QList<Hit> hits;
    const QDir folder(m_folder);
    const QStringList files = folder.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        if (name.compare(searchPageName, Qt::CaseInsensitive) == 0)
            continue;
        const QString path = folder.filePath(name);
        const Page page = readPage(path);
        const QString plain = page.text.normalized(QString::NormalizationForm_C);
        const QString haystack = folded(plain);
        Hit hit{path, page.title.isEmpty() ? name : page.title, {}, 0};
        bool everyWord = true;
        for (const QString& word : words) {
            const qsizetype count = haystack.count(word);
            if (count == 0) {
                everyWord = false;
                break;
            }
            hit.occurrences += static_cast<int>(count);
        }
        if (!everyWord)
            continue;
        const qsizetype at = haystack.indexOf(words.first());
        hit.excerpt = excerptAround(plain, std::min(at, plain.size()), words.first().size());
        hits.append(hit);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        if (a.occurrences != b.occurrences)
            return a.occurrences > b.occurrences;
        return a.title.localeAwareCompare(b.title) < 0;
    });
    return hits;
}

QString HelpSearch::resultsHtml(const QString& query, const QList<Hit>& hits)
{
    QString html = QStringLiteral("<html><head><title>Buscar</title></head><body>"
                                  "<h2>Resultados de la búsqueda</h2>");
    if (hits.isEmpty()) {
        html += QStringLiteral("<p>Ninguna página de la ayuda contiene «%1».</p>")
                    .arg(query.toHtmlEscaped());
    } else {
        html += QStringLiteral("<p>%1 para «%2»:</p>")
                    .arg(hits.size() == 1 ? QStringLiteral("Una página")
                                          : QStringLiteral("%1 páginas").arg(hits.size()),
                         query.toHtmlEscaped());
        for (const Hit& hit : hits) {
            html += QStringLiteral("<p><a href=\"%1\"><b>%2</b></a><br/>%3</p>")
                        .arg(QUrl::fromLocalFile(hit.filePath).toString(QUrl::FullyEncoded),
                             hit.title.toHtmlEscaped(), hit.excerpt.toHtmlEscaped());
        }
    }
    html += QStringLiteral("</body></html>");
    return html;
}
