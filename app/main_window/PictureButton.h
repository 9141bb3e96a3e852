#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A caption-less button that shows one of the skin's pictures, and reports every mouse move
// over it so the window can light it up.
class PictureButton final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    [[nodiscard]] const QPixmap& picture() const { return m_picture; }

    [[nodiscard]] QSize sizeHint() const override;

signals:
    void mouseMoved();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
};
