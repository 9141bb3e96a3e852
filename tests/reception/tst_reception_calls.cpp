// Call reception on real copies of the empty database; a worker process plays the other
// workstation that holds the file's lock.

#include "DatabaseWorker.h"
#include "EngineRows.h"
#include "PostgresServer.h"
#include "ProgramDatabase.h"
#include "ReceptionFixture.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/ServerAddress.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QProcess>
#include <QTest>

#include <memory>

namespace {

const QDateTime FixedNow(QDate(2024, 3, 5), QTime(21, 7, 9, 456));
const QTime FixedTime(21, 7, 9);

// One workstation: program values, datLlamada attached to a fresh database (a copy of the empty
// file in folder, or one on the server when given), its reception.
struct Desk
{
    explicit Desk(const QString& folder, PostgresServer* server = nullptr)
        : db(server != nullptr ? server->freshProgramDatabase()
                               : TestEnvironment::copyEmptyDatabase(folder))
    {
        values.CarpetaBase = folder;
        if (server != nullptr)
            values.Servidor = ServerAddress::fromDatabaseName(db);
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

} // namespace

class CallReceptionTest : public ReceptionTestBase
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_server.stop(); }
    void newNumberBecomesClientWithOneCall_data() { addEngineRows(); }
    void newNumberBecomesClientWithOneCall();
    void knownClientIsCountedAndShown_data();
    void knownClientIsCountedAndShown();
    void anonymousCallIsShownAndNotLogged();
    void numberLongerThanTheColumnIsLogged_data() { addEngineRows(); }
    void numberLongerThanTheColumnIsLogged();
    void callMomentReadsBackInEveryRegion_data();
    void callMomentReadsBackInEveryRegion();
    void unreachableDatabaseStillShowsTheCaller_data();
    void unreachableDatabaseStillShowsTheCaller();
    void failedCountLogsNothingAndKeepsTheCall();
    void clientKeyComesFromAGoodRead();

private:
    EngineServer m_server;
};

void CallReceptionTest::initTestCase()
{
    m_server.start();
}

void CallReceptionTest::newNumberBecomesClientWithOneCall()
{
    Desk desk(folder("db"), m_server.forRow());

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
                                                    "coalesce(Nombre, 'null') FROM Clientes"))
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

void CallReceptionTest::knownClientIsCountedAndShown_data()
{
    QTest::addColumn<QVariant>("nombre");
    QTest::addColumn<QVariant>("domicilio");
    QTest::addColumn<bool>("alerta");
    QTest::addColumn<bool>("nullCount");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("onServer");

    QTest::newRow("4 earlier calls, alert")
        << QVariant(QStringLiteral("Juan Díaz")) << QVariant(QStringLiteral("Av. Corrientes 1234"))
        << true << false << QStringLiteral("Cant: 5") << false;
    QTest::newRow("Null texts, no alert")
        << QVariant() << QVariant() << false << false << QStringLiteral("Cant: 5") << false;
    // A count left Null by another program counts from nothing.
    QTest::newRow("Null count") << QVariant(QStringLiteral("Ana")) << QVariant() << false << true
                                << QStringLiteral("Cant: 1") << false;
    QTest::newRow("server, alert")
        << QVariant(QStringLiteral("José Núñez")) << QVariant(QStringLiteral("Av. Corrientes 1234"))
        << true << false << QStringLiteral("Cant: 5") << true;
    QTest::newRow("server, Null count") << QVariant(QStringLiteral("Ana")) << QVariant() << false
                                        << true << QStringLiteral("Cant: 1") << true;
}

void CallReceptionTest::knownClientIsCountedAndShown()
{
    QFETCH(QVariant, nombre);
    QFETCH(QVariant, domicilio);
    QFETCH(bool, alerta);
    QFETCH(bool, nullCount);
    QFETCH(QString, note);
    Desk desk(folder("db"), m_server.forRow());
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
                             "SELECT coalesce(CantLlamadas, -1) FROM Clientes WHERE IdCliente = %1")
                             .arg(other)),
             nullCount ? -1 : 0);
}

void CallReceptionTest::anonymousCallIsShownAndNotLogged()
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

void CallReceptionTest::numberLongerThanTheColumnIsLogged()
{
    Desk desk(folder("db"), m_server.forRow());
    const QString number = QStringLiteral("0054935155512340000012345");

    const ReceptionResult first = desk.reception.receive(number);
    const ReceptionResult second = desk.reception.receive(number);

    // Shown as it came; logged, and found again, by its last 20 digits.
    QCOMPARE(first.outcome, ReceptionResult::Outcome::Logged);
    QCOMPARE(first.notice->Num, number);
    QCOMPARE(second.outcome, ReceptionResult::Outcome::Logged);
    QCOMPARE(second.notice->N, QStringLiteral("Cant: 2"));
    QCOMPARE(desk.number(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
    QCOMPARE(ProgramDatabase::scalar(
                 desk.db, QStringLiteral("SELECT Telefono || ' ' || CantLlamadas FROM Clientes"))
                 .toString(),
             QStringLiteral("35155512340000012345 2"));
    QCOMPARE(ProgramDatabase::callsOf(desk.db, number.right(20)), 2);
}

void CallReceptionTest::callMomentReadsBackInEveryRegion_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("now");
    const QDateTime lastSecond(QDate(2024, 12, 31), QTime(23, 59, 59, 999));
    const QDateTime morning(QDate(2025, 1, 2), QTime(0, 0, 1));
    QTest::addColumn<bool>("onServer");
    QTest::newRow("es_AR") << QLocale(QLocale::Spanish, QLocale::Argentina) << lastSecond << false;
    QTest::newRow("en_US 12 h") << QLocale(QLocale::English, QLocale::UnitedStates) << morning
                                << false;
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << lastSecond << false;
    QTest::newRow("en_US 12 h, server")
        << QLocale(QLocale::English, QLocale::UnitedStates) << morning << true;
}

void CallReceptionTest::callMomentReadsBackInEveryRegion()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, now);
    QLocale::setDefault(locale);
    Desk desk(folder("db"), m_server.forRow());
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

void CallReceptionTest::unreachableDatabaseStillShowsTheCaller_data()
{
    QTest::addColumn<bool>("known");
    QTest::newRow("known client") << true;
    QTest::newRow("new number") << false;
}

void CallReceptionTest::unreachableDatabaseStillShowsTheCaller()
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

void CallReceptionTest::failedCountLogsNothingAndKeepsTheCall()
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

void CallReceptionTest::clientKeyComesFromAGoodRead()
{
    Desk desk(folder("db"));
    const qint64 id = ProgramDatabase::addClient(desk.db, QStringLiteral("4567890"),
                                                 QStringLiteral("Juan Díaz"), false, 4);
    desk.datLlamada.setBusyTimeout(1000);
    // Right after the lookup found the client, another workstation holds the whole file for
    // 1.7 s: the first read of the client's row waits 1 s and fails, a read tried again after
    // that gets through.
    std::unique_ptr<QProcess> other;
    bool started = false;
    connect(&desk.datLlamada, &DataControl::repositioned, this, [&] {
        if (started)
            return;
        started = true;
        other = DatabaseWorker::startReady(
            {QStringLiteral("hold-exclusive"), desk.db, QStringLiteral("1700")});
    });

    const ReceptionResult result = desk.reception.receive(QStringLiteral("4567890"));

    QVERIFY(other && other->waitForFinished(5000));
    QCOMPARE(other->exitCode(), 0);
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

std::unique_ptr<QObject> makeCallReceptionTest()
{
    return std::make_unique<CallReceptionTest>();
}

#include "tst_reception_calls.moc"
