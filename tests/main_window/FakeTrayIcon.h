#pragma once

#include "TrayIcon.h"

#include <QStringList>

// A notification icon that records what the window did with it and lets a test click it.
class FakeTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    [[nodiscard]] bool isAvailable() const override { return m_available; }
    void setIcon(const QIcon& icon) override { m_icon = icon; }
    void setToolTip(const QString& text) override
    {
        m_toolTip = text;
        toolTips.append(text);
    }
    [[nodiscard]] QString toolTip() const override { return m_toolTip; }
    void show() override { m_shown = true; }
    void remove() override { m_shown = false; }
    [[nodiscard]] bool isShown() const override { return m_shown; }
    [[nodiscard]] const QIcon& icon() const { return m_icon; }
    [[nodiscard]] bool supportsMessages() const override { return true; }
    void showMessage(const QString& title, const QString& text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }

    // The desktop's notification area appears or goes away.
    void setAvailable(bool available)
    {
        m_available = available;
        emit availabilityChanged(available);
    }

    void pressLeft() { emit leftPressed({100, 100}); }
    void releaseRight() { emit rightReleased({300, 300}); }

    // Every tooltip given, in order.
    QStringList toolTips;
    // Every balloon shown, "title: text".
    QStringList messages;

private:
    bool m_available = true;
    bool m_shown = false;
    QString m_toolTip;
    QIcon m_icon;
};
