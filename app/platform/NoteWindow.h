#pragma once

#include <QPoint>
#include <QWidget>

class QAction;
class QMenu;
class PageDocument;
class QTextDocument;
class QToolButton;

// One page on the desktop: a small frameless window below ordinary windows, painted from the
// page's HTML (its colour, fonts and line breaks). It loads nothing from outside the page and
// follows no link. Dragging it anywhere moves it; "×" or "Quitar del escritorio" removes it.
class NoteWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit NoteWindow(const QString& pagePath);
    ~NoteWindow() override;

    [[nodiscard]] QString pagePath() const { return m_pagePath; }
    // Reads the page again; false when it cannot be read (the window keeps what it showed).
    bool reload();
    [[nodiscard]] QString html() const { return m_html; }
    [[nodiscard]] QTextDocument* document() const;
    // The paper colour, as the page's body gives it.
    [[nodiscard]] QColor paperColor() const;
    // The size that shows the whole page at the usual note width, within sensible bounds.
    [[nodiscard]] QSize preferredSize() const;
    // The height that shows the whole page at this width, within the same bounds.
    [[nodiscard]] int preferredHeight(int width) const;
    // Grows the note to show the page read last (a second note in the same second).
    void fitPage();
    [[nodiscard]] QToolButton* closeButton() const { return m_close; }
    // The context menu and its one entry, "Quitar del escritorio".
    [[nodiscard]] QMenu* contextMenu() const { return m_menu; }
    [[nodiscard]] QAction* removeAction() const { return m_remove; }

    static constexpr int noteWidth = 220;
    // The strip along the top, where "×" sits; a note is reached by it.
    static constexpr int titleHeight = 18;
    static constexpr QSize smallestNote{80, 60};
    // Anything larger was never meant (a damaged list): a window that size would take the
    // program's memory.
    static constexpr QSize largestNote{1000, 1000};

signals:
    // The user left the window somewhere else, or gave it another size.
    void placeChanged();
    // The user asked to take it off the desktop.
    void removeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void layoutDocument();

    QString m_pagePath;
    QString m_html;
    PageDocument* m_document = nullptr;
    QToolButton* m_close = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_remove = nullptr;
    bool m_dragging = false;
    QPoint m_grabOffset;
    bool m_moved = false;
};
