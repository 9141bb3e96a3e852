#include "StartupTest.h"

#include "ReceptionDatabase.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"
#include "startup/ExisteBaseDatos.h"
#include "startup/StartupSequence.h"
#include "startup/StoredConfig.h"

#include <QFile>
#include <QTest>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<TestEnvironment> environment;

// Stands in for the wizard and the splash; the wizard may store a folder as the user would.
class FakeScreens : public StartupScreens
{
public:
    bool showConfigurationWizard() override
    {
        ++wizardShown;
        if (wizard)
            return wizard();
        return true;
    }
    void showSplash() override { ++splashShown; }

    std::function<bool()> wizard;
    int wizardShown = 0;
    int splashShown = 0;
};

struct Start
{
    Start()
        : settings(environment->programFolder())
    {
        values.programFolder = environment->programFolder();
    }
    StartupSequence::Outcome run() { return StartupSequence(settings, values, screens).Main(); }

    SettingsStore settings;
    ProgramValues values;
    FakeScreens screens;
};

} // namespace

void StartupTest::init()
{
    environment = std::make_unique<TestEnvironment>();
    QVERIFY(environment->isValid());
}

void StartupTest::cleanup()
{
    environment.reset();
}

void StartupTest::existeBaseDatosTellsFoundMissingAndBroken()
{
    const QString folder = environment->makeFolder(QStringLiteral("db"));
    const ReceptionDatabase database(folder);
    QCOMPARE(ExisteBaseDatos(folder, QStringLiteral("llamora.mdb")), 0);
    QCOMPARE(ExisteBaseDatos(folder, QStringLiteral("Llamora.mdb")), 0);

    const QString empty = environment->makeFolder(QStringLiteral("empty"));
    QCOMPARE(ExisteBaseDatos(empty, QStringLiteral("llamora.mdb")), 2);
    QVERIFY(!QFile::exists(empty + QStringLiteral("/llamora.mdb")));
    QCOMPARE(ExisteBaseDatos(environment->root() + QStringLiteral("/nowhere"),
                             QStringLiteral("llamora.mdb")),
             1);

    const QString broken = environment->makeFolder(QStringLiteral("broken"));
    QFile file(broken + QStringLiteral("/Llamora.mdb"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    QCOMPARE(ExisteBaseDatos(broken, QStringLiteral("llamora.mdb")), 1);
}

void StartupTest::storedConfigConversions_data()
{
    QTest::addColumn<QString>("puerto");
    QTest::addColumn<QString>("puesto");
    QTest::addColumn<QString>("activar");
    QTest::addColumn<bool>("storeFolder");
    QTest::addColumn<int>("expectedPuerto"); // 0: none
    QTest::addColumn<int>("expectedPuesto");
    QTest::addColumn<bool>("expectedActivar");

    QTest::newRow("all stored") << "3"
                                << "7"
                                << "1" << true << 3 << 7 << true;
    QTest::newRow("nothing stored") << ""
                                    << ""
                                    << "" << false << 0 << 1 << false;
    QTest::newRow("puesto 0, activar 0") << "16"
                                         << "0"
                                         << "0" << true << 16 << 1 << false;
    QTest::newRow("text values") << "abc"
                                 << "abc"
                                 << "abc" << false << 0 << 1 << false;
    QTest::newRow("activar 2") << "4"
                               << "10"
                               << "2" << false << 4 << 10 << false;
    // The control itself refuses ports outside 1 to 16.
    QTest::newRow("port out of range") << "40"
                                       << "2"
                                       << " 1 " << false << 40 << 2 << true;
}

void StartupTest::storedConfigConversions()
{
    QFETCH(QString, puerto);
    QFETCH(QString, puesto);
    QFETCH(QString, activar);
    QFETCH(bool, storeFolder);
    QFETCH(int, expectedPuerto);
    QFETCH(int, expectedPuesto);
    QFETCH(bool, expectedActivar);
    SettingsStore settings(environment->programFolder());
    settings.setPuerto(puerto);
    settings.setPuesto(puesto);
    settings.setActivarCID(activar);
    const QString folder = environment->makeFolder(QStringLiteral("shared"));
    settings.setBaseDeDatos(storeFolder ? folder : QString());

    const StoredConfig config = readStoredConfig(settings);

    QCOMPARE(config.Puerto.value_or(0), expectedPuerto);
    QCOMPARE(int(config.NumeroPuesto), expectedPuesto);
    QCOMPARE(config.ActivarCID, expectedActivar);
    QCOMPARE(config.CarpetaBase, storeFolder ? folder : environment->programFolder());
    ProgramValues values;
    config.applyTo(values);
    QCOMPARE(int(values.NumeroPuesto), expectedPuesto);
    QCOMPARE(values.CarpetaBase, config.CarpetaBase);
}

void StartupTest::attachReportsWhatTheLoadMustDo()
{
    const QString folder = environment->makeFolder(QStringLiteral("db"));
    const ReceptionDatabase database(folder);
    DataControl datLlamada;

    DatabaseAttachResult attached = attachDatLlamada(datLlamada, database.path());
    QCOMPARE(attached.error, 0);
    QCOMPARE(attached.next, DatabaseAttachResult::Next::GoOn);
    QVERIFY(!attached.message);
    QVERIFY(datLlamada.isAttached());

    DataControl unreachable;
    const DatabaseAttachResult off =
        attachDatLlamada(unreachable, environment->root() + QStringLiteral("/apagada/Llamora.mdb"));
    QCOMPARE(off.next, DatabaseAttachResult::Next::EndProgram);
    const Message offMessage{QStringLiteral("La Estación principal esta apagada, enciéndala y "
                                            "ejecute nuevamente el programa."),
                             MessageIcon::Exclamation, MessageButtons::Ok};
    QCOMPARE(off.message, std::optional<Message>(offMessage));

    DataControl missing;
    const QString empty = environment->makeFolder(QStringLiteral("empty"));
    const DatabaseAttachResult repair =
        attachDatLlamada(missing, empty + QStringLiteral("/Llamora.mdb"));
    QCOMPARE(repair.next, DatabaseAttachResult::Next::Repair);
    QCOMPARE(repair.error, 3024);
    QCOMPARE(repair.message->text,
             QStringLiteral("Problema con la base de datos, se itentará reparar, si no se logra, "
                            "comunique a la asistencia técnica el error: 3024"));
    QCOMPARE(repair.message->icon, MessageIcon::Exclamation);
    QVERIFY(!QFile::exists(empty + QStringLiteral("/Llamora.mdb")));
}

void StartupTest::storedFolderWithDatabaseGoesToSplash()
{
    Start start;
    const QString folder = environment->makeFolder(QStringLiteral("shared"));
    const ReceptionDatabase database(folder);
    start.settings.setBaseDeDatos(folder);

    QCOMPARE(start.run(), StartupSequence::Outcome::Running);
    QCOMPARE(start.screens.wizardShown, 0);
    QCOMPARE(start.screens.splashShown, 1);
    QCOMPARE(start.values.CarpetaBase, folder);
}

void StartupTest::noSettingsOpensWizardAndUsesProgramFolder()
{
    Start start;
    const ReceptionDatabase database(environment->programFolder());

    QCOMPARE(start.run(), StartupSequence::Outcome::Running);
    QCOMPARE(start.screens.wizardShown, 1);
    QCOMPARE(start.screens.splashShown, 1);
    QCOMPARE(start.values.CarpetaBase, environment->programFolder());
}

void StartupTest::missingFileEndsUnlessWizardFixesIt()
{
    {
        // Nothing stored, nothing found: the wizard twice, then the end.
        Start start;
        QCOMPARE(start.run(), StartupSequence::Outcome::Ended);
        QCOMPARE(start.screens.wizardShown, 2);
        QCOMPARE(start.screens.splashShown, 0);
    }
    {
        // A stored folder without the file, and a wizard left as it was.
        Start start;
        start.settings.setBaseDeDatos(environment->makeFolder(QStringLiteral("empty")));
        QCOMPARE(start.run(), StartupSequence::Outcome::Ended);
        QCOMPARE(start.screens.wizardShown, 1);
        QCOMPARE(start.screens.splashShown, 0);
    }
    {
        // The wizard puts the file in place.
        Start start;
        const QString folder = environment->makeFolder(QStringLiteral("later"));
        start.settings.setBaseDeDatos(folder);
        start.screens.wizard = [&] {
            (void)TestEnvironment::copyEmptyDatabase(folder);
            return true;
        };
        QCOMPARE(start.run(), StartupSequence::Outcome::Running);
        QCOMPARE(start.screens.wizardShown, 1);
        QCOMPARE(start.screens.splashShown, 1);
    }
}

void StartupTest::folderChosenInWizardCountsAtOnce()
{
    Start start;
    start.settings.setBaseDeDatos(environment->makeFolder(QStringLiteral("old")));
    const QString right = environment->makeFolder(QStringLiteral("right"));
    const ReceptionDatabase database(right);
    start.screens.wizard = [&] {
        start.settings.setBaseDeDatos(right);
        return true;
    };

    QCOMPARE(start.run(), StartupSequence::Outcome::Running);
    QCOMPARE(start.screens.wizardShown, 1);
    QCOMPARE(start.screens.splashShown, 1);
    QCOMPARE(start.values.CarpetaBase, right);
}

void StartupTest::loadEndingTheProgramStopsStartUp()
{
    Start start;
    start.settings.setBaseDeDatos(environment->root() + QStringLiteral("/apagada"));
    start.screens.wizard = [] {
        return false;
    };

    QCOMPARE(start.run(), StartupSequence::Outcome::Ended);
    QCOMPARE(start.screens.wizardShown, 1);
    QCOMPARE(start.screens.splashShown, 0);
}
