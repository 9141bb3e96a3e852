#include "PortItemDelegate.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int gap = 24;
constexpr int margin = 6;

} // namespace

void PortItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QString device = index.data(DeviceRole).toString();
    if (device.isEmpty())
        return;
    painter->save();
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    colour.setAlphaF(0.6F);
    painter->setPen(colour);
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(0, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter,
                      device);
    painter->restore();
}

QSize PortItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString device = index.data(DeviceRole).toString();
    if (!device.isEmpty())
        size.rwidth() += gap + margin + QFontMetrics(option.font).horizontalAdvance(device);
    return size;
}
