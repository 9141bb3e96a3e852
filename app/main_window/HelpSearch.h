#pragma once

#include <QList>
#include <QString>

// Full-text search over the help pages of one folder. Every word of the query must appear on a
// page; case and accents are ignored, so "modem" finds "Módem".
class HelpSearch
{
public:
    struct Hit
    {
        QString filePath;
        QString title;
        QString excerpt;
        int occurrences = 0;
    };

    explicit HelpSearch(QString helpFolder);

    // Best pages first (most occurrences), then by title.
    [[nodiscard]] QList<Hit> find(const QString& query) const;
    // The result page shown in the help window.
    [[nodiscard]] static QString resultsHtml(const QString& query, const QList<Hit>& hits);

    // Lower case without accents, for comparing.
    [[nodiscard]] static QString folded(const QString& text);

private:
    QString m_folder;
};
