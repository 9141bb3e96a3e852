// The about box: its texts, its two links, and the lookup of the system-information program
// through a settings file and fake programs of the test's own.

#include "MessageBox.h"
#include "SystemInformation.h"
#include "TestEnvironment.h"
#include "frmAbout.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>

namespace {

// A program that leaves its name in a file of the test's root when it runs.
QString fakeProgram(const TestEnvironment& env, const QString& folder, const QString& name)
{
    const QString path = QDir(env.makeFolder(folder)).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\necho " + name.toUtf8() + " > '" + env.root().toUtf8() + "/ran'\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

QString ran(const TestEnvironment& env)
{
    QFile file(env.root() + QStringLiteral("/ran"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void boxShowsProgramAndOpensLinks();
    void lookupOrder_data();
    void lookupOrder();
};

void AboutTest::boxShowsProgramAndOpensLinks()
{
    frmAbout about{QIcon()};
    QCOMPARE(about.windowTitle(), QStringLiteral("Acerca de Llamora"));
    QCOMPARE(about.lblTitle()->text(), QStringLiteral("Llamora"));
    QCOMPARE(about.lblVersion()->text(), QStringLiteral("Versión 3.0.0"));
    QCOMPARE(about.lblDescription()->text(), QStringLiteral("Sistemas del Arroyo S.R.L."));
    QCOMPARE(about.cmdOK()->text(), QStringLiteral("Aceptar"));
    QVERIFY(about.cmdOK()->isDefault());
    QCOMPARE(about.cmdSysInfo()->text(), QStringLiteral("&Información..."));

    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    about.show();
    QTest::mouseClick(about.lblLink(0), Qt::LeftButton);
    QTest::mouseClick(about.lblLink(1), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.opened,
             (QList<QUrl>{QUrl(QStringLiteral("mailto:contacto@sistemasdelarroyo.example")),
                          QUrl(QStringLiteral("https://www.sistemasdelarroyo.example/"))}));

    QTest::keyClick(&about, Qt::Key_Return);
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void AboutTest::lookupOrder_data()
{
    // Keys of the settings file: "first" is the program's path, "second" the folder that holds
    // msinfo32; "long" stretches the first past 1024 characters.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("expected");
    const QStringList both{QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")};
    QTest::newRow("first key wins")
        << QStringList{QStringLiteral("first"), QStringLiteral("second")} << both
        << QStringLiteral("primero");
    QTest::newRow("second key, its folder's program")
        << QStringList{QStringLiteral("second")} << both << QStringLiteral("msinfo32");
    QTest::newRow("first key names a missing file")
        << QStringList{QStringLiteral("missing"), QStringLiteral("second")} << both << QString();
    QTest::newRow("too long a value is not read")
        << QStringList{QStringLiteral("long"), QStringLiteral("second")} << both
        << QStringLiteral("msinfo32");
    QTest::newRow("second folder without the program")
        << QStringList{QStringLiteral("emptyFolder")} << QStringList{QStringLiteral("kinfocenter")}
        << QStringLiteral("kinfocenter");
    QTest::newRow("first installed of the list")
        << QStringList() << both << QStringLiteral("hardinfo");
    QTest::newRow("nothing at all") << QStringList() << QStringList() << QString();
}

void AboutTest::lookupOrder()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, installed);
    QFETCH(QString, expected);
    TestEnvironment env;
    const QString first = fakeProgram(env, QStringLiteral("opt"), QStringLiteral("primero"));
    static_cast<void>(fakeProgram(env, QStringLiteral("herramientas"), QStringLiteral("msinfo32")));
    for (const QString& name : installed)
        static_cast<void>(fakeProgram(env, QStringLiteral("bin"), name));

    SystemInformation::Places places;
    places.settingsFile = env.root() + QStringLiteral("/etc/sistema.ini");
    places.searchFolders = {env.makeFolder(QStringLiteral("bin"))};
    {
        QSettings settings(places.settingsFile, QSettings::IniFormat);
        if (keys.contains(QStringLiteral("first")))
            settings.setValue(QStringLiteral("MSINFO/PATH"), first);
        if (keys.contains(QStringLiteral("missing")))
            settings.setValue(QStringLiteral("MSINFO/PATH"),
                              QString(first + QStringLiteral("-no")));
        if (keys.contains(QStringLiteral("long")))
            settings.setValue(QStringLiteral("MSINFO/PATH"),
                              QString(first + QString(1024, QLatin1Char('x'))));
        if (keys.contains(QStringLiteral("second")))
            settings.setValue(QStringLiteral("SharedToolsLocation/MSINFO"),
                              env.makeFolder(QStringLiteral("herramientas")));
        if (keys.contains(QStringLiteral("emptyFolder")))
            settings.setValue(QStringLiteral("SharedToolsLocation/MSINFO"),
                              env.makeFolder(QStringLiteral("vacia")));
    }

    frmAbout about(QIcon(), nullptr, SystemInformation(places));
    MessageBox::Script script;
    QTest::mouseClick(about.cmdSysInfo(), Qt::LeftButton);
    if (expected.isEmpty()) {
        QCOMPARE(script.shown().size(), 1);
        QCOMPARE(script.shown().at(0).message,
                 (Message{QStringLiteral("System Information Is Unavailable At This Time"),
                          MessageIcon::None, MessageButtons::Ok}));
        QTest::qWait(100);
        QCOMPARE(ran(env), QString());
    } else {
        QVERIFY(script.shown().isEmpty());
        QTRY_COMPARE(ran(env), expected);
    }
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
