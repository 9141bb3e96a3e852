#include "Lineo.h"
#include "MainWindowFixture.h"
#include "ModemSimulator.h"
#include "Parlux.h"
#include "PortTable.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// One line per element of the window that follows the switch.
QStringList switchState(const MainWindowFixture& f)
{
    const frmIdentificador& w = *f.window;
    return {
        QStringLiteral("picture=%1").arg(f.shownPicture("cmdEncendidoID")),
        QStringLiteral("mnuActivar=") + f.entry("mnuActivar")->text(),
        QStringLiteral("mnuConfiguracion=%1").arg(f.entry("mnuConfiguracion")->isEnabled()),
        QStringLiteral("mnuConfiguracion1=%1").arg(f.entry("mnuConfiguracion1")->isEnabled()),
        QStringLiteral("cmdManual=%1").arg(w.cmdManual()->isEnabled()),
        QStringLiteral("Parlux1.Enabled=%1").arg(w.Parlux1()->Enabled()),
        QStringLiteral("tooltip=") + f.tray->toolTip(),
    };
}

const QStringList OnState = {QStringLiteral("picture=8"),
                             QStringLiteral("mnuActivar=Desa&ctivar Llamora"),
                             QStringLiteral("mnuConfiguracion=0"),
                             QStringLiteral("mnuConfiguracion1=0"),
                             QStringLiteral("cmdManual=0"),
                             QStringLiteral("Parlux1.Enabled=1"),
                             QStringLiteral("tooltip=Llamora v 3.0.0   Activado")};

QStringList offState(const QString& caption = QStringLiteral("A&ctivar Llamora"))
{
    return {QStringLiteral("picture=9"),
            QStringLiteral("mnuActivar=") + caption,
            QStringLiteral("mnuConfiguracion=1"),
            QStringLiteral("mnuConfiguracion1=1"),
            QStringLiteral("cmdManual=1"),
            QStringLiteral("Parlux1.Enabled=0"),
            QStringLiteral("tooltip=Llamora v 3.0.0   Desactivado")};
}

bool pointPortAtMissingDevice(int n, const TestEnvironment& env)
{
    PortTable table = PortTable::load();
    table.setDevice(n, env.root() + QStringLiteral("/no-such-modem"));
    return table.save();
}

} // namespace

class ActivationTest : public QObject
{
    Q_OBJECT

private:
    // A modem on port 4 that accepts the first caller-ID command tried.
    static bool startModem(ModemSimulator& modem, int port = 4,
                           const QString& command = QStringLiteral("AT+VCID=1"))
    {
        return modem.start({QStringLiteral("--accept"), command}) && modem.pointPort(port);
    }

private slots:
    void switchOnWithModemThenOff()
    {
        TestEnvironment env;
        ModemSimulator modem;
        QVERIFY(startModem(modem));
        SettingsStore settings(env.programFolder());
        settings.setPuerto(QStringLiteral("4"));
        settings.setPuesto(QStringLiteral("3"));
        MainWindowFixture f(env.programFolder());
        frmIdentificador& w = *f.window;
        w.Lineo1()->setReplyTimeout(150ms);

        // What the panel and the pointer showed at each change of the panel's properties.
        QStringList seen;
        connect(w.Parlux1(), &Parlux::propertyChanged, this, [&](const QString& name) {
            const QCursor* cursor = QApplication::overrideCursor();
            seen << name + QLatin1Char('=') +
                        w.Parlux1()->property(name.toLatin1().constData()).toString() +
                        (cursor && cursor->shape() == Qt::WaitCursor ? QStringLiteral(" wait")
                                                                     : QString());
        });

        QAction* mnuActivar = f.entry("mnuActivar");
        QCOMPARE(mnuActivar->text(), QStringLiteral("Activar Llamora"));
        w.cmdEncendidoID()->click();
        QVERIFY(w.Lineo1()->Enabled());
        QCOMPARE(switchState(f), OnState);
        QVERIFY(w.cmdEncendidoID()->isEnabled());
        // The hourglass covers the whole switch, the panel's workstation number shows during it.
        QCOMPARE(seen, QStringList({QStringLiteral("Puesto=3 wait"),
                                    QStringLiteral("PuestoVisible=true wait"),
                                    QStringLiteral("Enabled=true wait"),
                                    QStringLiteral("PuestoVisible=false wait")}));
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // The tray entry runs the same switch. Switching off also takes the caller button away.
        w.cmdLlamante()->setEnabled(true);
        mnuActivar->trigger();
        QVERIFY(!w.Lineo1()->Enabled());
        QCOMPARE(switchState(f), offState());
        QVERIFY(!w.cmdLlamante()->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        mnuActivar->trigger();
        QCOMPARE(mnuActivar->text(), QStringLiteral("Desa&ctivar Llamora"));
    }

    void switchOnWithoutModemStaysOff()
    {
        TestEnvironment env;
        QVERIFY(pointPortAtMissingDevice(4, env));
        SettingsStore(env.programFolder()).setPuerto(QStringLiteral("4"));
        MainWindowFixture f(env.programFolder());
        frmIdentificador& w = *f.window;
        w.cmdLlamante()->setEnabled(true);

        w.cmdEncendidoID()->click();
        QVERIFY(!w.Lineo1()->Enabled());
        // A failed switch changes none of the elements, apart from the tooltip being refreshed.
        QCOMPARE(switchState(f), offState(QStringLiteral("Activar Llamora")));
        QCOMPARE(f.tray->toolTips.size(), 2);
        QVERIFY(w.cmdEncendidoID()->isEnabled());
        QVERIFY(w.cmdLlamante()->isEnabled());
        QVERIFY(!w.Parlux1()->PuestoVisible());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void settingsAreReadAtEachSwitch()
    {
        TestEnvironment env;
        ModemSimulator modem;
        QVERIFY(startModem(modem, 7, QStringLiteral("AT#CID=1")));
        SettingsStore settings(env.programFolder());
        MainWindowFixture f(env.programFolder());
        frmIdentificador& w = *f.window;
        w.Lineo1()->setReplyTimeout(150ms);

        // Written after the window was built: the switch still finds them.
        settings.setPuerto(QStringLiteral("7"));
        settings.setPuesto(QStringLiteral("9"));
        w.cmdEncendidoID()->click();
        QVERIFY(w.Lineo1()->Enabled());
        QCOMPARE(w.Lineo1()->Puerto(), qint16(7));
        QCOMPARE(w.Parlux1()->Puesto(), qint16(9));
        w.cmdEncendidoID()->click();
        QVERIFY(!w.Lineo1()->Enabled());

        // A port that is no number leaves the control's port; a workstation that is no number
        // shows as 1.
        settings.setPuerto(QStringLiteral("abc"));
        settings.setPuesto(QStringLiteral("abc"));
        w.cmdEncendidoID()->click();
        QVERIFY(w.Lineo1()->Enabled());
        QCOMPARE(w.Lineo1()->Puerto(), qint16(7));
        QCOMPARE(w.Parlux1()->Puesto(), qint16(1));
    }

    void trayMenuWaitsForAnOpenModalDialog()
    {
        TestEnvironment env;
        ModemSimulator modem;
        QVERIFY(startModem(modem));
        SettingsStore(env.programFolder()).setPuerto(QStringLiteral("4"));
        MainWindowFixture f(env.programFolder());
        frmIdentificador& w = *f.window;
        w.Lineo1()->setReplyTimeout(150ms);

        // The wizard, say, is open: the tray's menu does not open, and an entry chosen from a
        // menu opened just before does nothing.
        QDialog dialog(&w);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        f.tray->releaseRight();
        QTest::qWait(50);
        QVERIFY(!w.mnuBar()->isVisible());
        f.entry("mnuActivar")->trigger();
        QVERIFY(!w.Lineo1()->Enabled());
        QCOMPARE(switchState(f), offState(QStringLiteral("Activar Llamora")));

        // Once it is answered, the menu works again.
        dialog.close();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        f.tray->releaseRight();
        QTRY_VERIFY(w.mnuBar()->isVisible());
        f.entry("mnuActivar")->trigger();
        w.mnuBar()->hide();
        QVERIFY(w.Lineo1()->Enabled());
        QCOMPARE(switchState(f), OnState);
    }

    void devicePulledOutSwitchesOff()
    {
        TestEnvironment env;
        ModemSimulator modem;
        QVERIFY(startModem(modem));
        SettingsStore(env.programFolder()).setPuerto(QStringLiteral("4"));
        MainWindowFixture f(env.programFolder());
        f.window->Lineo1()->setReplyTimeout(150ms);
        f.window->cmdEncendidoID()->click();
        QCOMPARE(switchState(f), OnState);

        QVERIFY(modem.unplug());
        QTRY_COMPARE(switchState(f), offState());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
