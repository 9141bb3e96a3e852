#include "PictureButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

QSize PictureButton::sizeHint() const
{
    return m_picture.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A button that cannot be used shows its picture faded, as a greyed caption would be.
    if (!isEnabled())
        painter.setOpacity(0.35);
    if (isDown())
        painter.translate(0, 1);
    painter.drawPixmap(QPointF(0, 0), m_picture);
}

bool PictureButton::event(QEvent* event)
{
    // A disabled button takes no mouse moves; they belong to the window beneath, so moving onto
    // it puts out the highlight of the button just left.
    if (event->type() == QEvent::MouseMove && !isEnabled() && parentWidget()) {
        const auto* move = static_cast<QMouseEvent*>(event);
        QMouseEvent forwarded(QEvent::MouseMove, mapToParent(move->position()),
                              move->scenePosition(), move->globalPosition(), move->button(),
                              move->buttons(), move->modifiers());
        QApplication::sendEvent(parentWidget(), &forwarded);
        return true;
    }
    return QAbstractButton::event(event);
}

void PictureButton::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved();
    QAbstractButton::mouseMoveEvent(event);
    // A move over the button is the button's alone; passed on to the window it would put the
    // highlight out again.
    event->accept();
}
