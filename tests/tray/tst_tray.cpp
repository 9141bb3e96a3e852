// The notification icon on a real X display (a virtual one, from xvfb-run) with a real
// notification area, trayer, that comes and goes as a panel that starts late or restarts.

#include "SystemTrayIcon.h"
#include "TestEnvironment.h"
#include "frmIdentificador.h"
#include "settings/ProgramValues.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int AreaChangeMs = 4 * SystemTrayIcon::availabilityCheckMs;

// A notification area at the bottom of the screen.
bool startPanel(QProcess& panel)
{
    panel.start(QStandardPaths::findExecutable(QStringLiteral("trayer")),
                {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                 QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                 QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                 QStringLiteral("24")});
    return panel.waitForStarted(10000);
}

} // namespace

class TrayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display: ctest runs this under xvfb-run");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty(),
                 "trayer is missing: scripts/install-deps.sh installs it");
    }

    void windowFollowsARealNotificationArea()
    {
        TestEnvironment env;
        static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
        ProgramValues values;
        values.programFolder = env.programFolder();
        values.CarpetaBase = env.programFolder();
        auto tray = std::make_unique<SystemTrayIcon>();
        SystemTrayIcon* icon = tray.get();
        QVERIFY(!icon->isAvailable());
        frmIdentificador window(values, std::move(tray));
        const auto kind = [&] {
            return window.windowFlags() & Qt::WindowType_Mask;
        };
        QCOMPARE(kind(), Qt::Window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // No notification area yet: put away, the window stays in the task bar.
        window.cmdMin_Click();
        QTRY_VERIFY(window.isMinimized());

        QProcess panel;
        QVERIFY(startPanel(panel));
        QTRY_VERIFY_WITH_TIMEOUT(icon->isAvailable(), AreaChangeMs);
        QVERIFY(icon->isShown());
        QCOMPARE(kind(), Qt::Tool);
        QTRY_VERIFY(!window.isVisible());

        // The panel goes away: the window comes back into the task bar instead of being lost.
        panel.kill();
        QVERIFY(panel.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!icon->isAvailable(), AreaChangeMs);
        QVERIFY(!icon->isShown());
        QCOMPARE(kind(), Qt::Window);
        QTRY_VERIFY(window.isVisible() && window.isMinimized());

        // And back again.
        QVERIFY(startPanel(panel));
        QTRY_VERIFY_WITH_TIMEOUT(icon->isShown(), AreaChangeMs);
        QTRY_VERIFY(!window.isVisible());
        panel.kill();
        QVERIFY(panel.waitForFinished(10000));
    }
};

QTEST_MAIN(TrayTest)
#include "tst_tray.moc"
