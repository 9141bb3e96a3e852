// Calls from the modem simulator to the panel and the database, with the window shown or closed
// to the tray, and a call whose count fails.

#include "LineSettings.h"
#include "MessageBox.h"
#include "PostgresServer.h"
#include "ProgramDatabase.h"
#include "ProgramWindowsFixture.h"
#include "SipOffice.h"
#include "database/DataControl.h"
#include "database/server/ServerSchema.h"
#include "outbox/Outbox.h"
#include "reception/CallReception.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <functional>

namespace {
// Workstation 3, identification on, a shared folder whose database knows 4567890 (DÍAZ JUAN,
// with an alert and 4 earlier calls).
bool storeKnownClientOffice(const TestEnvironment& env, QString* db)
{
    const QString folder = env.makeFolder(QStringLiteral("datos"));
    *db = TestEnvironment::copyEmptyDatabase(folder);
    if (!ProgramDatabase::addClient(*db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                    true, 4))
        return false;
    SettingsStore settings(env.programFolder());
    settings.setBaseDeDatos(folder);
    settings.setPuesto(QStringLiteral("3"));
    settings.setActivarCID(QStringLiteral("1"));
    return true;
}
} // namespace

class ProgramCallsTest : public QObject
{
    Q_OBJECT

private slots:
    void callsReachPanelAndDatabaseAlsoWhenHidden();
    void failedCountShowsMessageAndHides();
    void sipCallReachesPanelAndDatabase();
    void callsReachTheStoredServer();
};

void ProgramCallsTest::callsReachPanelAndDatabaseAlsoWhenHidden()
{
    TestEnvironment env;
    ModemSimulator modem;
    QString link;
    QVERIFY(startModem(modem, env, &link));
    QVERIFY(pointPorts(env, {{4, link}}));
    QString db;
    QVERIFY(storeKnownClientOffice(env, &db));
    SettingsStore(env.programFolder()).setPuerto(QStringLiteral("4"));
    MessageBox::Script script;
    Program p(env.programFolder());

    frmIdentificador* w = p.windows->mainWindow();
    QVERIFY(w);
    // The stored switch-on ran during the load; the icon was created showing it.
    QVERIFY(w->Lineo1()->Enabled());
    QCOMPARE(p.tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Activado"));
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));

    // A known client with 4 earlier calls.
    QVERIFY(modem.call(QStringLiteral("4567890")));
    QTRY_COMPARE(panelText(*w, "lblNota"), QStringLiteral("Cant: 5"));
    QCOMPARE(panelText(*w, "lblTelefono"), QStringLiteral("4567890"));
    QCOMPARE(panelText(*w, "lblNombre"), QStringLiteral("DÍAZ JUAN"));
    QVERIFY(alertShown(*w));
    QVERIFY(w->cmdLlamante()->isEnabled());
    QVERIFY(w->cmdLlamante()->hasFocus());
    const auto count = [&](const char* sql) {
        return ProgramDatabase::scalar(db, QLatin1String(sql)).toInt();
    };
    QCOMPARE(count("SELECT CantLlamadas FROM Clientes WHERE Telefono = '4567890'"), 5);

    // A withheld number: shown, nothing looked up or logged.
    QVERIFY(modem.call(QStringLiteral("P")));
    QTRY_COMPARE(panelText(*w, "lblNombre"), CallReception::anonymousName());
    QCOMPARE(panelText(*w, "lblTelefono"), QString());
    QVERIFY(!alertShown(*w));
    QVERIFY(!w->cmdLlamante()->isEnabled());
    QCOMPARE(count("SELECT COUNT(*) FROM Llamadas"), 5);

    // Closed, the window waits behind its recreated icon, and calls still come in.
    const qsizetype toolTips = p.tray->toolTips.size();
    w->close();
    QVERIFY(!w->isVisible());
    QVERIFY(p.tray->isShown());
    QCOMPARE(p.tray->toolTips.size(), toolTips + 1);
    QVERIFY(w->Lineo1()->Enabled());
    QVERIFY(modem.call(QStringLiteral("1112222")));
    QTRY_COMPARE(panelText(*w, "lblTelefono"), QStringLiteral("1112222"));
    QVERIFY(w->isVisible());
    QCOMPARE(panelText(*w, "lblNota"), QString());
    // Both calls logged with this workstation's number.
    QCOMPARE(count("SELECT COUNT(*) FROM Llamadas WHERE Puesto = 3"), 2);
    QVERIFY(script.shown().isEmpty());
}

void ProgramCallsTest::failedCountShowsMessageAndHides()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    const QString folder = env.makeFolder(QStringLiteral("datos"));
    const QString db = TestEnvironment::copyEmptyDatabase(folder);
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       false, 4));
    SettingsStore(env.programFolder()).setBaseDeDatos(folder);
    MessageBox::Script script;
    Program p(env.programFolder());
    frmIdentificador* w = p.windows->mainWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));

    const QString panelBefore = panelText(*w, "lblTelefono");
    // Another workstation deletes the client between the lookup and the logging of the call.
    w->reception().setBeforeCallWrite(
        [db] { ProgramDatabase::execute(db, QStringLiteral("DELETE FROM Clientes")); });
    w->Recibe_llamada(QStringLiteral("4567890"));

    QCOMPARE(script.texts(), QStringList{QStringLiteral("El cliente ha sido eliminado por otra "
                                                        "estación")});
    QCOMPARE(script.shown().first().message.icon, MessageIcon::Information);
    QVERIFY(!w->isVisible());
    QVERIFY(p.tray->isShown());
    // The panel was not filled for a window that went away. Neither the call nor its count is
    // written half: the call waits in the outbox and goes in, under a new client, once the
    // database takes it.
    QCOMPARE(panelText(*w, "lblTelefono"), panelBefore);
    QVERIFY(!w->cmdLlamante()->isEnabled());
    QCOMPARE(w->outbox().count(), 1);
    w->reception().setBeforeCallWrite({});
    w->outbox().deliver();
    QTRY_COMPARE(w->outbox().count(), 0);
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT COUNT(*) || ' ' || "
                                                        "SUM(CantLlamadas) FROM Clientes"))
                 .toString(),
             QStringLiteral("1 1"));
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN "
                                                        "Clientes C ON C.IdCliente = L.Cliente"))
                 .toInt(),
             1);
}

void ProgramCallsTest::sipCallReachesPanelAndDatabase()
{
    TestEnvironment env;
    SipPeer pbx;
    LineSettings line;
    QVERIFY(startSipOffice(pbx, QStringLiteral("recepcion"), QStringLiteral("s3creta"), &line));
    QString db;
    QVERIFY(storeKnownClientOffice(env, &db));
    MessageBox::Script script;
    Program p(env.programFolder());
    frmIdentificador* w = p.windows->mainWindow();
    QVERIFY(w->Lineo1()->Enabled());
    QTRY_COMPARE(p.tray->toolTip(),
                 QStringLiteral("Llamora v 3.0.0   Activado\nLínea VoIP: Registrado"));

    QVERIFY2(pbx.call(line.sip.localPort, QStringLiteral("sip:100@127.0.0.1"),
                      QStringLiteral("P-Asserted-Identity: <sip:4567890@127.0.0.1>"),
                      SipPeer::Expect::Ringing),
             qPrintable(pbx.lastCallOutput()));
    QTRY_COMPARE(panelText(*w, "lblNota"), QStringLiteral("Cant: 5"));
    QCOMPARE(panelText(*w, "lblTelefono"), QStringLiteral("4567890"));
    QCOMPARE(panelText(*w, "lblNombre"), QStringLiteral("DÍAZ JUAN"));
    QCOMPARE(ProgramDatabase::callsOf(db, QStringLiteral("4567890")), 5);

    // Switching identification off unregisters this workstation.
    w->findChild<PictureButton*>(QStringLiteral("cmdEncendidoID"))->click();
    QVERIFY(!w->Lineo1()->Enabled());
    QCOMPARE(p.tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));
    QTRY_VERIFY(pbx.registrarMessages().contains(QLatin1String(";expires=0")));
    QVERIFY(script.shown().isEmpty());
}

// A workstation whose settings name a server starts on it and logs its calls there; the folder
// stored beside it holds no database and is never looked at.
void ProgramCallsTest::callsReachTheStoredServer()
{
    PostgresServer server;
    QVERIFY2(server.isValid(), qPrintable(server.errorText()));
    const ServerAddress address = server.address();
    // Runs work on a connection of its own to the server.
    const auto onServer = [&address](const std::function<void(QSqlDatabase&)>& work) {
        const QString name = QStringLiteral("prueba");
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            applyServerAddress(database, address, 5);
            if (database.open())
                work(database);
        }
        QSqlDatabase::removeDatabase(name);
    };
    const auto count = [&onServer](const QString& sql) {
        int value = -1;
        onServer([&](QSqlDatabase& database) {
            QSqlQuery query(database);
            if (query.exec(sql) && query.next())
                value = query.value(0).toInt();
        });
        return value;
    };
    int created = -1;
    onServer([&created](QSqlDatabase& database) { created = ServerSchema::create(database); });
    QCOMPARE(created, 0);
    TestEnvironment env;
    ModemSimulator modem;
    QString link;
    QVERIFY(startModem(modem, env, &link));
    QVERIFY(pointPorts(env, {{4, link}}));
    SettingsStore settings(env.programFolder());
    settings.setBaseDeDatos(env.makeFolder(QStringLiteral("sin-base")));
    QVERIFY(settings.setServidor(address));
    settings.setPuerto(QStringLiteral("4"));
    settings.setPuesto(QStringLiteral("2"));
    settings.setActivarCID(QStringLiteral("1"));
    MessageBox::Script script;
    Program p(env.programFolder());
    QCOMPARE(p.start(), Outcome::Running);
    frmIdentificador* w = p.windows->mainWindow();
    QVERIFY(w && w->Lineo1()->Enabled());

    QVERIFY(modem.call(QStringLiteral("4567890")));
    QTRY_COMPARE(panelText(*w, "lblTelefono"), QStringLiteral("4567890"));
    QVERIFY(modem.call(QStringLiteral("4567890")));
    QTRY_COMPARE(panelText(*w, "lblNota"), QStringLiteral("Cant: 2"));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM llamadas WHERE puesto = 2")), 2);
    QCOMPARE(count(QStringLiteral("SELECT cantllamadas FROM clientes WHERE telefono = "
                                  "'4567890'")),
             2);
    QVERIFY2(script.shown().isEmpty(), qPrintable(script.texts().join(QLatin1Char('\n'))));
}

std::unique_ptr<QObject> makeProgramCallsTest()
{
    return std::make_unique<ProgramCallsTest>();
}

#include "tst_program_calls.moc"
