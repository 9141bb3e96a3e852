// llamora-config, the command-line writer of an installation's settings, run as a real process
// against a throwaway config home.

#include "LineSettings.h"
#include "OrdinaryUser.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runTool(QProcess& tool)
{
    tool.start();
    if (!tool.waitForFinished(30000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardError())};
}

Run runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.setProgram(TestEnvironment::builtToolPath(QStringLiteral("llamora-config")));
    tool.setArguments(arguments);
    return runTool(tool);
}

} // namespace

class LlamoraConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void storesWhatTheWizardWould();
    void storesTheSipLine();
    void refusesWhatTheProgramWouldNot_data();
    void refusesWhatTheProgramWouldNot();
    void failsWhenTheConfigFolderCannotBeWritten();
    void reachesTheProgramsOwnSettingsThroughALink();
};

void LlamoraConfigTest::storesWhatTheWizardWould()
{
    TestEnvironment environment;
    const QString shared = environment.makeFolder(QStringLiteral("red/compartida"));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(shared));
    const Run run =
        runTool({QStringLiteral("--carpeta-programa"), environment.programFolder(),
                 QStringLiteral("--puerto"), QStringLiteral("12"), QStringLiteral("--puesto"),
                 QStringLiteral("10"), QStringLiteral("--activar"), QStringLiteral("1"),
                 QStringLiteral("--base-de-datos"), shared + QStringLiteral("/./")});
    QCOMPARE(run.exitCode, 0);
    const SettingsStore store(environment.programFolder());
    QCOMPARE(store.puerto(), QStringLiteral("12"));
    QCOMPARE(store.puesto(), QStringLiteral("10"));
    QCOMPARE(store.activarCID(), QStringLiteral("1"));
    // Without a closing separator, as the program joins it to the file name.
    QCOMPARE(store.baseDeDatos(), shared);
}

void LlamoraConfigTest::storesTheSipLine()
{
    TestEnvironment environment;
    const QString secret = environment.root() + QStringLiteral("/clave");
    QFile secretFile(secret);
    QVERIFY(secretFile.open(QIODevice::WriteOnly));
    secretFile.write("s3creta\n");
    secretFile.close();
    const Run run =
        runTool({QStringLiteral("--carpeta-programa"), environment.programFolder(),
                 QStringLiteral("--linea"), QStringLiteral("sip"), QStringLiteral("--sip-servidor"),
                 QStringLiteral("pbx.oficina"), QStringLiteral("--sip-transporte"),
                 QStringLiteral("TCP"), QStringLiteral("--sip-usuario"), QStringLiteral("200"),
                 QStringLiteral("--sip-clave-de"), secret});
    QCOMPARE(run.exitCode, 0);
    const LineSettings line = LineSettings::load();
    QCOMPARE(line.source, LineSource::Sip);
    QCOMPARE(line.sip.server, QStringLiteral("pbx.oficina"));
    QCOMPARE(line.sip.port, 5060);
    QCOMPARE(line.sip.transport, SipTransport::Tcp);
    QCOMPARE(line.sip.user, QStringLiteral("200"));
    QCOMPARE(line.sip.password, QStringLiteral("s3creta"));
    QCOMPARE(line.sip.internationalPrefix, QStringLiteral("00"));
    // The password only in this user's own file.
    QCOMPARE((QFile::permissions(LineSettings::passwordFilePath()) & 0x0077).toInt(), 0);
    QFile settings(LineSettings::filePath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(!settings.readAll().contains("s3creta"));
}

void LlamoraConfigTest::refusesWhatTheProgramWouldNot_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("port 0") << QStringList{"--puerto", "0"}
                            << QStringLiteral("--puerto debe ser un número de 1 a 16");
    QTest::newRow("port 17") << QStringList{"--puerto", "17"}
                             << QStringLiteral("--puerto debe ser");
    QTest::newRow("port 04") << QStringList{"--puerto", "04"}
                             << QStringLiteral("--puerto debe ser");
    QTest::newRow("workstation 11")
        << QStringList{"--puesto", "11"} << QStringLiteral("--puesto debe ser un número de 1 a 10");
    QTest::newRow("workstation abc")
        << QStringList{"--puesto", "abc"} << QStringLiteral("--puesto debe ser");
    QTest::newRow("switch-on 2") << QStringList{"--activar", "2"}
                                 << QStringLiteral("--activar debe ser 0 o 1");
    QTest::newRow("folder without database")
        << QStringList{"--base-de-datos", "@empty"} << QStringLiteral("no hay en");
    QTest::newRow("device path not full") << QStringList{"--dispositivo", "4=ttyUSB0"}
                                          << QStringLiteral("asignación de dispositivo no válida");
    QTest::newRow("device of port 17") << QStringList{"--dispositivo", "17=/dev/ttyUSB0"}
                                       << QStringLiteral("asignación de dispositivo");
    QTest::newRow("line source") << QStringList{"--linea", "rdsi"}
                                 << QStringLiteral("--linea debe ser modem o sip");
    QTest::newRow("sip transport") << QStringList{"--sip-transporte", "sctp"}
                                   << QStringLiteral("--sip-transporte debe ser udp, tcp o tls");
    QTest::newRow("sip port") << QStringList{"--sip-puerto", "70000"}
                              << QStringLiteral("--sip-puerto debe ser");
    QTest::newRow("sip without server")
        << QStringList{"--linea", "sip", "--sip-usuario", "200"}
        << QStringLiteral("la línea VoIP no está completa: falta el servidor SIP");
    // One bad value among good ones: nothing at all is written.
    QTest::newRow("good values and a bad one")
        << QStringList{"--puesto", "3", "--dispositivo", "4=/dev/ttyACM0", "--puerto", "99"}
        << QStringLiteral("--puerto debe ser");
}

void LlamoraConfigTest::refusesWhatTheProgramWouldNot()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    TestEnvironment environment;
    arguments.replaceInStrings(QStringLiteral("@empty"),
                               environment.makeFolder(QStringLiteral("vacia")));
    const Run run = runTool(
        QStringList{QStringLiteral("--carpeta-programa"), environment.programFolder()} + arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.startsWith(QStringLiteral("llamora-config: ") + message),
             qPrintable(run.errors));
    QVERIFY2(run.errors.contains(QStringLiteral("no se escribió nada")), qPrintable(run.errors));
    QVERIFY(QDir(environment.configHome()).isEmpty());
}

void LlamoraConfigTest::failsWhenTheConfigFolderCannotBeWritten()
{
    TestEnvironment environment;
    // An ordinary user's config home that it may read but not write (root would write anyway:
    // the tool then runs as nobody, who must reach the folders).
    QVERIFY(QFile::setPermissions(environment.root(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ExeOwner | QFile::ReadOther |
                                                          QFile::ExeOther));
    const auto readAndEnter =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(environment.configHome(), readAndEnter));
    QVERIFY(QFile::setPermissions(environment.programFolder(), readAndEnter));

    for (const QString& option : {QStringLiteral("--puesto"), QStringLiteral("--dispositivo")}) {
        QProcess tool;
        OrdinaryUser::prepare(
            tool, TestEnvironment::builtToolPath(QStringLiteral("llamora-config")),
            {QStringLiteral("--carpeta-programa"), environment.programFolder(), option,
             option == QLatin1String("--puesto") ? QStringLiteral("3")
                                                 : QStringLiteral("4=/dev/ttyACM0")});
        tool.setWorkingDirectory(QStringLiteral("/"));
        const Run run = runTool(tool);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.startsWith(QStringLiteral("llamora-config: no se pudo guardar ")),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.contains(environment.configHome()), qPrintable(run.errors));
    }
    QFile::setPermissions(environment.configHome(), readAndEnter | QFile::WriteOwner);
    QVERIFY(QDir(environment.configHome()).isEmpty());
}

void LlamoraConfigTest::reachesTheProgramsOwnSettingsThroughALink()
{
    TestEnvironment environment;
    // The program as installed, reached through a link to its folder; the running program
    // reports its folder with the link resolved.
    const QString installed = TestEnvironment::builtProgramFolder();
    const QString link = environment.root() + QStringLiteral("/enlace");
    QVERIFY(QFile::link(installed, link));
    const Run run = runTool({QStringLiteral("--carpeta-programa"), link, QStringLiteral("--puesto"),
                             QStringLiteral("7")});
    QCOMPARE(run.exitCode, 0);
    const QString programFolder = QFileInfo(installed + QStringLiteral("/Llamora")).canonicalPath();
    QCOMPARE(SettingsStore(programFolder).puesto(), QStringLiteral("7"));
    QVERIFY(!QFile::exists(SettingsStore(link).filePath()));
}

QTEST_GUILESS_MAIN(LlamoraConfigTest)
#include "tst_llamora_config.moc"
