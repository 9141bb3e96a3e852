// The purge of old calls on the offscreen platform, over a real database file: its answers, a
// failure part-way, and another workstation logging calls in a separate process throughout.
#include "AdminFixture.h"
#include "MessageBox.h"
#include "database/DataControl.h"
#include "frmAdministrar.h"
#include "frmEliminar.h"
#include "purge/CallPurge.h"

#include <QCheckBox>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>

#include <memory>

class PurgeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
        m_server.start();
    }
    void cleanupTestCase() { m_server.stop(); }

    void purgeAnswers_data() { addEngineRows(); }
    void purgeAnswers()
    {
        Office office(m_server.forRow());
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"), 3);
        office.call(ana, QDateTime(today().addDays(-1), QTime(23, 59, 59)));
        office.call(ana, QDateTime(today(), QTime(0, 0, 0)));
        office.call(ana, QDateTime(today().addDays(-30), QTime(12, 0)));
        frmAdministrar browser(office.path(), nullptr);
        MessageBox::Script messages;
        const auto purgeWith = [&](const QString& typed, std::optional<MessageAnswer> answer) {
            frmEliminar purge(browser.datLlamadas(), &browser);
            typeText(purge.mskDesde(), typed);
            if (answer)
                messages.queueAnswer(*answer);
            purge.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            return purge.result();
        };
        // An impossible date keeps the form open; letters never arrive.
        QCOMPARE(purgeWith(QStringLiteral("3a1-12-"), std::nullopt), 0);
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Corrija la fecha")});
        messages.clear();
        // Before the oldest call: nothing to delete.
        purgeWith(regional(today().addDays(-400)), std::nullopt);
        // "No" deletes nothing.
        purgeWith(regional(today()), MessageAnswer::No);
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 3);
        // Today: every call before today goes, today's stays; the counts are untouched.
        child<QCheckBox>(&browser, "chkFiltro")->click();
        click(&browser, "cmdVer");
        QCOMPARE(browser.datLlamadas().recordCount(), 3);
        purgeWith(regional(today()), MessageAnswer::Yes);
        QCOMPARE(messages.texts(),
                 (QStringList{QStringLiteral("No hay llamadas para eliminar"),
                              QStringLiteral("Se eliminarán 2 llamadas. Está seguro ?"),
                              QStringLiteral("Se eliminarán 2 llamadas. Está seguro ?")}));
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 1);
        QCOMPARE(office.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 3);
        QCOMPARE(browser.datLlamadas().recordCount(), 1);
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("1"));
    }

    // A failure part-way (here a call that refuses to go) keeps the calls of the batch under way,
    // and the message says how many went.
    void purgeStoppedPartWay()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        QVERIFY(office.oldCalls(ana, 5000, today().addDays(-10)));
        office.exec(QStringLiteral("CREATE TRIGGER kept BEFORE DELETE ON Llamadas WHEN "
                                   "old.IdLlamada = 4500 BEGIN SELECT RAISE(ABORT, 'kept'); END"));
        frmAdministrar browser(office.path(), nullptr);
        MessageBox::Script messages;
        messages.queueAnswer(MessageAnswer::Yes);
        frmEliminar purge(browser.datLlamadas(), &browser);
        purge.mskDesde()->setDate(today());
        purge.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();

        const qint64 left = office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas"));
        QVERIFY(left > 0 && left < 5000);
        QCOMPARE(
            office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas WHERE IdLlamada = 4500")),
            1);
        QCOMPARE(messages.shown().size(), 2);
        const Message failed = messages.shown().at(1).message;
        QVERIFY2(
            failed.text.startsWith(QStringLiteral("Se eliminaron %1 de 5000 llamadas. "
                                                  "Comunique a la asistencia técnica el error: ")
                                       .arg(5000 - left)),
            qPrintable(failed.text));
        QCOMPARE(failed.icon, MessageIcon::Critical);
    }

    // "Cancelar" on the progress stops the purge after the batch under way, and the message
    // says how many calls went.
    void purgeCancelled()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        QVERIFY(office.oldCalls(ana, 60000, today().addDays(-10)));
        frmAdministrar browser(office.path(), nullptr);
        MessageBox::Script messages;
        messages.queueAnswer(MessageAnswer::Yes);
        frmEliminar purge(browser.datLlamadas(), &browser);
        purge.mskDesde()->setDate(today());
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, &purge, [&] {
            auto* progress = purge.findChild<QProgressDialog*>(QStringLiteral("prgEliminar"));
            if (progress != nullptr && progress->value() > 0) {
                progress->findChild<QPushButton*>()->click();
                canceller.stop();
            }
        });
        canceller.start(1);
        click(&purge, "cmdOK");
        const qint64 left = office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas"));
        QVERIFY(left > 0);
        QCOMPARE(messages.texts().value(1),
                 QStringLiteral("Eliminación detenida. Se eliminaron %1 de 60000 llamadas.")
                     .arg(60000 - left));
    }

    // Back-dated calls logged between the count and the delete (an outbox delivering calls of
    // last month), more than a batch of them, stay: exactly the confirmed number goes.
    void purgeSparesCallsLoggedAfterItsCount()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        const QDate old = today().addDays(-40);
        QVERIFY(office.oldCalls(ana, 3000, old));
        const CallPurge::Count count = CallPurge::count(office.path(), today());
        QCOMPARE(count.calls, 3000);
        QVERIFY(office.oldCalls(ana, 30000, old));
        CallPurgeWorker worker(office.path(), today(), count.newestKey);
        worker.run();
        QCOMPARE(worker.error(), 0);
        QCOMPARE(worker.deleted(), 3000);
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 30000);
        QCOMPARE(office.scalar(QStringLiteral("SELECT min(IdLlamada) FROM Llamadas")),
                 count.newestKey + 1);
    }

    // Another workstation logs calls dated in the purged range all through the purge: the purge
    // deletes exactly the number it asked about, never a call logged after its count, and the
    // other workstation never fails.
    void purgeWhileAnotherWorkstationLogs()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        const QDate old = today().addDays(-100);
        constexpr int oldCalls = 60000;
        QVERIFY(office.oldCalls(ana, oldCalls, old));

        QProcess logger;
        logger.start(QCoreApplication::applicationDirPath() + QStringLiteral("/db_worker"),
                     {QStringLiteral("log-every"), office.path(), QStringLiteral("5"),
                      QStringLiteral("10"), old.toString(QStringLiteral("yyyy-MM-dd"))});
        QVERIFY(logger.waitForStarted());
        QByteArray started;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (started += logger.readAllStandardOutput()).contains("READY"),
            qPrintable(QString::fromUtf8(started + logger.readAllStandardError())), 10000);

        frmAdministrar browser(office.path(), nullptr);
        MessageBox::Script messages;
        frmEliminar purge(browser.datLlamadas(), &browser);
        purge.mskDesde()->setDate(today());
        messages.queueAnswer(MessageAnswer::Yes);
        purge.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QTest::qWait(200);
        logger.closeWriteChannel();
        QVERIFY(logger.waitForFinished(10000));
        const QString report = QString::fromUtf8(logger.readAllStandardOutput());
        QCOMPARE(logger.exitCode(), 0);

        const QString question = messages.texts().value(0);
        QVERIFY2(question.startsWith(QStringLiteral("Se eliminarán ")), qPrintable(question));
        const qint64 asked = question.section(QLatin1Char(' '), 2, 2).toLongLong();
        const qint64 logged = report.section(QStringLiteral("logged "), 1)
                                  .section(QLatin1Char('\n'), 0, 0)
                                  .toLongLong();
        QVERIFY2(asked > oldCalls && logged > asked - oldCalls, qPrintable(report));
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")),
                 oldCalls + logged - asked);
    }

private:
    EngineServer m_server;
};

QTEST_MAIN(PurgeTest)
#include "tst_purge.moc"
