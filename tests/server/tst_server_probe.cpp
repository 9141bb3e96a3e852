#include "PostgresServer.h"
#include "TestEnvironment.h"
#include "server/PgPass.h"
#include "server/ServerProbe.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/StartupSequence.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <functional>
#include <memory>

// The trial connection of the wizard, llamora-config and llamora-servidor against a real server:
// each verdict, and the password file as libpq itself reads it.
class ServerProbeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void eachOutcomeIsTold_data();
    void eachOutcomeIsTold();
    void thePasswordFileIsTheOneLibpqReads();
    void llamoraConfigChecksTheServerAsTheWizardDoes();
    void startupUsesTheStoredServer_data();
    void startupUsesTheStoredServer();

private:
    // A user whose password the server asks for over the loopback port.
    [[nodiscard]] ServerAddress passwordUser() const;

    std::unique_ptr<PostgresServer> m_server;
};

namespace {
// ":" and "\" are the two characters the password file escapes.
const QString password = QStringLiteral(R"(cl:ave\ñ)");
} // namespace

void ServerProbeTest::initTestCase()
{
    m_server = std::make_unique<PostgresServer>();
    QVERIFY2(m_server->isValid(), qPrintable(m_server->errorText()));
    QVERIFY(m_server->runAsSuperuser(
        QStringLiteral(
            "CREATE TABLE clientes (idcliente bigint); "
            "CREATE TABLE llamadas (idllamada bigint); "
            "ALTER TABLE clientes OWNER TO llamora; ALTER TABLE llamadas OWNER TO llamora; "
            "CREATE ROLE secreto LOGIN PASSWORD '%1'; CREATE ROLE mirón LOGIN; "
            "GRANT SELECT, INSERT, UPDATE, DELETE ON clientes, llamadas TO secreto")
            .arg(password),
        m_server->address().database));
    // The fixture trusts every local user; this one must give a password.
    QFile hba(m_server->socketFolder() + QStringLiteral("/data/pg_hba.conf"));
    QVERIFY(hba.open(QIODevice::ReadWrite));
    const QByteArray rest = hba.readAll();
    hba.seek(0);
    hba.write("host all secreto 127.0.0.1/32 scram-sha-256\n" + rest);
    hba.close();
    QVERIFY(m_server->runAsSuperuser(QStringLiteral("SELECT pg_reload_conf()")));
    QTRY_COMPARE(probeServer(passwordUser()).result, ServerProbe::Result::WrongPassword);
}

ServerAddress ServerProbeTest::passwordUser() const
{
    ServerAddress address = m_server->address();
    address.user = QStringLiteral("secreto");
    return address;
}

void ServerProbeTest::eachOutcomeIsTold_data()
{
    QTest::addColumn<ServerAddress>("address");
    QTest::addColumn<QString>("givenPassword");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");

    const ServerAddress ready = m_server->address();
    ServerAddress socket = ready;
    socket.host = m_server->socketFolder();
    ServerAddress noTables = m_server->freshDatabase(QStringLiteral("vacia"));
    ServerAddress noDatabase = ready;
    noDatabase.database = QStringLiteral("no_existe");
    ServerAddress withoutRights = ready;
    withoutRights.user = QStringLiteral("mirón");
    ServerAddress nobodyListens = ready;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        nobodyListens.port = closed.serverPort();
    }
    using R = ServerProbe::Result;
    QTest::newRow("ready") << ready << QString() << int(R::Connected) << "Conectado con";
    QTest::newRow("by its socket") << socket << QString() << int(R::Connected) << "Conectado con";
    QTest::newRow("right password")
        << passwordUser() << password << int(R::Connected) << "Conectado con";
    QTest::newRow("no tables") << noTables << QString() << int(R::TablesMissing)
                               << "no tiene las tablas";
    QTest::newRow("no rights") << withoutRights << QString() << int(R::Refused)
                               << "no tiene permiso sobre las tablas";
    QTest::newRow("no database") << noDatabase << QString() << int(R::DatabaseMissing)
                                 << "no tiene una base de datos «no_existe»";
    QTest::newRow("nobody listens")
        << nobodyListens << QString() << int(R::Unreachable) << "No responde ningún servidor";
    QTest::newRow("wrong password") << passwordUser() << QStringLiteral("otra")
                                    << int(R::WrongPassword) << "rechazó el usuario «secreto»";
    QTest::newRow("no password") << passwordUser() << QString() << int(R::WrongPassword)
                                 << "pide una contraseña";
}

void ServerProbeTest::eachOutcomeIsTold()
{
    QFETCH(ServerAddress, address);
    QFETCH(QString, givenPassword);
    QFETCH(int, result);
    QFETCH(QString, text);
    TestEnvironment environment; // no password file of the user's own
    const ServerProbe probe = probeServer(address, givenPassword);
    QVERIFY2(probe.text.contains(text), qPrintable(probe.text));
    QCOMPARE(int(probe.result), result);
    QVERIFY(!probe.text.contains(password));
}

void ServerProbeTest::thePasswordFileIsTheOneLibpqReads()
{
    TestEnvironment environment;
    const QString path = environment.root() + QStringLiteral("/.pgpass");
    QCOMPARE(PgPass::filePath(), path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# la oficina\notro:5432:*:ana:x\n");
    file.close();

    QString problem;
    QVERIFY2(PgPass::store(passwordUser(), QStringLiteral("vieja"), &problem), qPrintable(problem));
    QVERIFY2(PgPass::store(passwordUser(), password, &problem), qPrintable(problem));
    QCOMPARE(QFileInfo(path).permissions() &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QStringLiteral("# la oficina\notro:5432:*:ana:x\n"
                                            "127.0.0.1:%1:llamora:secreto:cl\\:ave\\\\ñ\n")
                                 .arg(m_server->port())
                                 .toUtf8());
    file.close();
    QCOMPARE(probeServer(passwordUser()).result, ServerProbe::Result::Connected);
}

void ServerProbeTest::llamoraConfigChecksTheServerAsTheWizardDoes()
{
    TestEnvironment environment;
    const QString secretFile = environment.root() + QStringLiteral("/clave");
    QFile secret(secretFile);
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write(password.toUtf8() + "\n");
    secret.close();
    const auto run = [&](const ServerAddress& address) {
        QProcess tool;
        tool.start(TestEnvironment::builtToolPath(QStringLiteral("llamora-config")),
                   {QStringLiteral("--carpeta-programa"), environment.programFolder(),
                    QStringLiteral("--servidor-equipo"), address.host,
                    QStringLiteral("--servidor-puerto"), QString::number(address.port),
                    QStringLiteral("--servidor-base"), address.database,
                    QStringLiteral("--servidor-usuario"), address.user,
                    QStringLiteral("--servidor-clave-de"), secretFile});
        tool.waitForFinished(30000);
        return std::pair{tool.exitCode(), QString::fromUtf8(tool.readAllStandardError())};
    };
    const SettingsStore store(environment.programFolder());

    ServerAddress noTables = passwordUser();
    noTables.database = QStringLiteral("vacia");
    const auto [refused, why] = run(noTables);
    QCOMPARE(refused, 2);
    QVERIFY2(why.contains(QStringLiteral("no tiene las tablas de Llamora")), qPrintable(why));
    QVERIFY(!store.servidor().isSet());
    QVERIFY(!QFile::exists(PgPass::filePath()));

    const auto [stored, errors] = run(passwordUser());
    QVERIFY2(stored == 0, qPrintable(errors));
    QCOMPARE(store.servidor(), passwordUser());
    QCOMPARE(probeServer(store.servidor()).result, ServerProbe::Result::Connected);
    QFile settings(store.filePath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(!settings.readAll().contains("ave"));
}

namespace {
// The start-up's windows: the wizard does what the test says, the rest is counted.
class StartupWindows : public StartupScreens
{
public:
    bool showConfigurationWizard() override
    {
        ++wizards;
        wizard();
        return true;
    }
    void showSplash() override { ++splashes; }
    void showMessage(const Message& message) override { messages << message.text; }

    std::function<void()> wizard = [] {
    };
    int wizards = 0;
    int splashes = 0;
    QStringList messages;
};
} // namespace

void ServerProbeTest::startupUsesTheStoredServer_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("backToFolder");
    QTest::addColumn<bool>("running");
    QTest::newRow("server ready") << true << false << true;
    QTest::newRow("server down, wizard left") << false << false << false;
    QTest::newRow("server down, folder chosen") << false << true << true;
}

void ServerProbeTest::startupUsesTheStoredServer()
{
    QFETCH(bool, reachable);
    QFETCH(bool, backToFolder);
    QFETCH(bool, running);
    TestEnvironment environment;
    SettingsStore settings(environment.programFolder());
    ServerAddress address = m_server->address();
    if (!reachable) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address.port = closed.serverPort();
    }
    QVERIFY(settings.setServidor(address));
    StartupWindows windows;
    windows.wizard = [&] {
        if (backToFolder) {
            settings.setServidor(ServerAddress());
            settings.setBaseDeDatos(environment.programFolder());
            static_cast<void>(TestEnvironment::copyEmptyDatabase(environment.programFolder()));
        }
    };
    ProgramValues values;
    values.programFolder = environment.programFolder();

    const auto outcome = StartupSequence(settings, values, windows).Main();

    QCOMPARE(outcome == StartupSequence::Outcome::Running, running);
    QCOMPARE(windows.splashes, running ? 1 : 0);
    QCOMPARE(windows.wizards, reachable ? 0 : 1);
    QCOMPARE(windows.messages.size(), reachable ? 0 : 1);
    if (!reachable)
        QVERIFY2(windows.messages.constFirst().contains(QStringLiteral("No responde ningún")),
                 qPrintable(windows.messages.constFirst()));
    QCOMPARE(values.Servidor.isSet(), !backToFolder);
    QCOMPARE(values.CarpetaBase, environment.programFolder());
}

QTEST_GUILESS_MAIN(ServerProbeTest)
#include "tst_server_probe.moc"
