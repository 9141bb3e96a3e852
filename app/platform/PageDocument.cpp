#include "PageDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QTextObjectInterface>

namespace {

// Stands in for Qt's own image handler, which reads the file a picture names when the document
// gives it nothing (and would wait for ever on a named pipe).
class NoPicture final : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat&) override { return {0, 0}; }
    void drawObject(QPainter*, const QRectF&, QTextDocument*, int, const QTextFormat&) override {}
};

} // namespace

PageDocument::PageDocument(QObject* parent)
    : QTextDocument(parent)
{
    documentLayout()->registerHandler(QTextFormat::ImageObject, new NoPicture(this));
}

void PageDocument::setPage(const QString& html)
{
    static const QRegularExpression link(QStringLiteral("<link\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString page = html;
    page.remove(link);
    setHtml(page);
}

QVariant PageDocument::loadResource(int, const QUrl&)
{
    return {};
}

#include "PageDocument.moc"
