#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

// The program's icon in the desktop's notification area. The main window talks to this
// interface only, so tests can put a fake in its place.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~TrayIcon() override = default;

    // False where the desktop has no notification area: the window must then stay reachable
    // on its own. It changes while the program runs (a panel that starts late or restarts);
    // availabilityChanged tells.
    [[nodiscard]] virtual bool isAvailable() const = 0;

    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& text) = 0;
    [[nodiscard]] virtual QString toolTip() const = 0;
    // Adds the icon to the notification area, or removes it.
    virtual void show() = 0;
    virtual void remove() = 0;
    [[nodiscard]] virtual bool isShown() const = 0;
    // A notification balloon beside the icon, where the desktop shows them.
    [[nodiscard]] virtual bool supportsMessages() const { return false; }
    virtual void showMessage(const QString& title, const QString& text)
    {
        Q_UNUSED(title);
        Q_UNUSED(text);
    }

signals:
    // A notification area appeared or went away.
    void availabilityChanged(bool available);
    // Positions are global screen pixels, where the mouse was.
    void leftPressed(const QPoint& globalPos);
    void rightReleased(const QPoint& globalPos);
};
