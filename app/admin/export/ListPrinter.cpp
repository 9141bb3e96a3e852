#include "ListPrinter.h"

#include "ProgramInfo.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "export/ListReader.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {
// A column never takes more than this many average characters of the page, nor less than 4.
constexpr qreal widestColumnChars = 40;
constexpr qreal columnGapChars = 1.5;

// What one printed page shows, sized on the printer.
class PageLayout
{
public:
    PageLayout(QPainter& painter, const QRectF& page, int columns)
        : m_page(page)
        , m_body(painter.font())
        , m_bold(painter.font())
        , m_title(painter.font())
        , m_widths(columns, 0)
    {
        m_body.setPointSizeF(9);
        m_bold.setPointSizeF(9);
        m_bold.setBold(true);
        m_title.setPointSizeF(13);
        m_title.setBold(true);
        const QFontMetricsF body(m_body, painter.device());
        m_rowHeight = body.height() * 1.25;
        m_gap = body.averageCharWidth() * columnGapChars;
        m_charWidth = body.averageCharWidth();
        const QFontMetricsF title(m_title, painter.device());
        m_headingHeight = title.height() * 1.2 + 2 * m_rowHeight + m_rowHeight * 1.4;
        m_footHeight = m_rowHeight * 1.5;
    }

    // The natural width of each column over some rows and the captions, then all of them fit
    // to the page.
    void fitColumns(QPainter& painter, const QStringList& captions, const QList<QStringList>& rows)
    {
        const QFontMetricsF body(m_body, painter.device());
        const QFontMetricsF bold(m_bold, painter.device());
        for (int c = 0; c < m_widths.size(); ++c) {
            qreal width = bold.horizontalAdvance(captions.value(c));
            for (const QStringList& row : rows)
                width = std::max(width, body.horizontalAdvance(oneLine(row.value(c))));
            m_widths[c] = std::clamp(width, 4 * m_charWidth, widestColumnChars * m_charWidth);
        }
        qreal total = 0;
        for (const qreal width : std::as_const(m_widths))
            total += width;
        const qreal room = m_page.width() - m_gap * static_cast<qreal>(m_widths.size() - 1);
        for (qreal& width : m_widths)
            width = width * room / std::max(total, 1.0);
    }

    [[nodiscard]] int rowsPerPage() const
    {
        return std::max(
            1, static_cast<int>((m_page.height() - m_headingHeight - m_footHeight) / m_rowHeight));
    }

    void drawHeading(QPainter& painter, const QString& title, const QString& description,
                     const QString& printed, const QStringList& captions) const
    {
        qreal y = m_page.top();
        painter.setFont(m_title);
        const QFontMetricsF titleMetrics(m_title, painter.device());
        painter.drawText(QRectF(m_page.left(), y, m_page.width(), titleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, title);
        y += titleMetrics.height() * 1.2;
        painter.setFont(m_body);
        const QFontMetricsF body(m_body, painter.device());
        painter.drawText(QRectF(m_page.left(), y, m_page.width(), m_rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         body.elidedText(description, Qt::ElideRight, m_page.width()));
        y += m_rowHeight;
        painter.drawText(QRectF(m_page.left(), y, m_page.width(), m_rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, printed);
        y += m_rowHeight * 1.4;
        painter.setFont(m_bold);
        drawRow(painter, y, captions);
        const qreal line = y + m_rowHeight;
        painter.drawLine(QPointF(m_page.left(), line), QPointF(m_page.right(), line));
        painter.setFont(m_body);
    }

    [[nodiscard]] qreal firstRowTop() const { return m_page.top() + m_headingHeight; }
    [[nodiscard]] qreal rowHeight() const { return m_rowHeight; }

    void drawRow(QPainter& painter, qreal y, const QStringList& texts) const
    {
        const QFontMetricsF metrics(painter.font(), painter.device());
        qreal x = m_page.left();
        for (int c = 0; c < m_widths.size(); ++c) {
            const QString text =
                metrics.elidedText(oneLine(texts.value(c)), Qt::ElideRight, m_widths.at(c));
            painter.drawText(QRectF(x, y, m_widths.at(c), m_rowHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, text);
            x += m_widths.at(c) + m_gap;
        }
    }

    void drawFoot(QPainter& painter, int page, int pages) const
    {
        painter.drawText(
            QRectF(m_page.left(), m_page.bottom() - m_rowHeight, m_page.width(), m_rowHeight),
            Qt::AlignHCenter | Qt::AlignVCenter,
            QStringLiteral("Página %1 de %2").arg(page).arg(pages));
    }

private:
    // Remarks may hold several lines; a printed row shows them on one.
    static QString oneLine(const QString& text)
    {
        QString line = text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" "));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        line.replace(QLatin1Char('\r'), QLatin1Char(' '));
        return line;
    }

    QRectF m_page;
    QFont m_body;
    QFont m_bold;
    QFont m_title;
    QList<qreal> m_widths;
    qreal m_rowHeight = 0;
    qreal m_gap = 0;
    qreal m_charWidth = 0;
    qreal m_headingHeight = 0;
    qreal m_footHeight = 0;
};
} // namespace

ListPrinter::ListPrinter(QString databasePath, Statement statement, QList<ListColumn> columns,
                         Heading heading)
    : m_databasePath(std::move(databasePath))
    , m_statement(std::move(statement))
    , m_columns(std::move(columns))
    , m_heading(std::move(heading))
{}

ListPrinter::Outcome ListPrinter::print(QPrinter* printer, const Progress& progress)
{
    Outcome outcome;
    ListReader reader(m_statement, m_columns);
    outcome.databaseError = reader.open(m_databasePath);
    QList<QStringList> rows;
    if (outcome.databaseError == DatabaseError::None)
        outcome.databaseError = reader.readPage(&rows);
    if (outcome.databaseError != DatabaseError::None)
        return outcome;

    QPainter painter;
    if (!painter.begin(printer)) {
        outcome.printerFailed = true;
        return outcome;
    }
    QStringList captions;
    for (const ListColumn& column : std::as_const(m_columns))
        captions << column.caption;
    PageLayout layout(painter,
                      printer->pageRect(QPrinter::DevicePixel)
                          .translated(-printer->pageRect(QPrinter::DevicePixel).topLeft()),
                      static_cast<int>(m_columns.size()));
    layout.fitColumns(painter, captions, rows);
    const int perPage = layout.rowsPerPage();
    const int pages = std::max(1, (reader.rowCount() + perPage - 1) / perPage);
    const QString title = ProgramInfo::title() + QStringLiteral(" — ") + m_heading.list;
    const QString printed =
        QStringLiteral("Impreso el ") + DateText::regionalDateTime(QDateTime::currentDateTime());

    int next = 0; // the next row of rows to print
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !printer->newPage()) {
            outcome.printerFailed = true;
            break;
        }
        layout.drawHeading(painter, title, m_heading.description, printed, captions);
        qreal y = layout.firstRowTop();
        for (int line = 0; line < perPage; ++line) {
            if (next == rows.size()) {
                rows.clear();
                next = 0;
                if (m_stop)
                    break;
                outcome.databaseError = reader.readPage(&rows);
                if (outcome.databaseError != DatabaseError::None || rows.isEmpty())
                    break;
            }
            layout.drawRow(painter, y, rows.at(next++));
            y += layout.rowHeight();
            ++outcome.rows;
        }
        layout.drawFoot(painter, page, pages);
        outcome.pages = page;
        if (progress)
            progress(outcome.rows, reader.rowCount());
        if (m_stop || outcome.databaseError != DatabaseError::None)
            break;
    }
    if (m_stop || outcome.databaseError != DatabaseError::None) {
        outcome.stopped = m_stop;
        printer->abort();
    }
    painter.end();
    return outcome;
}
