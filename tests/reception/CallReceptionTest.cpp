#include "CallReceptionTest.h"

#include "ReceptionDatabase.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/StoredConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {

const QDateTime FixedNow(QDate(2024, 3, 5), QTime(21, 7, 9, 456));

QString workerPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/reception_worker");
}

// One workstation: program values, datLlamada attached to a fresh database, its reception.
struct Desk
{
    explicit Desk(const QString& folder, qint16 puesto = 3)
        : database(folder)
    {
        values.programFolder = folder;
        values.CarpetaBase = folder;
        values.NumeroPuesto = puesto;
        datLlamada.setBusyTimeout(300);
        datLlamada.setDatabaseName(database.path());
        reception.setClock([] { return FixedNow; });
    }

    ReceptionDatabase database;
    ProgramValues values;
    DataControl datLlamada;
    CallReception reception{values, datLlamada};
};

std::unique_ptr<TestEnvironment> environment;

} // namespace

void CallReceptionTest::init()
{
    environment = std::make_unique<TestEnvironment>();
    QVERIFY(environment->isValid());
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
}

void CallReceptionTest::cleanup()
{
    environment.reset();
}

void CallReceptionTest::newNumberBecomesClientWithOneCall()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    QVERIFY(desk.database.exists());

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Logged);
    QVERIFY(!result.message);
    QVERIFY(!result.hideMainWindow);
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(true));
    const CallerNotice expected{
        QStringLiteral("4567890"), FixedNow.date(), QTime(21, 7, 9), {}, {}, {}, false, {}};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));

    const auto clients = desk.database.rows(QStringLiteral(
        "SELECT IdCliente, Telefono, FIngreso, CantLlamadas, Nombre, Alerta FROM Clientes"));
    QCOMPARE(clients.size(), 1);
    const qint64 id = clients[0][0].toLongLong();
    QCOMPARE(clients[0][1].toString(), QStringLiteral("4567890"));
    QCOMPARE(clients[0][2].toString(), QStringLiteral("2024-03-05"));
    QCOMPARE(clients[0][3].toInt(), 1);
    QVERIFY(clients[0][4].isNull());
    QCOMPARE(clients[0][5].toInt(), 0);
    QCOMPARE(desk.reception.currentNewClientKey(), id);
    QCOMPARE(desk.datLlamada.currentKey(), id);

    const auto calls =
        desk.database.rows(QStringLiteral("SELECT Cliente, Fecha, Puesto FROM Llamadas"));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0][0].toLongLong(), id);
    QCOMPARE(calls[0][1].toString(), QStringLiteral("2024-03-05 21:07:09"));
    QCOMPARE(calls[0][2].toInt(), 3);

    // The same number again is a known client now: counted, key of the new client unchanged.
    const ReceptionResult second = desk.reception.receive(QStringLiteral("4567890"));
    QCOMPARE(second.outcome, ReceptionResult::Outcome::Logged);
    QCOMPARE(second.notice->N, QStringLiteral("Cant: 2"));
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
    QCOMPARE(desk.reception.currentNewClientKey(), id);
}

void CallReceptionTest::knownClientIsCountedAndShown()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    const qint64 quiet =
        desk.database.addClient(QStringLiteral("1112222"), QStringLiteral("Ana"), {}, {}, false, 0);
    const qint64 id = desk.database.addClient(
        QStringLiteral("4567890"), QStringLiteral("Juan Díaz"),
        QStringLiteral("Av. Corrientes 1234"), QStringLiteral("Paga a fin de mes"), true, 4);
    QVERIFY(quiet > 0 && id > 0);
    const qint64 newKeyBefore = desk.reception.currentNewClientKey();

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Logged);
    const CallerNotice expected{QStringLiteral("4567890"),
                                FixedNow.date(),
                                QTime(21, 7, 9),
                                QStringLiteral("Juan Díaz"),
                                QStringLiteral("Av. Corrientes 1234"),
                                QStringLiteral("Paga a fin de mes"),
                                true,
                                QStringLiteral("Cant: 5")};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(true));
    QCOMPARE(desk.reception.currentNewClientKey(), newKeyBefore);
    QCOMPARE(desk.datLlamada.currentKey(), id);
    QCOMPARE(desk.database.scalar(
                 QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE IdCliente = %1").arg(id)),
             5);
    QCOMPARE(desk.database.scalar(
                 QStringLiteral("SELECT count(*) FROM Llamadas WHERE Cliente = %1").arg(id)),
             5);
    QCOMPARE(
        desk.database.scalar(
            QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE IdCliente = %1").arg(quiet)),
        0);

    // The alert mark follows the client: Ana has none.
    const ReceptionResult ana = desk.reception.receive(QStringLiteral("1112222"));
    QVERIFY(!ana.notice->Al);
    QCOMPARE(ana.notice->Nom, QStringLiteral("Ana"));
    QCOMPARE(ana.notice->N, QStringLiteral("Cant: 1"));
}

void CallReceptionTest::nullFieldsShowAsEmptyTexts()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    QVERIFY(desk.database.addClient(QStringLiteral("3334444"), {}, {}, {}, false, 2) > 0);
    // A count left Null by another program counts from nothing.
    QVERIFY(desk.database.execute(QStringLiteral("UPDATE Clientes SET CantLlamadas = NULL")));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("3334444"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Logged);
    QVERIFY(result.notice->Nom.isEmpty());
    QVERIFY(result.notice->Dom.isEmpty());
    QVERIFY(result.notice->Ob.isEmpty());
    QVERIFY(!result.notice->Al);
    QCOMPARE(result.notice->N, QStringLiteral("Cant: 1"));
}

void CallReceptionTest::anonymousCallIsShownAndNotLogged()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    QVERIFY(desk.database.addClient(QStringLiteral("0"), QStringLiteral("Nadie"), {}, {}, true, 1) >
            0);

    const ReceptionResult result = desk.reception.receive(QStringLiteral("0"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::Anonymous);
    const CallerNotice expected{
        {}, FixedNow.date(), QTime(21, 7, 9), QStringLiteral("ANÓNIMO"), {}, {}, false, {}};
    QCOMPARE(result.notice, std::optional<CallerNotice>(expected));
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(false));
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 1);
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 1);
    QCOMPARE(desk.reception.callDateText(), QStringLiteral("5/3/2024"));
    QCOMPARE(desk.reception.callTimeText(), QStringLiteral("21:07:09"));
}

void CallReceptionTest::callMomentReadsBackInEveryRegion_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("now");
    const QDateTime afternoon(QDate(2024, 12, 31), QTime(23, 59, 59, 999));
    const QDateTime morning(QDate(2025, 1, 2), QTime(0, 0, 1));
    QTest::newRow("es_AR") << QLocale(QLocale::Spanish, QLocale::Argentina) << afternoon;
    QTest::newRow("en_US 12 h") << QLocale(QLocale::English, QLocale::UnitedStates) << morning;
    QTest::newRow("en_US pm") << QLocale(QLocale::English, QLocale::UnitedStates) << afternoon;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << morning;
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << afternoon;
}

void CallReceptionTest::callMomentReadsBackInEveryRegion()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, now);
    QLocale::setDefault(locale);
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    desk.reception.setClock([now] { return now; });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    const QTime wholeSeconds(now.time().hour(), now.time().minute(), now.time().second());
    QCOMPARE(result.notice->F, now.date());
    QCOMPARE(result.notice->H, wholeSeconds);
    // The texts kept for the other screens say the same moment in the region's forms.
    QCOMPARE(DateText::dateFromRegional(desk.reception.callDateText()), now.date());
    QCOMPARE(DateText::timeFromRegional(desk.reception.callTimeText()), wholeSeconds);
    QCOMPARE(desk.database.rows(QStringLiteral("SELECT Fecha FROM Llamadas"))[0][0].toString(),
             DateText::storedDateTime(QDateTime(now.date(), wholeSeconds)));
    QCOMPARE(desk.database.rows(QStringLiteral("SELECT FIngreso FROM Clientes"))[0][0].toString(),
             DateText::storedDate(now.date()));
}

void CallReceptionTest::workstationNumberOfTheSettingsIsLogged_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("logged");
    QTest::newRow("0") << QStringLiteral("0") << 1;
    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("abc") << QStringLiteral("abc") << 1;
    QTest::newRow("7") << QStringLiteral("7") << 7;
}

void CallReceptionTest::workstationNumberOfTheSettingsIsLogged()
{
    QFETCH(QString, stored);
    QFETCH(int, logged);
    SettingsStore settings(environment->programFolder());
    const QString folder = environment->makeFolder(QStringLiteral("db"));
    settings.setPuesto(stored);
    settings.setBaseDeDatos(folder);
    Desk desk(folder, 0);

    readStoredConfig(settings).applyTo(desk.values);
    QCOMPARE(desk.values.CarpetaBase, folder);
    QCOMPARE(desk.reception.receive(QStringLiteral("4567890")).outcome,
             ReceptionResult::Outcome::Logged);

    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT Puesto FROM Llamadas")), logged);
}

void CallReceptionTest::unreachableFolderStillShowsTheKnownCaller()
{
    const QString folder = environment->makeFolder(QStringLiteral("shared"));
    Desk desk(folder);
    const qint64 id = desk.database.addClient(QStringLiteral("4567890"),
                                              QStringLiteral("Juan Díaz"), {}, {}, true, 4);
    QCOMPARE(desk.datLlamada.refresh(), 0);
    // The main workstation's share goes away while this one is attached.
    const QString away = folder + QStringLiteral("-away");
    QVERIFY(QDir().rename(folder, away));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QVERIFY(QDir().rename(away, folder));
    QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
    QVERIFY(result.databaseError != 0);
    QVERIFY(!result.message);
    QVERIFY(!result.hideMainWindow);
    QVERIFY(result.notice);
    QCOMPARE(result.notice->Num, QStringLiteral("4567890"));
    QCOMPARE(result.notice->Nom, QStringLiteral("Juan Díaz"));
    QVERIFY(result.notice->Al);
    QCOMPARE(result.notice->N, QStringLiteral("Cant: 4"));
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(true));
    // Nothing half-done: neither a call nor a count.
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 4);
    QCOMPARE(desk.database.scalar(
                 QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE IdCliente = %1").arg(id)),
             4);
}

void CallReceptionTest::unreachableFolderStillShowsANewNumber()
{
    const QString folder = environment->makeFolder(QStringLiteral("shared"));
    Desk desk(folder);
    QCOMPARE(desk.datLlamada.refresh(), 0);
    const QString away = folder + QStringLiteral("-away");
    QVERIFY(QDir().rename(folder, away));

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QVERIFY(QDir().rename(away, folder));
    QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
    QVERIFY(result.databaseError != 0);
    QCOMPARE(result.notice->Num, QStringLiteral("4567890"));
    QCOMPARE(result.notice->F, FixedNow.date());
    QVERIFY(result.notice->Nom.isEmpty());
    QCOMPARE(result.cmdLlamanteEnabled, std::optional<bool>(false));
    QCOMPARE(desk.reception.currentNewClientKey(), 0);
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 0);

    // With the folder back the next call goes through as usual.
    QCOMPARE(desk.reception.receive(QStringLiteral("4567890")).outcome,
             ReceptionResult::Outcome::Logged);
}

void CallReceptionTest::detachedDataControlShowsTheNumber()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    desk.datLlamada.setDatabaseName(QString());

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
    QCOMPARE(result.databaseError, DatabaseError::PathNotFound);
    QCOMPARE(result.notice->Num, QStringLiteral("4567890"));
    QCOMPARE(desk.database.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
}

void CallReceptionTest::lockedCounterShowsConflictAndHides()
{
    Desk desk(environment->makeFolder(QStringLiteral("db")));
    const qint64 id = desk.database.addClient(QStringLiteral("4567890"),
                                              QStringLiteral("Juan Díaz"), {}, {}, false, 4);
    // Another workstation takes the write lock just after this one logged the call.
    QProcess other;
    desk.reception.setCallLogger(
        [&](const QString& path, qint64 cliente, const QDateTime& fecha, qint16 puesto) {
            const int error = appendCall(path, cliente, fecha, puesto);
            other.start(workerPath(), {QStringLiteral("lock"), path});
            while (!other.readAll().contains("READY") && other.waitForReadyRead(5000)) {
            }
            return error;
        });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(5000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(result.outcome, ReceptionResult::Outcome::CounterFailed);
    QCOMPARE(result.databaseError, DatabaseError::RowLocked);
    const Message expected{QStringLiteral("El cliente está siendo actualizado por otra estación, "
                                          "espere o cancele la operación"),
                           MessageIcon::Information, MessageButtons::Ok};
    QCOMPARE(result.message, std::optional<Message>(expected));
    QVERIFY(result.hideMainWindow);
    QVERIFY(!result.notice);
    QVERIFY(!result.cmdLlamanteEnabled);
    // The call is logged; the count is not.
    QCOMPARE(desk.database.scalar(
                 QStringLiteral("SELECT count(*) FROM Llamadas WHERE Cliente = %1").arg(id)),
             5);
    QCOMPARE(desk.database.scalar(
                 QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE IdCliente = %1").arg(id)),
             4);
}

void CallReceptionTest::twoWorkstationsLogEveryCall()
{
    const QString folder = environment->makeFolder(QStringLiteral("shared"));
    ReceptionDatabase database(folder);
    constexpr int callsEach = 200;
    constexpr int numbers = 40;
    QProcess first;
    QProcess second;
    const auto arguments = [&](int puesto) {
        return QStringList{QStringLiteral("log"), folder, QString::number(puesto),
                           QString::number(callsEach), QString::number(numbers)};
    };
    first.start(workerPath(), arguments(2));
    second.start(workerPath(), arguments(9));
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    const QByteArray firstOutput = first.readAllStandardOutput();
    const QByteArray secondOutput = second.readAllStandardOutput();
    QVERIFY2(first.exitCode() == 0, firstOutput.constData());
    QVERIFY2(second.exitCode() == 0, secondOutput.constData());

    QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 2 * callsEach);
    QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Puesto = 2")),
             callsEach);
    QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Puesto = 9")),
             callsEach);
    // Both met every number: one client each, never two.
    QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), numbers);
    QCOMPARE(database.scalar(QStringLiteral("SELECT count(DISTINCT Telefono) FROM Clientes")),
             numbers);
    QCOMPARE(database.scalar(
                 QStringLiteral("SELECT count(*) FROM Clientes WHERE CantLlamadas <> "
                                "(SELECT count(*) FROM Llamadas WHERE Cliente = IdCliente)")),
             0);
    QCOMPARE(database.scalar(QStringLiteral(
                 "SELECT count(*) FROM Llamadas WHERE Cliente NOT IN (SELECT IdCliente FROM "
                 "Clientes)")),
             0);
}
