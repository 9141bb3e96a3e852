// Compaction and repair from the main window's menu, and the repair at start-up, on the
// offscreen platform with real files.
#include "FakeTrayIcon.h"
#include "Lineo.h"
#include "MaintenanceFixture.h"
#include "MessageBox.h"
#include "ModemSimulator.h"
#include "PictureButton.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "frmIdentificador.h"
#include "maintenance/MaintenanceMessages.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"

#include <QAction>
#include <QFile>
#include <QProgressDialog>
#include <QTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {
// Records the progress dialogs shown: title line of their label, and whether they were modal;
// and each text their label had.
class ProgressWatcher : public QObject
{
public:
    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }

    QStringList shown;
    QStringList labels;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (dialog && event->type() == QEvent::Show)
            shown.append(dialog->labelText().section(u'\n', 0, 0) +
                         (dialog->isModal() ? QStringLiteral(", modal") : QString()));
        if (dialog && !dialog->labelText().isEmpty() &&
            (labels.isEmpty() || labels.last() != dialog->labelText()))
            labels.append(dialog->labelText());
        return false;
    }
};

struct Window
{
    explicit Window(const QString& folder)
    {
        values.programFolder = folder;
        values.CarpetaBase = folder;
        window = std::make_unique<frmIdentificador>(values, std::make_unique<FakeTrayIcon>());
        window->Lineo1()->setReplyTimeout(150ms);
    }

    void trigger(const char* entry) const
    {
        window->findChild<QAction*>(QLatin1String(entry))->trigger();
    }

    // Switches identification on with a simulated modem on port 4.
    bool switchOn(ModemSimulator& modem) const
    {
        if (!modem.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}) ||
            !modem.pointPort(4))
            return false;
        SettingsStore(values.programFolder).setPuerto(QStringLiteral("4"));
        window->cmdEncendidoID()->click();
        return window->Lineo1()->Enabled();
    }

    qint64 calls() const
    {
        return MaintenanceFixture::scalar(values.databasePath(),
                                          QStringLiteral("SELECT count(*) FROM Llamadas"));
    }

    ProgramValues values;
    std::unique_ptr<frmIdentificador> window;
};
} // namespace

class MaintenanceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void compactionFromTheMenu();
    void failedRepairLeavesTheWindowUsable();
    void startupWithADamagedFileRepairsItAndTakesCalls();
};

void MaintenanceWindowTest::compactionFromTheMenu()
{
    MaintenanceFixture f(50, 500);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    MessageBox::Script script;
    Window w(f.folder());
    ModemSimulator modem;
    QVERIFY(w.switchOn(modem));
    w.window->show();

    ProgressWatcher progress;
    w.trigger("mnuCompactar");
    QCOMPARE(progress.shown, QStringList{QStringLiteral("Compactando la base de datos, modal")});
    // Each stage under the caption, which is not said twice.
    QVERIFY(progress.labels.size() > 2);
    for (const QString& label : std::as_const(progress.labels))
        QVERIFY2(label.count(QStringLiteral("ompactando")) == 1, qPrintable(label));
    QCOMPARE(script.texts(),
             (QStringList{QStringLiteral("Cierre los demás puestos de trabajo y presione Aceptar"),
                          QStringLiteral("La Base de Datos ha sido compactada")}));
    QCOMPARE(script.shown().first().message.icon, MessageIcon::Information);
    // Identification stays off; the window went to the notification area.
    QVERIFY(!w.window->Lineo1()->Enabled());
    QVERIFY(!w.window->isVisible());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(MaintenanceFixture::fingerprint(f.path(QStringLiteral("Llamora.bak"))), before);

    // datLlamada is on the new file: calls go on being logged there.
    QVERIFY(w.window->datLlamada()->isAttached());
    w.window->Recibe_llamada(QStringLiteral("40000007"));
    QCOMPARE(w.calls(), 501);
    QCOMPARE(MaintenanceFixture::scalar(f.path(QStringLiteral("Llamora.bak")),
                                        QStringLiteral("SELECT count(*) FROM Llamadas")),
             500);
}

void MaintenanceWindowTest::failedRepairLeavesTheWindowUsable()
{
    MaintenanceFixture f(10, 10);
    MessageBox::Script script;
    Window w(f.folder());
    ModemSimulator modem;
    QVERIFY(w.switchOn(modem));
    QVERIFY(QFile::rename(f.databasePath(), f.path(QStringLiteral("aparte.mdb"))));

    w.trigger("mnuReparar");
    QCOMPARE(script.texts(), (QStringList{MaintenanceMessages::closeOtherWorkstations().text,
                                          QStringLiteral("La Base de Datos no puede ser reparada."),
                                          MaintenanceMessages::cannotAttachAgain(
                                              f.databasePath(), DatabaseError::FileNotFound)
                                              .text}));
    QVERIFY(!w.window->Lineo1()->Enabled());
    w.window->mnuAbrir_Click();
    QVERIFY(w.window->isVisible());

    // Once the file is back, calls are logged again.
    QVERIFY(QFile::rename(f.path(QStringLiteral("aparte.mdb")), f.databasePath()));
    w.window->Recibe_llamada(QStringLiteral("40000003"));
    QCOMPARE(w.calls(), 11);

    // A file in its place that cannot be read: the message says so, not that it is missing.
    QVERIFY(MaintenanceFixture::overwritePages(f.databasePath(), {1, 2, 3}));
    script.clear();
    w.trigger("mnuReparar");
    QCOMPARE(script.texts().value(1), QStringLiteral("La Base de Datos no puede ser reparada."));
    QVERIFY2(script.texts().value(2).contains(QStringLiteral("está en su carpeta, pero está "
                                                             "dañada o no se puede leer")),
             qPrintable(script.texts().value(2)));
}

void MaintenanceWindowTest::startupWithADamagedFileRepairsItAndTakesCalls()
{
    MaintenanceFixture f(50, 500);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    QVERIFY(MaintenanceFixture::zeroHeader(f.databasePath()));
    MessageBox::Script script;

    Window w(f.folder());
    QCOMPARE(script.texts(), (QStringList{databaseProblemMessage(DatabaseError::NotADatabase).text,
                                          MaintenanceMessages::closeOtherWorkstations().text,
                                          MaintenanceMessages::repaired().text}));
    QCOMPARE(w.window->loadOutcome(), frmIdentificador::LoadOutcome::Loaded);
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
    QVERIFY(w.window->datLlamada()->isAttached());
    w.window->Recibe_llamada(QStringLiteral("40000001"));
    QCOMPARE(w.calls(), 501);
}

QTEST_MAIN(MaintenanceWindowTest)
#include "tst_maintenance_window.moc"
