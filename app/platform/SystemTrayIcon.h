#pragma once

#include "TrayIcon.h"

#include <QSystemTrayIcon>
#include <QTimer>

// The notification-area icon of the desktop, through QSystemTrayIcon. The desktop's notification
// area is looked for every two seconds, since Qt announces neither its arrival nor its departure;
// Qt keeps the answer at hand, so the look costs next to nothing.
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
    [[nodiscard]] bool supportsMessages() const override;
    void showMessage(const QString& title, const QString& text) override;

    static constexpr int availabilityCheckMs = 2000;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void checkAvailability();

    QSystemTrayIcon m_icon;
    QTimer m_availabilityCheck;
    bool m_available = false;
};
