// What the person at the desk sees while calls wait: the mark on the main window, the tray
// tooltip and its balloon, calls held only in memory told apart from those safe on the disk,
// and for a damaged database the word that it needs repair, which does not hold up the calls
// after it.

#include "DamagedDatabase.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "Parlux.h"
#include "ProgramDatabase.h"
#include "outbox/Outbox.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

class OutboxWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void damagedDatabaseKeepsCallsAndSaysSo();
    void callsOnlyInMemoryAreToldApart();
    void lockedOutboxIsCountedAndSaysWhy();
};

void OutboxWindowTest::damagedDatabaseKeepsCallsAndSaysSo()
{
    TestEnvironment env;
    MessageBox::Script script;
    const QString shared = env.makeFolder(QStringLiteral("servidor"));
    const QString db = TestEnvironment::copyEmptyDatabase(shared);
    SettingsStore(env.programFolder()).setBaseDeDatos(shared);
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       false, 4));
    const QByteArray good = fileBytes(db);
    QVERIFY(damageDatabase(db));
    // An earlier run left a call waiting and was cut short by a crash while keeping another:
    // the waiting call is announced, the part set aside reported, once the window is up.
    const QString outbox = OutboxFile::pathFor(env.programFolder());
    QVERIFY(QDir().mkpath(QFileInfo(outbox).absolutePath()));
    const PendingCall earlier{QStringLiteral("4567890"),
                              QDateTime(QDate(2024, 3, 5), QTime(21, 7, 9)), 1};
    QVERIFY(overwriteFile(outbox, OutboxFile::encode(earlier) + "\nL1\t2024-03-05 21:0"));
    // The damaged database passes the load.
    MainWindowFixture f(env.programFolder());
    QTRY_COMPARE(script.shown().size(), 1);
    QVERIFY(script.texts().first().startsWith(
        QStringLiteral("Una parte de las llamadas sin registrar no se pudo leer")));
    QVERIFY(script.texts().first().endsWith(QStringLiteral(".pendientes.danado-") +
                                            QDate::currentDate().toString(u"yyyyMMdd")));
    script.clear();
    QVERIFY(!f.window->lblPendientes()->isHidden());
    QCOMPARE(f.window->lblPendientes()->text(), QStringLiteral("1 llamada sin registrar"));
    QCOMPARE(f.tray->messages.size(), 1);
    QVERIFY(f.tray->messages.first().contains(QStringLiteral("llamadas sin registrar")));
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QString plainToolTip = f.tray->toolTip().section(QLatin1Char('\n'), 0, 0);

    f.window->Recibe_llamada(QStringLiteral("4567890"));
    f.window->Recibe_llamada(QStringLiteral("3515550001"));

    // Shown as usual, counted as waiting, said once.
    const auto* telefono = f.window->Parlux1()->findChild<QLabel*>(QStringLiteral("lblTelefono"));
    QVERIFY(telefono);
    QCOMPARE(telefono->text(), QStringLiteral("3515550001"));
    QVERIFY(f.window->lblPendientes()->isVisible());
    QCOMPARE(f.window->lblPendientes()->text(), QStringLiteral("3 llamadas sin registrar"));
    QCOMPARE(f.tray->toolTip(), plainToolTip + QStringLiteral("\n3 llamadas sin registrar"));
    QCOMPARE(f.tray->messages.size(), 1);
    QCOMPARE(script.shown().size(), 1);
    QCOMPARE(script.shown().first().message.icon, MessageIcon::Exclamation);
    QVERIFY(script.texts().first().startsWith(
        QStringLiteral("La base de datos está dañada y necesita reparación")));

    // Repaired: the next call logs, and the waiting ones follow it.
    QVERIFY(overwriteFile(db, good));
    f.window->Recibe_llamada(QStringLiteral("3515550002"));
    QTRY_COMPARE(f.window->outbox().count(), 0);
    QVERIFY(!f.window->lblPendientes()->isVisible());
    QCOMPARE(f.tray->toolTip(), plainToolTip);
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT group_concat(Telefono || ' ' || "
                                                        "CantLlamadas, ', ') FROM Clientes"))
                 .toString(),
             QStringLiteral("4567890 6, 3515550002 1, 3515550001 1"));
    QCOMPARE(script.shown().size(), 1);
}

void OutboxWindowTest::callsOnlyInMemoryAreToldApart()
{
    TestEnvironment env;
    MessageBox::Script script;
    // The outbox cannot be written: a file stands where its folder should be.
    const QString blocker = env.dataHome() + QStringLiteral("/Llamora");
    QVERIFY(QDir().mkpath(env.dataHome()));
    QVERIFY(overwriteFile(blocker, "no es una carpeta"));
    MainWindowFixture f(env.programFolder());
    const QString db = env.programFolder() + QStringLiteral("/Llamora.mdb");
    QVERIFY(QFile::rename(db, db + QStringLiteral(".fuera")));
    const QString plainToolTip = f.tray->toolTip();

    f.window->Recibe_llamada(QStringLiteral("4567890"));
    f.window->Recibe_llamada(QStringLiteral("3515550001"));

    const QString notSaved = QStringLiteral("2 sin guardar: no cierre el programa");
    QCOMPARE(f.window->lblPendientes()->text(), notSaved);
    QCOMPARE(f.tray->toolTip(),
             plainToolTip + QStringLiteral("\n2 llamadas sin registrar\n") + notSaved);
    // Said once, with the reason.
    QCOMPARE(script.shown().size(), 1);
    QVERIFY(
        script.texts().first().contains(QStringLiteral("solo en memoria: no cierre el programa")));
    QVERIFY(script.texts().first().contains(
        QStringLiteral("un archivo ocupa el lugar de una carpeta")));

    // The disk takes them again, with no call after them: safe, and shown so.
    QVERIFY(QFile::remove(blocker));
    QTRY_COMPARE(f.window->lblPendientes()->text(), QStringLiteral("2 llamadas sin registrar"));
    QCOMPARE(f.tray->toolTip(), plainToolTip + QStringLiteral("\n2 llamadas sin registrar"));
    QCOMPARE(f.window->outbox().unsavedCount(), 0);
    QCOMPARE(script.shown().size(), 1);
}

void OutboxWindowTest::lockedOutboxIsCountedAndSaysWhy()
{
    TestEnvironment env;
    MessageBox::Script script;
    const QString outbox = OutboxFile::pathFor(env.programFolder());
    for (int i = 0; i < 8; ++i)
        QVERIFY(OutboxFile(outbox).append(
            {QStringLiteral("4567890"), QDateTime(QDate(2024, 3, 5), QTime(21, 7, i)), 1}));
    // Its lock path is taken by a folder.
    const QString lockPath = outbox + QStringLiteral(".lock");
    QVERIFY(QFile::remove(lockPath));
    QVERIFY(QDir().mkdir(lockPath));

    MainWindowFixture f(env.programFolder());

    QCOMPARE(f.window->lblPendientes()->text(), QStringLiteral("8 sin registrar, bloqueadas"));
    QVERIFY(f.tray->toolTip().endsWith(
        QStringLiteral("\n8 llamadas sin registrar\nNo se pueden registrar por ahora: el "
                       "archivo está bloqueado")));
    QCOMPARE(
        script.texts(),
        QStringList{QStringLiteral("Atención: hay llamadas sin registrar que no están a salvo.\n8 "
                                   "llamadas guardadas en este equipo no se pueden registrar por "
                                   "ahora: no se puede abrir su archivo de bloqueo «%1»: es una "
                                   "carpeta, no un archivo. No se borra ninguna; se registrarán "
                                   "cuando se corrija.")
                        .arg(lockPath)});
    // Once the lock can be had again, they are logged.
    QVERIFY(QDir().rmdir(lockPath));
    QTRY_COMPARE(f.window->outbox().count(), 0);
    QVERIFY(f.window->lblPendientes()->isHidden());
    QCOMPARE(ProgramDatabase::callsOf(env.programFolder() + QStringLiteral("/Llamora.mdb"),
                                      QStringLiteral("4567890")),
             8);
}

QTEST_MAIN(OutboxWindowTest)
#include "tst_outbox_window.moc"
