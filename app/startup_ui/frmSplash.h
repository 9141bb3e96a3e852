#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QTimer;

// The splash window of the start-up: program name, version and maker. After three seconds, or
// at the first key, it asks for the main window and closes.
class frmSplash final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Timer1IntervalMs = 3000;

    explicit frmSplash(const QIcon& logo, QWidget* parent = nullptr);

signals:
    // Time to show the main window; the splash closes right after.
    void showMainWindow();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Key preview: a key pressed on any of its children reaches the form first.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void Form_KeyPress();
    void Timer1_Timer();
    void handOver();

    QLabel* imgLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblWarning = nullptr;
    QLabel* lblCompany = nullptr;
    QLabel* lblCopyright = nullptr;
    QTimer* Timer1 = nullptr;
    bool m_handedOver = false;
};
