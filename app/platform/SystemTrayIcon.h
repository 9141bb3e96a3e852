#pragma once

#include "TrayIcon.h"

#include <QSystemTrayIcon>

// The notification-area icon of the desktop, through QSystemTrayIcon.
class SystemTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    explicit SystemTrayIcon(QObject* parent = nullptr);

    [[nodiscard]] bool isAvailable() const override;
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;
    [[nodiscard]] QString toolTip() const override;
    void show() override;
    void remove() override;
    [[nodiscard]] bool isShown() const override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
};
