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
    void eachProgramFolderKeepsItsOwnSettings_data();
    void eachProgramFolderKeepsItsOwnSettings();
    void settingsLiveInTheDocumentedFile();
    void programWideValuesFromStoredTexts();
};

void SettingsTest::firstRunGivesEachReaderItsDefault()
{
    TestEnvironment environment;
    const SettingsStore store(environment.programFolder());
    QCOMPARE(store.puerto(), QString());
    QCOMPARE(store.puesto(), QString());
    QCOMPARE(store.puesto(QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(store.activarCID(), QString());
    QCOMPARE(store.baseDeDatos(), QString());
    QCOMPARE(store.read(SettingKey::BaseDeDatos, QStringLiteral("x")), QStringLiteral("x"));
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
    // Folders with commas, quotes, "=" and a leading "@" are kept as plain text.
    const QString folder = QStringLiteral("/srv/red compartida/Llamadas, 2024=\"año\" @x");
    store.setBaseDeDatos(folder);
    const SettingsStore again(environment.programFolder());
    QCOMPARE(again.puerto(), QStringLiteral("3"));
    QCOMPARE(again.puesto(QStringLiteral("1")), QStringLiteral("10"));
    QCOMPARE(again.activarCID(), QStringLiteral("0"));
    QCOMPARE(again.baseDeDatos(), folder);
    store.setBaseDeDatos(QStringLiteral("@Invalid()"));
    QCOMPARE(again.baseDeDatos(), QStringLiteral("@Invalid()"));
    // Overwriting keeps one value.
    store.setPuerto(QStringLiteral("16"));
    QCOMPARE(again.puerto(), QStringLiteral("16"));
}

void SettingsTest::eachProgramFolderKeepsItsOwnSettings_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("two installations")
        << QStringLiteral("/opt/llamora") << QStringLiteral("/opt/llamora2");
    QTest::newRow("nested folder") << QStringLiteral("/opt/a") << QStringLiteral("/opt/a/b");
    QTest::newRow("slash or encoded slash")
        << QStringLiteral("/opt/a/b") << QStringLiteral("/opt/a%2Fb");
    QTest::newRow("blanks") << QStringLiteral("/opt/mi llamora") << QStringLiteral("/opt/mi");
    QTest::newRow("equals sign") << QStringLiteral("/opt/a=b") << QStringLiteral("/opt/a");
    QTest::newRow("percent") << QStringLiteral("/opt/100%") << QStringLiteral("/opt/100%25");
    QTest::newRow("case") << QStringLiteral("/opt/Llamora") << QStringLiteral("/opt/llamora");
    QTest::newRow("section-like") << QStringLiteral("/opt/x/Properties")
                                  << QStringLiteral("/opt/x");
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
    one.setBaseDeDatos(QStringLiteral("/datos/uno"));
    QCOMPARE(two.puerto(), QString());
    QCOMPARE(two.baseDeDatos(), QString());
    two.setPuerto(QStringLiteral("2"));
    QCOMPARE(one.puerto(), QStringLiteral("1"));
    QCOMPARE(two.puerto(), QStringLiteral("2"));
    QVERIFY(one.filePath() != two.filePath());
    QVERIFY(QFile::exists(one.filePath()));
}

void SettingsTest::settingsLiveInTheDocumentedFile()
{
    TestEnvironment environment;
    SettingsStore store(QStringLiteral("/opt/llamora"));
    QCOMPARE(SettingsStore::applicationName(QStringLiteral("/opt/llamora")),
             QStringLiteral("Llamora-/opt/llamora"));
    QCOMPARE(store.filePath(),
             environment.configHome() + QStringLiteral("/Llamora/Llamora-%2Fopt%2Fllamora.ini"));
    store.setBaseDeDatos(QStringLiteral("/srv/datos"));
    store.setActivarCID(QStringLiteral("1"));
    // Section "Properties", keys as named, readable by any INI reader.
    const QSettings raw(store.filePath(), QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), QStringList{QStringLiteral("Properties")});
    QCOMPARE(raw.value(QStringLiteral("Properties/Base de datos")).toString(),
             QStringLiteral("/srv/datos"));
    QCOMPARE(raw.value(QStringLiteral("Properties/ActivarCID")).toString(), QStringLiteral("1"));
}

void SettingsTest::programWideValuesFromStoredTexts()
{
    QCOMPARE(numeroPuestoFrom(QStringLiteral("3")), 3);
    QCOMPARE(numeroPuestoFrom(QStringLiteral("10")), 10);
    for (const char* bad : {"", "0", "abc", "-2", "70000", "3.5"})
        QCOMPARE(numeroPuestoFrom(QString::fromLatin1(bad)), 1);
    QCOMPARE(carpetaBaseFrom(QString(), QStringLiteral("/opt/llamora")),
             QStringLiteral("/opt/llamora"));
    QCOMPARE(carpetaBaseFrom(QStringLiteral("/srv/datos"), QStringLiteral("/opt/llamora")),
             QStringLiteral("/srv/datos"));
    ProgramValues values;
    values.CarpetaBase = QStringLiteral("/srv/datos");
    QCOMPARE(values.databasePath(), QStringLiteral("/srv/datos/Llamora.mdb"));
    QCOMPARE(twipsPerPixel(96), 15);
    QCOMPARE(twipsPerPixel(120), 12);
    QCOMPARE(twipsPerPixel(144), 10);
    QCOMPARE(twipsPerPixel(72), 20);
    QCOMPARE(twipsPerPixel(0), 15);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
