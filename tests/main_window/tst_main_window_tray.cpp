// The main window and its notification icon: hiding, the left press, a desktop without a
// notification area, the window's place beside it, the menu on the right release.

#include "MainWindowTestBase.h"
#include "MessageBox.h"
#include "SystemTrayIcon.h"

#include <QDialog>
#include <QMenu>
#include <QScreen>
#include <QTimer>

class MainWindowTrayTest : public MainWindowTestBase
{
    Q_OBJECT

private slots:
    void hideAndTrayLeftPress()
    {
        QVERIFY(showWindow());

        f->button("cmdMin")->click();
        QVERIFY(!w->isVisible());
        QVERIFY(f->tray->isShown());
        f->tray->pressLeft();
        QVERIFY(w->isVisible());

        // The menu entry brings it back as well.
        w->cmdMin_Click();
        f->entry("mnuAbrir")->trigger();
        QVERIFY(w->isVisible());
    }

    void desktopWithoutNotificationArea()
    {
        // The offscreen platform has no notification area, as a bare X server has none: the window
        // keeps its task-bar entry, and hiding it only minimises it.
        ProgramValues values;
        values.programFolder = m_env->programFolder();
        frmIdentificador window(values, std::make_unique<SystemTrayIcon>());
        QVERIFY(!window.trayIcon().isShown());
        QCOMPARE(window.windowFlags() & Qt::WindowType_Mask, Qt::Window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.cmdMin_Click();
        QVERIFY(window.isVisible());
        QTRY_VERIFY(window.isMinimized());
    }

    void trayLeftPressWhileModalDialogDoesNothing()
    {
        QDialog dialog(w);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        f->tray->pressLeft();
        QVERIFY(!w->isVisible());

        dialog.close();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        f->tray->pressLeft();
        QVERIFY(w->isVisible());
    }

    void windowFollowsTheNotificationArea()
    {
        // The panel starts after the program (an autostart race): no icon, a task-bar entry.
        ProgramValues values;
        values.programFolder = m_env->programFolder();
        auto fake = std::make_unique<FakeTrayIcon>();
        FakeTrayIcon* tray = fake.get();
        tray->setAvailable(false);
        frmIdentificador window(values, std::move(fake));
        const auto kind = [&] {
            return window.windowFlags() & Qt::WindowType_Mask;
        };
        QVERIFY(!tray->isShown());
        QCOMPARE(kind(), Qt::Window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // It appears: the icon is added, with the state in its tooltip, and the open window
        // leaves the task bar but stays open.
        tray->setAvailable(true);
        QVERIFY(tray->isShown());
        QCOMPARE(tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));
        QCOMPARE(kind(), Qt::Tool);
        QTRY_VERIFY(window.isVisible());

        // Put away behind the icon, then the panel restarts: the window comes back into the task
        // bar, minimised, instead of being lost.
        window.cmdMin_Click();
        QVERIFY(!window.isVisible());
        tray->setAvailable(false);
        QVERIFY(!tray->isShown());
        QCOMPARE(kind(), Qt::Window);
        QTRY_VERIFY(window.isVisible() && window.isMinimized());
        window.close();
        QVERIFY(window.isVisible());

        // The panel is back: the icon too, and the window goes behind it again.
        tray->setAvailable(true);
        QVERIFY(tray->isShown());
        QCOMPARE(kind(), Qt::Tool);
        QTRY_VERIFY(!window.isVisible());
        tray->pressLeft();
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
    }

    void trayRightReleaseOpensMenuAndGuardsReentry()
    {
        f->tray->releaseRight();
        QTRY_VERIFY(w->mnuBar()->isVisible());
        QCOMPARE(w->mnuBar()->defaultAction(), f->entry("mnuAbrir"));

        // While the menu is open, the icon's events are dropped.
        f->tray->pressLeft();
        QVERIFY(!w->isVisible());

        w->mnuBar()->hide();
        QTRY_VERIFY(!w->mnuBar()->isVisible());
        f->tray->pressLeft();
        QVERIFY(w->isVisible());
    }
};

std::unique_ptr<QObject> makeMainWindowTrayTest()
{
    return std::make_unique<MainWindowTrayTest>();
}

#include "tst_main_window_tray.moc"
