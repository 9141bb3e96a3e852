#pragma once

#include <QStyledItemDelegate>

// Draws a list entry with its note dimmed at its right, so the entries keep their plain names: a
// port ("Com4") with the device it stands for, a device file with what the device is.
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
