#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

// A picture that reports the mouse pressed, moved and released on it, in global pixels:
// the home-made title bar of the frameless main window.
class PictureBox final : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    [[nodiscard]] const QPixmap& picture() const { return m_picture; }

signals:
    void mousePressed(const QPoint& globalPos);
    void mouseMoved(const QPoint& globalPos);
    void mouseReleased(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
};
