// The start-up's decisions: whether the database is there and writable, the stored settings,
// the attach and the sequence of wizard, splash and messages.

#include "OrdinaryUser.h"
#include "ReceptionFixture.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"
#include "startup/ExisteBaseDatos.h"
#include "startup/StartupSequence.h"
#include "startup/StoredConfig.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

namespace {

// Stands in for the wizard and the splash; the wizard may act as the user would.
class FakeScreens : public StartupScreens
{
public:
    bool showConfigurationWizard() override
    {
        ++wizardShown;
        return wizard ? wizard() : true;
    }
    void showSplash() override { ++splashShown; }
    void showMessage(const Message& message) override { messages.append(message); }

    std::function<bool()> wizard;
    int wizardShown = 0;
    int splashShown = 0;
    QList<Message> messages;
};

// What is stored as "Base de datos": nothing, a folder without the file, the right folder.
enum Stored
{
    Nothing,
    EmptyFolder,
    GoodFolder,
};
// What the wizard does: nothing, store the right folder, end the program (its load met an
// unreachable folder).
enum Wizard
{
    Leave,
    ChooseGood,
    EndProgram,
};

void writeJunk(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
}

} // namespace

class StartupDecisionsTest : public ReceptionTestBase
{
    Q_OBJECT

private slots:
    void existeBaseDatosTellsFoundMissingAndBroken();
    void databaseThatCannotBeWrittenIsRefusedWithTheReason();
    void storedConfigConversions_data();
    void storedConfigConversions();
    void attachReportsWhatTheLoadMustDo();
    void startupSequence_data();
    void startupSequence();
};

void StartupDecisionsTest::existeBaseDatosTellsFoundMissingAndBroken()
{
    const QString found = folder("db");
    static_cast<void>(TestEnvironment::copyEmptyDatabase(found));
    QCOMPARE(ExisteBaseDatos(found, QStringLiteral("llamora.mdb")), 0);

    const QString empty = folder("empty");
    QCOMPARE(ExisteBaseDatos(empty, QStringLiteral("llamora.mdb")), 2);
    QVERIFY(QDir(empty).isEmpty());
    QCOMPARE(
        ExisteBaseDatos(m_env->root() + QStringLiteral("/nowhere"), QStringLiteral("llamora.mdb")),
        1);

    const QString broken = folder("broken");
    writeJunk(broken + QStringLiteral("/Llamora.mdb"));
    QCOMPARE(ExisteBaseDatos(broken, QStringLiteral("llamora.mdb")), 1);
}

void StartupDecisionsTest::databaseThatCannotBeWrittenIsRefusedWithTheReason()
{
    if (OrdinaryUser::isRoot()) {
        QVERIFY(OrdinaryUser::runTestFunction(QTest::currentTestFunction()));
        return;
    }
    const QString name = QStringLiteral("llamora.mdb");
    const QString shared = folder("shared");
    const QString db = TestEnvironment::copyEmptyDatabase(shared);
    const auto readAndEnter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QCOMPARE(ExisteBaseDatos(shared, name), 0);
    QVERIFY(!databaseWriteMessage(shared, name));

    // The installed layout used by an ordinary user: the file may be read, not written.
    QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(ExisteBaseDatos(shared, name), 2);
    const auto fileMessage = databaseWriteMessage(shared, name);
    QVERIFY(fileMessage);
    QCOMPARE(fileMessage->text,
             QStringLiteral("La Base de Datos de «%1» no se puede usar para registrar llamadas: "
                            "sin permiso de escritura en el archivo «%2». Indique otra "
                            "ubicación, o pida ese permiso al administrador del equipo.")
                 .arg(shared, db));
    QCOMPARE(fileMessage->icon, MessageIcon::Exclamation);

    // The start-up says why, then goes the way of a missing file: the wizard, and the end when
    // nothing changed there.
    SettingsStore settings(m_env->programFolder());
    settings.setBaseDeDatos(shared);
    ProgramValues values;
    values.programFolder = m_env->programFolder();
    FakeScreens screens;
    QCOMPARE(StartupSequence(settings, values, screens).Main(), StartupSequence::Outcome::Ended);
    QCOMPARE(screens.messages, QList<Message>{*fileMessage});
    QCOMPARE(screens.wizardShown, 1);
    QCOMPARE(screens.splashShown, 0);

    // A writable file in a folder that cannot take the engine's journal.
    QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(shared, readAndEnter));
    const int folderResult = ExisteBaseDatos(shared, name);
    const auto folderMessage = databaseWriteMessage(shared, name);
    QVERIFY(QFile::setPermissions(shared, readAndEnter | QFile::WriteOwner));
    QCOMPARE(folderResult, 2);
    QVERIFY(folderMessage);
    QVERIFY2(folderMessage->text.contains(
                 QStringLiteral("sin permiso de escritura en la carpeta «%1»").arg(shared)),
             qPrintable(folderMessage->text));
    // Nothing was left behind by the checks.
    QCOMPARE(QDir(shared).entryList(QDir::Files | QDir::Hidden), QStringList{"Llamora.mdb"});
    QCOMPARE(ExisteBaseDatos(shared, name), 0);
}

void StartupDecisionsTest::storedConfigConversions_data()
{
    QTest::addColumn<QString>("puerto");
    QTest::addColumn<QString>("puesto");
    QTest::addColumn<QString>("activar");
    QTest::addColumn<int>("expectedPuerto"); // 0: none
    QTest::addColumn<int>("expectedPuesto");
    QTest::addColumn<bool>("expectedActivar");
    QTest::addColumn<bool>("storeFolder");

    QTest::newRow("all stored") << "3"
                                << "7"
                                << "1" << 3 << 7 << true << true;
    QTest::newRow("nothing stored") << ""
                                    << ""
                                    << "" << 0 << 1 << false << false;
    QTest::newRow("puesto 0, activar 0") << "16"
                                         << "0"
                                         << "0" << 16 << 1 << false << true;
    QTest::newRow("text values") << "abc"
                                 << "abc"
                                 << "abc" << 0 << 1 << false << false;
    QTest::newRow("activar 2") << "4"
                               << "10"
                               << "2" << 4 << 10 << false << false;
}

void StartupDecisionsTest::storedConfigConversions()
{
    QFETCH(QString, puerto);
    QFETCH(QString, puesto);
    QFETCH(QString, activar);
    QFETCH(int, expectedPuerto);
    QFETCH(int, expectedPuesto);
    QFETCH(bool, expectedActivar);
    QFETCH(bool, storeFolder);
    SettingsStore settings(m_env->programFolder());
    settings.setPuerto(puerto);
    settings.setPuesto(puesto);
    settings.setActivarCID(activar);
    const QString shared = folder("shared");
    settings.setBaseDeDatos(storeFolder ? shared : QString());

    const StoredConfig config = readStoredConfig(settings);

    QCOMPARE(config.Puerto.value_or(0), expectedPuerto);
    QCOMPARE(int(config.NumeroPuesto), expectedPuesto);
    QCOMPARE(config.ActivarCID, expectedActivar);
    QCOMPARE(config.CarpetaBase, storeFolder ? shared : m_env->programFolder());
}

void StartupDecisionsTest::attachReportsWhatTheLoadMustDo()
{
    const QString path = TestEnvironment::copyEmptyDatabase(folder("db"));
    DataControl datLlamada;
    const DatabaseAttachResult attached = attachDatLlamada(datLlamada, path);
    QCOMPARE(attached.next, DatabaseAttachResult::Next::GoOn);
    QVERIFY(!attached.message);
    QVERIFY(datLlamada.isAttached());

    DataControl unreachable;
    const DatabaseAttachResult off =
        attachDatLlamada(unreachable, m_env->root() + QStringLiteral("/apagada/Llamora.mdb"));
    QCOMPARE(off.next, DatabaseAttachResult::Next::EndProgram);
    const Message offMessage{QStringLiteral("La Estación principal esta apagada, enciéndala y "
                                            "ejecute nuevamente el programa."),
                             MessageIcon::Exclamation, MessageButtons::Ok};
    QCOMPARE(off.message, std::optional<Message>(offMessage));

    DataControl missing;
    const QString empty = folder("empty");
    const DatabaseAttachResult repair =
        attachDatLlamada(missing, empty + QStringLiteral("/Llamora.mdb"));
    QCOMPARE(repair.next, DatabaseAttachResult::Next::Repair);
    const Message repairMessage{
        QStringLiteral("Problema con la base de datos, se itentará reparar, si no se logra, "
                       "comunique a la asistencia técnica el error: 3024"),
        MessageIcon::Exclamation, MessageButtons::Ok};
    QCOMPARE(repair.message, std::optional<Message>(repairMessage));
    QVERIFY(QDir(empty).isEmpty());
}

void StartupDecisionsTest::startupSequence_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("databaseInProgramFolder");
    QTest::addColumn<int>("wizard");
    QTest::addColumn<int>("wizardShown");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("carpetaBase");

    QTest::newRow("stored folder holds the file")
        << int(GoodFolder) << false << int(Leave) << 0 << true << int(GoodFolder);
    QTest::newRow("nothing stored, file in program folder")
        << int(Nothing) << true << int(Leave) << 1 << true << int(Nothing);
    QTest::newRow("nothing stored, no file anywhere")
        << int(Nothing) << false << int(Leave) << 2 << false << int(Nothing);
    QTest::newRow("file missing, wizard left")
        << int(EmptyFolder) << true << int(Leave) << 1 << false << int(EmptyFolder);
    // The folder the user has just chosen counts at once.
    QTest::newRow("file missing, right folder chosen")
        << int(EmptyFolder) << false << int(ChooseGood) << 1 << true << int(GoodFolder);
    QTest::newRow("load ends the program")
        << int(EmptyFolder) << true << int(EndProgram) << 1 << false << int(EmptyFolder);
}

void StartupDecisionsTest::startupSequence()
{
    QFETCH(int, stored);
    QFETCH(bool, databaseInProgramFolder);
    QFETCH(int, wizard);
    QFETCH(int, wizardShown);
    QFETCH(bool, running);
    QFETCH(int, carpetaBase);
    const QStringList folders{m_env->programFolder(), folder("empty"), folder("good")};
    static_cast<void>(TestEnvironment::copyEmptyDatabase(folders.at(GoodFolder)));
    if (databaseInProgramFolder)
        static_cast<void>(TestEnvironment::copyEmptyDatabase(m_env->programFolder()));
    SettingsStore settings(m_env->programFolder());
    if (stored != Nothing)
        settings.setBaseDeDatos(folders.at(stored));
    ProgramValues values;
    values.programFolder = m_env->programFolder();
    FakeScreens screens;
    screens.wizard = [&] {
        if (wizard == ChooseGood)
            settings.setBaseDeDatos(folders.at(GoodFolder));
        return wizard != EndProgram;
    };

    const auto outcome = StartupSequence(settings, values, screens).Main();

    QCOMPARE(outcome,
             running ? StartupSequence::Outcome::Running : StartupSequence::Outcome::Ended);
    QCOMPARE(screens.wizardShown, wizardShown);
    QCOMPARE(screens.splashShown, running ? 1 : 0);
    QCOMPARE(values.CarpetaBase, folders.at(carpetaBase));
}

std::unique_ptr<QObject> makeStartupDecisionsTest()
{
    return std::make_unique<StartupDecisionsTest>();
}

#include "tst_reception_startup.moc"
