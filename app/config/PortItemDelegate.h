#pragma once

#include <QStyledItemDelegate>

// Draws a port entry ("Com4") with the device it stands for dimmed at its right, so the open
// port list shows every entry's device while the entries keep their plain names.
class PortItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int DeviceRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;
};
