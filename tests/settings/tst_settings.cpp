#include "TestEnvironment.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTest>

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void firstRunGivesEachReaderItsDefault();
    void valuesComeBackAsWritten();
    void theServerComesBackAsWritten();
    void eachProgramFolderKeepsItsOwnSettings_data();
    void eachProgramFolderKeepsItsOwnSettings();
    void settingsLiveInTheDocumentedFile();
    void numeroPuestoFromStoredText_data();
    void numeroPuestoFromStoredText();
    void twipsPerPixelIsRoundedOnce();
};

void SettingsTest::firstRunGivesEachReaderItsDefault()
{
    TestEnvironment environment;
    const SettingsStore store(environment.programFolder());
    QCOMPARE(store.puerto(), QString());
    QCOMPARE(store.puesto(QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(store.activarCID(), QString());
    QCOMPARE(store.baseDeDatos(), QString());
    // Reading creates nothing.
    QVERIFY(!QFile::exists(store.filePath()));
}

void SettingsTest::valuesComeBackAsWritten()
{
    TestEnvironment environment;
    SettingsStore store(environment.programFolder());
    store.setPuerto(QStringLiteral("3"));
    store.setPuesto(QStringLiteral("10"));
    store.setActivarCID(QStringLiteral("0"));
    // Commas, quotes, "=" and a leading "@" mean something to QSettings; they stay plain text.
    const QString folder = QStringLiteral("/srv/red compartida/Llamadas, 2024=\"año\" @x");
    store.setBaseDeDatos(folder);
    const SettingsStore again(environment.programFolder());
    QCOMPARE(again.puerto(), QStringLiteral("3"));
    QCOMPARE(again.puesto(QStringLiteral("1")), QStringLiteral("10"));
    QCOMPARE(again.activarCID(), QStringLiteral("0"));
    QCOMPARE(again.baseDeDatos(), folder);
    store.setBaseDeDatos(QStringLiteral("@Invalid()"));
    QCOMPARE(again.baseDeDatos(), QStringLiteral("@Invalid()"));
}

void SettingsTest::theServerComesBackAsWritten()
{
    TestEnvironment environment;
    SettingsStore store(environment.programFolder());
    QVERIFY(!store.servidor().isSet());
    // Blanks, quotes and backslashes are what libpq's quoting is for; a socket folder is a host.
    ServerAddress address;
    address.host = QStringLiteral("/run/postgresql compartida");
    address.port = 5433;
    address.database = QStringLiteral("llamadas d'Ana");
    address.user = QStringLiteral(R"(ofi\cina)");
    address.sslMode = QStringLiteral("require");
    QVERIFY(store.setServidor(address));
    QCOMPARE(SettingsStore(environment.programFolder()).servidor(), address);
    // Written by hand, as libpq reads it; whatever holds a password is not taken.
    store.write(SettingKey::Servidor, QStringLiteral(" host = db  dbname='a b' password=x "));
    QCOMPARE(store.servidor().host, QStringLiteral("db"));
    QCOMPARE(store.servidor().database, QStringLiteral("a b"));
    QCOMPARE(store.servidor().port, 5432);
    QVERIFY(store.setServidor(ServerAddress()));
    QVERIFY(!store.servidor().isSet());
}

void SettingsTest::eachProgramFolderKeepsItsOwnSettings_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("two installations")
        << QStringLiteral("/opt/llamora") << QStringLiteral("/opt/llamora2");
    QTest::newRow("slash or encoded slash")
        << QStringLiteral("/opt/a/b") << QStringLiteral("/opt/a%2Fb");
    QTest::newRow("blanks") << QStringLiteral("/opt/mi llamora") << QStringLiteral("/opt/mi");
    QTest::newRow("equals sign") << QStringLiteral("/opt/a=b") << QStringLiteral("/opt/a");
    QTest::newRow("percent") << QStringLiteral("/opt/100%") << QStringLiteral("/opt/100%25");
    QTest::newRow("long folders") << QStringLiteral("/opt/") + QString(300, QLatin1Char('a'))
                                  << QStringLiteral("/opt/") + QString(301, QLatin1Char('a'));
}

void SettingsTest::eachProgramFolderKeepsItsOwnSettings()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    TestEnvironment environment;
    SettingsStore one(first);
    SettingsStore two(second);
    one.setPuerto(QStringLiteral("1"));
    QCOMPARE(two.puerto(), QString());
    two.setPuerto(QStringLiteral("2"));
    QCOMPARE(one.puerto(), QStringLiteral("1"));
    QCOMPARE(two.puerto(), QStringLiteral("2"));
}

void SettingsTest::settingsLiveInTheDocumentedFile()
{
    TestEnvironment environment;
    SettingsStore store(QStringLiteral("/opt/llamora"));
    QCOMPARE(store.filePath(),
             environment.configHome() + QStringLiteral("/Llamora/Llamora-%2Fopt%2Fllamora.ini"));
    store.setBaseDeDatos(QStringLiteral("/srv/datos"));
    // Section "Properties", keys as named, readable by any INI reader.
    const QSettings raw(store.filePath(), QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), QStringList{QStringLiteral("Properties")});
    QCOMPARE(raw.value(QStringLiteral("Properties/Base de datos")).toString(),
             QStringLiteral("/srv/datos"));
}

void SettingsTest::numeroPuestoFromStoredText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("7") << QStringLiteral("7") << 7;
    QTest::newRow("10") << QStringLiteral("10") << 10;
    for (const char* bad : {"", "0", "abc", "-2", "70000", "3.5"})
        QTest::addRow("\"%s\"", bad) << QString::fromLatin1(bad) << 1;
}

void SettingsTest::numeroPuestoFromStoredText()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    QCOMPARE(numeroPuestoFrom(stored), expected);
}

void SettingsTest::twipsPerPixelIsRoundedOnce()
{
    QCOMPARE(twipsPerPixel(96), 15);
    QCOMPARE(twipsPerPixel(125), 12); // 11.52
    QCOMPARE(twipsPerPixel(0), 15);   // a screen that reports nothing
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
