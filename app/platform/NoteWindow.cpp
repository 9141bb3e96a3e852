#include "NoteWindow.h"

#include "DesktopPlacement.h"
#include "PageDocument.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QTextDocument>
#include <QTextFrame>
#include <QToolButton>

namespace {

constexpr int margin = 6;
constexpr int topMargin = NoteWindow::titleHeight;
constexpr int shortestNote = 90;
constexpr int tallestNote = 360;
// Larger pages would only be a mistake; the window shows this much of them.
constexpr qint64 largestPage = 1024 * 1024;

} // namespace

NoteWindow::NoteWindow(const QString& pagePath)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint)
    , m_pagePath(pagePath)
    , m_document(new PageDocument(this))
{
    setObjectName(QStringLiteral("NoteWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Nota"));
    setMinimumSize(smallestNote);
    setMaximumSize(largestNote);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("cmdQuitar"));
    m_close->setText(QStringLiteral("×"));
    m_close->setToolTip(QStringLiteral("Quitar del escritorio"));
    m_close->setAutoRaise(true);
    m_close->setFixedSize(16, 16);
    m_close->setCursor(Qt::ArrowCursor);
    connect(m_close, &QToolButton::clicked, this, &NoteWindow::removeRequested);

    m_menu = new QMenu(this);
    m_remove = m_menu->addAction(QStringLiteral("Quitar del escritorio"));
    connect(m_remove, &QAction::triggered, this, &NoteWindow::removeRequested);

    auto* grip = new QSizeGrip(this);
    grip->setObjectName(QStringLiteral("grip"));
    grip->resize(10, 10);

    reload();
}

NoteWindow::~NoteWindow() = default;

QTextDocument* NoteWindow::document() const
{
    return m_document;
}

bool NoteWindow::reload()
{
    QFile page(m_pagePath);
    if (!page.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = page.read(largestPage);
    if (page.error() != QFileDevice::NoError)
        return false;
    m_html = QString::fromUtf8(bytes);
    m_document->setPage(m_html);
    layoutDocument();
    update();
    return true;
}

QColor NoteWindow::paperColor() const
{
    const QBrush background = m_document->rootFrame()->frameFormat().background();
    return background.style() == Qt::NoBrush ? QColor(Qt::white) : background.color();
}

QSize NoteWindow::preferredSize() const
{
    return {noteWidth, preferredHeight(noteWidth)};
}

int NoteWindow::preferredHeight(int width) const
{
    PageDocument measure;
    measure.setDefaultFont(m_document->defaultFont());
    measure.setPage(m_html);
    measure.setTextWidth(qMax(10, width - 2 * margin));
    return qBound(shortestNote, topMargin + margin + static_cast<int>(measure.size().height()),
                  tallestNote);
}

void NoteWindow::fitPage()
{
    const int height = preferredHeight(width());
    if (height > this->height())
        resize(width(), height);
}

void NoteWindow::layoutDocument()
{
    m_document->setTextWidth(qMax(10, width() - 2 * margin));
}

void NoteWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    DesktopPlacement::showOnAllWorkspaces(this);
}

void NoteWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor paper = paperColor();
    painter.fillRect(rect(), paper);
    painter.setPen(paper.darker(140));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.translate(margin, topMargin);
    const QRectF text(0, 0, width() - 2 * margin, height() - topMargin - margin);
    painter.setClipRect(text);
    m_document->drawContents(&painter, text);
}

void NoteWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutDocument();
    m_close->move(width() - m_close->width() - 2, 2);
    if (auto* grip = findChild<QSizeGrip*>(QStringLiteral("grip")))
        grip->move(width() - grip->width(), height() - grip->height());
    if (isVisible())
        emit placeChanged();
}

void NoteWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_moved = false;
    m_grabOffset = event->globalPosition().toPoint() - pos();
    event->accept();
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - m_grabOffset);
    m_moved = true;
    event->accept();
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (m_moved)
        emit placeChanged();
    event->accept();
}

void NoteWindow::contextMenuEvent(QContextMenuEvent* event)
{
    m_menu->popup(event->globalPos());
    event->accept();
}
