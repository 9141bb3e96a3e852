#include "SystemTrayIcon.h"

#include "PlainToolTip.h"

#include <QCursor>

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : TrayIcon(parent)
    , m_available(QSystemTrayIcon::isSystemTrayAvailable())
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &SystemTrayIcon::onActivated);
    m_availabilityCheck.setInterval(availabilityCheckMs);
    connect(&m_availabilityCheck, &QTimer::timeout, this, &SystemTrayIcon::checkAvailability);
    m_availabilityCheck.start();
}

bool SystemTrayIcon::isAvailable() const
{
    return m_available;
}

void SystemTrayIcon::checkAvailability()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available == m_available)
        return;
    m_available = available;
    emit availabilityChanged(available);
}

void SystemTrayIcon::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
}

void SystemTrayIcon::setToolTip(const QString& text)
{
    m_icon.setToolTip(plainToolTip(text));
}

QString SystemTrayIcon::toolTip() const
{
    return m_icon.toolTip();
}

void SystemTrayIcon::show()
{
    m_icon.show();
}

void SystemTrayIcon::remove()
{
    m_icon.hide();
}

bool SystemTrayIcon::isShown() const
{
    // Qt keeps an icon "visible" when the notification area has gone away under it.
    return m_icon.isVisible() && m_available;
}

bool SystemTrayIcon::supportsMessages() const
{
    return QSystemTrayIcon::supportsMessages() && m_icon.isVisible();
}

void SystemTrayIcon::showMessage(const QString& title, const QString& text)
{
    m_icon.showMessage(title, text, QSystemTrayIcon::Warning);
}

void SystemTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Qt reports a left press as Trigger and the context-menu request (right button) as
    // Context; no context menu is attached, so the window opens its own menu at the mouse.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit leftPressed(QCursor::pos());
        break;
    case QSystemTrayIcon::Context:
        emit rightReleased(QCursor::pos());
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}
