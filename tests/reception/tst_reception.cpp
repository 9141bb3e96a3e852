// Call reception and the start-up's decisions on real copies of the empty database; a worker
// process plays the other workstation that holds the file's lock.

#include "OrdinaryUser.h"
#include "ProgramDatabase.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"
#include "startup/ExisteBaseDatos.h"
#include "startup/StartupSequence.h"
#include "startup/StoredConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const QDateTime FixedNow(QDate(2024, 3, 5), QTime(21, 7, 9, 456));
const QTime FixedTime(21, 7, 9);

// One workstation: program values, datLlamada attached to a fresh database, its reception.
struct Desk
{
    explicit Desk(const QString& folder)
        : db(TestEnvironment::copyEmptyDatabase(folder))
    {
        values.CarpetaBase = folder;
        values.NumeroPuesto = 3;
        datLlamada.setBusyTimeout(300);
        datLlamada.setDatabaseName(db);
        reception.setClock([] { return FixedNow; });
    }
    [[nodiscard]] qint64 number(const QString& sql) const
    {
        return ProgramDatabase::scalar(db, sql).toLongLong();
    }

    QString db;
    ProgramValues values;
    DataControl datLlamada;
    CallReception reception{values, datLlamada};
};

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

class ReceptionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newNumberBecomesClientWithOneCall();
    void knownClientIsCountedAndShown_data();
    void knownClientIsCountedAndShown();
    void anonymousCallIsShownAndNotLogged();
    void callMomentReadsBackInEveryRegion_data();
    void callMomentReadsBackInEveryRegion();
    void unreachableDatabaseStillShowsTheCaller_data();
    void unreachableDatabaseStillShowsTheCaller();
    void failedCountLogsNothingAndKeepsTheCall();
    void clientKeyComesFromAGoodRead();

    void existeBaseDatosTellsFoundMissingAndBroken();
    void databaseThatCannotBeWrittenIsRefusedWithTheReason();
    void storedConfigConversions_data();
    void storedConfigConversions();
    void attachReportsWhatTheLoadMustDo();
    void startupSequence_data();
    void startupSequence();

private:
    [[nodiscard]] QString folder(const char* name) const
    {
        return m_env->makeFolder(QLatin1String(name));
    }
    std::unique_ptr<TestEnvironment> m_env;
};

void ReceptionTest::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
}

void ReceptionTest::cleanup()
{
    m_env.reset();
}

void ReceptionTest::newNumberBecomesClientWithOneCall()
{
    Desk desk(folder("db"));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Logged);
    QVERIFY(!result.message);
    QVERIFY(!result.hideMainWindow);
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(true));
    const CallerNotice expected{
        QStringLiteral("4567890"), FixedNow.date(), FixedTime, {}, {}, {}, false, {}};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));

    const qint64 id = desk.number(QStringLiteral("SELECT IdCliente FROM Clientes"));
    QCOMPARE(ProgramDatabase::scalar(desk.db,
                                     QStringLiteral("SELECT Telefono || ' ' || FIngreso || ' ' || "
                                                    "CantLlamadas || ' ' || Alerta || ' ' || "
                                                    "IFNULL(Nombre, 'null') FROM Clientes"))
                 .toString(),
             QStringLiteral("4567890 2024-03-05 1 0 null"));
    QCOMPARE(desk.reception.currentNewClientKey(), id);
    QCOMPARE(desk.datLlamada.currentKey(), id);
    QCOMPARE(ProgramDatabase::scalar(
                 desk.db, QStringLiteral("SELECT Cliente || ' ' || Fecha || ' ' || Puesto "
                                         "FROM Llamadas"))
                 .toString(),
             QString::number(id) + QStringLiteral(" 2024-03-05 21:07:09 3"));

    // The same number again is a known client now: counted, key of the new client unchanged.
    const ReceptionResult second = desk.reception.receive(QStringLiteral("4567890"));
    QCOMPARE(second.notice->N, QStringLiteral("Cant: 2"));
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
    QCOMPARE(desk.reception.currentNewClientKey(), id);
}

void ReceptionTest::knownClientIsCountedAndShown_data()
{
    QTest::addColumn<QVariant>("nombre");
    QTest::addColumn<QVariant>("domicilio");
    QTest::addColumn<bool>("alerta");
    QTest::addColumn<bool>("nullCount");
    QTest::addColumn<QString>("note");

    QTest::newRow("4 earlier calls, alert")
        << QVariant(QStringLiteral("Juan Díaz")) << QVariant(QStringLiteral("Av. Corrientes 1234"))
        << true << false << QStringLiteral("Cant: 5");
    QTest::newRow("Null texts, no alert")
        << QVariant() << QVariant() << false << false << QStringLiteral("Cant: 5");
    // A count left Null by another program counts from nothing.
    QTest::newRow("Null count") << QVariant(QStringLiteral("Ana")) << QVariant() << false << true
                                << QStringLiteral("Cant: 1");
}

void ReceptionTest::knownClientIsCountedAndShown()
{
    QFETCH(QVariant, nombre);
    QFETCH(QVariant, domicilio);
    QFETCH(bool, alerta);
    QFETCH(bool, nullCount);
    QFETCH(QString, note);
    Desk desk(folder("db"));
    const qint64 other =
        ProgramDatabase::addClient(desk.db, QStringLiteral("1112222"), {}, false, 0);
    const qint64 id = ProgramDatabase::addClient(desk.db, QStringLiteral("4567890"), nombre, alerta,
                                                 4, domicilio, QStringLiteral("Paga a fin de mes"));
    QVERIFY(other > 0 && id > 0);
    if (nullCount)
        QVERIFY(ProgramDatabase::execute(
            desk.db, QStringLiteral("UPDATE Clientes SET CantLlamadas = NULL")));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Logged);
    const CallerNotice expected{QStringLiteral("4567890"),
                                FixedNow.date(),
                                FixedTime,
                                nombre.toString(),
                                domicilio.toString(),
                                QStringLiteral("Paga a fin de mes"),
                                alerta,
                                note};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(true));
    QCOMPARE(desk.reception.currentNewClientKey(), 0);
    QCOMPARE(desk.datLlamada.currentKey(), id);
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Cliente = %1 AND "
                                        "Puesto = 3")
                             .arg(id)),
             1);
    QCOMPARE(
        QStringLiteral("Cant: ") +
            QString::number(desk.number(
                QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE IdCliente = %1").arg(id))),
        note);
    QCOMPARE(desk.number(QStringLiteral(
                             "SELECT IFNULL(CantLlamadas, -1) FROM Clientes WHERE IdCliente = %1")
                             .arg(other)),
             nullCount ? -1 : 0);
}

void ReceptionTest::anonymousCallIsShownAndNotLogged()
{
    Desk desk(folder("db"));
    QVERIFY(
        ProgramDatabase::addClient(desk.db, QStringLiteral("0"), QStringLiteral("Nadie"), true, 1));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("0"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Anonymous);
    const CallerNotice expected{{}, FixedNow.date(), FixedTime, QStringLiteral("ANÓNIMO"), {},
                                {}, false,           {}};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(false));
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Llamadas")), 1);
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) || CantLlamadas FROM Clientes")), 11);
    QCOMPARE(desk.reception.callDateText(), QStringLiteral("5/3/2024"));
    QCOMPARE(desk.reception.callTimeText(), QStringLiteral("21:07:09"));
}

void ReceptionTest::callMomentReadsBackInEveryRegion_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("now");
    const QDateTime lastSecond(QDate(2024, 12, 31), QTime(23, 59, 59, 999));
    const QDateTime morning(QDate(2025, 1, 2), QTime(0, 0, 1));
    QTest::newRow("es_AR") << QLocale(QLocale::Spanish, QLocale::Argentina) << lastSecond;
    QTest::newRow("en_US 12 h") << QLocale(QLocale::English, QLocale::UnitedStates) << morning;
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << lastSecond;
}

void ReceptionTest::callMomentReadsBackInEveryRegion()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, now);
    QLocale::setDefault(locale);
    Desk desk(folder("db"));
    desk.reception.setClock([now] { return now; });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    const QTime wholeSeconds(now.time().hour(), now.time().minute(), now.time().second());
    QCOMPARE(result.notice->F, now.date());
    QCOMPARE(result.notice->H, wholeSeconds);
    // The texts kept for the other screens say the same moment in the region's forms.
    QCOMPARE(DateText::dateFromRegional(desk.reception.callDateText()), now.date());
    QCOMPARE(DateText::timeFromRegional(desk.reception.callTimeText()), wholeSeconds);
    QCOMPARE(ProgramDatabase::scalar(desk.db, QStringLiteral("SELECT Fecha FROM Llamadas")),
             QVariant(DateText::storedDateTime(QDateTime(now.date(), wholeSeconds))));
    QCOMPARE(ProgramDatabase::scalar(desk.db, QStringLiteral("SELECT FIngreso FROM Clientes")),
             QVariant(DateText::storedDate(now.date())));
}

void ReceptionTest::unreachableDatabaseStillShowsTheCaller_data()
{
    QTest::addColumn<bool>("known");
    QTest::newRow("known client") << true;
    QTest::newRow("new number") << false;
}

void ReceptionTest::unreachableDatabaseStillShowsTheCaller()
{
    QFETCH(bool, known);
    const QString shared = folder("shared");
    Desk desk(shared);
    if (known)
        QVERIFY(ProgramDatabase::addClient(desk.db, QStringLiteral("4567890"),
                                           QStringLiteral("Juan Díaz"), true, 4));
    QCOMPARE(desk.datLlamada.refresh(), 0);
    // The main workstation's share goes away while this one is attached.
    const QString away = shared + QStringLiteral("-away");
    QVERIFY(QDir().rename(shared, away));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QVERIFY(QDir().rename(away, shared));
    QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
    QVERIFY(result.databaseError != 0);
    QVERIFY(!result.message);
    QVERIFY(!result.hideMainWindow);
    const CallerNotice expected =
        known ? CallerNotice{QStringLiteral("4567890"),
                             FixedNow.date(),
                             FixedTime,
                             QStringLiteral("Juan Díaz"),
                             {},
                             {},
                             true,
                             QStringLiteral("Cant: 4")}
              : CallerNotice{
                    QStringLiteral("4567890"), FixedNow.date(), FixedTime, {}, {}, {}, false, {}};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));
    // The button opens the caller's record, which only a known client has.
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(known));
    QCOMPARE(desk.reception.currentNewClientKey(), 0);
    // Nothing half-done: neither a call, nor a count, nor a client.
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Llamadas")), known ? 4 : 0);
    QCOMPARE(ProgramDatabase::scalar(desk.db, QStringLiteral("SELECT count(*) || '/' || "
                                                             "IFNULL(SUM(CantLlamadas), 0) "
                                                             "FROM Clientes"))
                 .toString(),
             known ? QStringLiteral("1/4") : QStringLiteral("0/0"));

    // With the folder back the next call goes through as usual.
    QCOMPARE(desk.reception.receive(QStringLiteral("4567890")).outcome,
             ReceptionResult::Outcome::Logged);
}

void ReceptionTest::failedCountLogsNothingAndKeepsTheCall()
{
    Desk desk(folder("db"));
    const qint64 id = ProgramDatabase::addClient(desk.db, QStringLiteral("4567890"),
                                                 QStringLiteral("Juan Díaz"), false, 4);
    QList<PendingCall> kept;
    desk.reception.setKeepForLater([&](const PendingCall& call) {
        kept.append(call);
        return true;
    });
    // Another workstation deletes the client between the lookup and the logging.
    desk.reception.setBeforeCallWrite([&] {
        QVERIFY(ProgramDatabase::execute(desk.db, QStringLiteral("DELETE FROM Clientes")));
    });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::CounterFailed);
    QCOMPARE(result.databaseError, DatabaseError::RowDeleted);
    const Message expected{QStringLiteral("El cliente ha sido eliminado por otra estación"),
                           MessageIcon::Information, MessageButtons::Ok};
    QCOMPARE(result.message, std::optional<Message>(expected));
    QVERIFY(result.hideMainWindow);
    QVERIFY(!result.notice);
    // The call row went back with its count: no call of a client that is gone, and the call
    // waits to be logged as it came.
    QCOMPARE(
        desk.number(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Cliente = %1").arg(id)), 4);
    QVERIFY(result.waiting && result.keptOnDisk);
    QCOMPARE(kept, (QList<PendingCall>{
                       {QStringLiteral("4567890"), QDateTime(FixedNow.date(), FixedTime), 3}}));
}

void ReceptionTest::clientKeyComesFromAGoodRead()
{
    Desk desk(folder("db"));
    const qint64 id = ProgramDatabase::addClient(desk.db, QStringLiteral("4567890"),
                                                 QStringLiteral("Juan Díaz"), false, 4);
    desk.datLlamada.setBusyTimeout(1000);
    // Right after the lookup found the client, another workstation holds the whole file for
    // 1.7 s: the first read of the client's row waits 1 s and fails, a read tried again after
    // that gets through.
    QProcess other;
    bool started = false;
    connect(&desk.datLlamada, &DataControl::repositioned, this, [&] {
        if (started)
            return;
        started = true;
        other.start(QCoreApplication::applicationDirPath() + QStringLiteral("/reception_worker"),
                    {desk.db, QStringLiteral("exclusive"), QStringLiteral("1700")});
        while (!other.readAll().contains("READY") && other.waitForReadyRead(5000)) {
        }
    });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QVERIFY(other.waitForFinished(5000));
    QCOMPARE(other.exitCode(), 0);
    // Never a call under a key that was not read: it is logged under its client, or not at all
    // (and then said so).
    QCOMPARE(
        desk.number(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Cliente <> %1").arg(id)),
        0);
    if (result.outcome == ReceptionResult::Outcome::Logged) {
        QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Llamadas")), 5);
    } else {
        QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
        QVERIFY(result.databaseError != 0);
        QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Llamadas")), 4);
    }
}

void ReceptionTest::existeBaseDatosTellsFoundMissingAndBroken()
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

void ReceptionTest::databaseThatCannotBeWrittenIsRefusedWithTheReason()
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

void ReceptionTest::storedConfigConversions_data()
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

void ReceptionTest::storedConfigConversions()
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

void ReceptionTest::attachReportsWhatTheLoadMustDo()
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

void ReceptionTest::startupSequence_data()
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

void ReceptionTest::startupSequence()
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

QTEST_GUILESS_MAIN(ReceptionTest)
#include "tst_reception.moc"
