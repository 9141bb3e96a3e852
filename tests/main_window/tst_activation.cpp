#include "Lineo.h"
#include "MainWindowFixture.h"
#include "ModemSimulator.h"
#include "Parlux.h"
#include "PictureButton.h"
#include "PortTable.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

int shownPicture(const frmIdentificador& window, const PictureButton* button)
{
    for (int i = 0; i < window.Image1().size(); ++i) {
        if (window.Image1().at(i).cacheKey() == button->picture().cacheKey())
            return i;
    }
    return -1;
}

QAction* entry(const frmIdentificador& window, const char* name)
{
    return window.findChild<QAction*>(QLatin1String(name));
}

// One line per element of the window that follows the switch.
QStringList switchState(const frmIdentificador& w, const FakeTrayIcon& tray)
{
    return {
        QStringLiteral("picture=%1").arg(shownPicture(w, w.cmdEncendidoID())),
        QStringLiteral("mnuActivar=") + entry(w, "mnuActivar")->text(),
        QStringLiteral("mnuConfiguracion=%1").arg(entry(w, "mnuConfiguracion")->isEnabled()),
        QStringLiteral("mnuConfiguracion1=%1").arg(entry(w, "mnuConfiguracion1")->isEnabled()),
        QStringLiteral("cmdManual=%1").arg(w.cmdManual()->isEnabled()),
        QStringLiteral("Parlux1.Enabled=%1").arg(w.Parlux1()->Enabled()),
        QStringLiteral("tooltip=") + tray.toolTip(),
    };
}

QStringList onState()
{
    return {QStringLiteral("picture=8"),
            QStringLiteral("mnuActivar=Desa&ctivar Llamora"),
            QStringLiteral("mnuConfiguracion=0"),
            QStringLiteral("mnuConfiguracion1=0"),
            QStringLiteral("cmdManual=0"),
            QStringLiteral("Parlux1.Enabled=1"),
            QStringLiteral("tooltip=Llamora v 3.0.0   Activado")};
}

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

private slots:
    void switchOnWithModemThenOff();
    void switchOnWithoutModemStaysOff();
    void silentModemStaysOff();
    void activarCaptionsFollowTheSwitch();
    void settingsAreReadAtEachSwitch();
    void devicePulledOutSwitchesOff();
};

void ActivationTest::switchOnWithModemThenOff()
{
    TestEnvironment env;
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    QVERIFY(modem.pointPort(4));
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

    w.cmdEncendidoID()->click();
    QVERIFY(w.Lineo1()->Enabled());
    QCOMPARE(w.Lineo1()->Puerto(), qint16(4));
    QCOMPARE(switchState(w, *f.tray), onState());
    QCOMPARE(w.Parlux1()->Puesto(), qint16(3));
    QCOMPARE(w.Parlux1()->PuestoVisible(), false);
    QVERIFY(w.cmdEncendidoID()->isEnabled());
    // The hourglass covers the whole switch, the panel's workstation number shows during it.
    QCOMPARE(seen, QStringList({QStringLiteral("Puesto=3 wait"),
                                QStringLiteral("PuestoVisible=true wait"),
                                QStringLiteral("Enabled=true wait"),
                                QStringLiteral("PuestoVisible=false wait")}));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Switching off also takes the caller button away.
    w.cmdLlamante()->setEnabled(true);
    w.cmdEncendidoID()->click();
    QVERIFY(!w.Lineo1()->Enabled());
    QCOMPARE(switchState(w, *f.tray), offState());
    QVERIFY(!w.cmdLlamante()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void ActivationTest::switchOnWithoutModemStaysOff()
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
    QCOMPARE(switchState(w, *f.tray), offState(QStringLiteral("Activar Llamora")));
    QVERIFY(f.tray->toolTip().endsWith(QStringLiteral("Desactivado")));
    QVERIFY(w.cmdEncendidoID()->isEnabled());
    QVERIFY(w.cmdLlamante()->isEnabled());
    QCOMPARE(w.Parlux1()->PuestoVisible(), false);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void ActivationTest::silentModemStaysOff()
{
    TestEnvironment env;
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--silent")}));
    QVERIFY(modem.pointPort(2));
    SettingsStore(env.programFolder()).setPuerto(QStringLiteral("2"));
    MainWindowFixture f(env.programFolder());
    f.window->Lineo1()->setReplyTimeout(40ms);

    f.window->cmdEncendidoID()->click();
    QVERIFY(!f.window->Lineo1()->Enabled());
    QCOMPARE(switchState(*f.window, *f.tray), offState(QStringLiteral("Activar Llamora")));
}

void ActivationTest::activarCaptionsFollowTheSwitch()
{
    TestEnvironment env;
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    QVERIFY(modem.pointPort(4));
    QVERIFY(pointPortAtMissingDevice(5, env));
    SettingsStore settings(env.programFolder());
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.Lineo1()->setReplyTimeout(150ms);
    QAction* mnuActivar = entry(w, "mnuActivar");

    QStringList captions{mnuActivar->text()};
    settings.setPuerto(QStringLiteral("5")); // no modem there: the switch fails
    mnuActivar->trigger();
    captions << mnuActivar->text();
    settings.setPuerto(QStringLiteral("4"));
    for (int i = 0; i < 3; ++i) {
        mnuActivar->trigger();
        captions << mnuActivar->text();
    }
    QCOMPARE(captions,
             QStringList({QStringLiteral("Activar Llamora"), QStringLiteral("Activar Llamora"),
                          QStringLiteral("Desa&ctivar Llamora"), QStringLiteral("A&ctivar Llamora"),
                          QStringLiteral("Desa&ctivar Llamora")}));
    QCOMPARE(f.tray->toolTips.last(), QStringLiteral("Llamora v 3.0.0   Activado"));
}

void ActivationTest::settingsAreReadAtEachSwitch()
{
    TestEnvironment env;
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--accept"), QStringLiteral("AT#CID=1")}));
    QVERIFY(modem.pointPort(7));
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

void ActivationTest::devicePulledOutSwitchesOff()
{
    TestEnvironment env;
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    QVERIFY(modem.pointPort(4));
    SettingsStore(env.programFolder()).setPuerto(QStringLiteral("4"));
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.Lineo1()->setReplyTimeout(150ms);
    w.cmdEncendidoID()->click();
    QCOMPARE(switchState(w, *f.tray), onState());

    QVERIFY(modem.unplug());
    QTRY_COMPARE(switchState(w, *f.tray), offState());
    QVERIFY(!w.Lineo1()->Enabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
