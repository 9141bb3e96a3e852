#pragma once

#include <QTextDocument>

// A note page as a document: the page's own text and colours, and nothing from outside it. No
// picture, style sheet or other file named in the page is read, from the disk or the network,
// whatever the page holds: pictures take no room and draw nothing.
class PageDocument final : public QTextDocument
{
public:
    explicit PageDocument(QObject* parent = nullptr);

    // Takes the page's HTML. A <link> is left out: it only ever names a file, and Qt's parser
    // would hide everything after one that is not closed.
    void setPage(const QString& html);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};
