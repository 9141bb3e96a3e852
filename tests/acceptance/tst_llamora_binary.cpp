// The real Llamora binary taking calls from the modem simulator: settings written beforehand,
// results read from the database file. Each workstation is a process of its own, with its own
// configuration home (settings and port table) and its own simulated modem.

#include "ModemSimulator.h"
#include "PortTable.h"
#include "ProgramDatabase.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {

constexpr int ReadyTimeoutMs = 30000;
constexpr int CallTimeoutMs = 20000;

// The folder the binary runs from, as it sees itself: its settings are addressed by it.
QString programFolder()
{
    return QFileInfo(TestEnvironment::builtToolPath(QStringLiteral("Llamora"))).canonicalPath();
}

// XDG_CONFIG_HOME pointed elsewhere while it lives, so that settings and the port table can be
// written for another workstation's configuration home.
class ScopedConfigHome
{
public:
    explicit ScopedConfigHome(const QString& path)
        : m_saved(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path));
    }
    ~ScopedConfigHome() { qputenv("XDG_CONFIG_HOME", m_saved); }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

private:
    QByteArray m_saved;
};

using ProgramDatabase::callsOf;
using ProgramDatabase::count;

QString today()
{
    return QDate::currentDate().toString(Qt::ISODate);
}

// One workstation: the program with identification switched on at start, on port 4, which
// leads to this workstation's simulator.
class Workstation
{
public:
    Workstation(const TestEnvironment& env, const QString& name)
        : m_root(env.makeFolder(name))
        , m_name(name)
        , m_link(m_root + QLatin1Char('/') + QFileInfo(env.root()).fileName() + QLatin1Char('-') +
                 name)
    {}

    ~Workstation()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }

    Workstation(const Workstation&) = delete;
    Workstation& operator=(const Workstation&) = delete;

    bool start(const QString& databaseFolder, const QString& puesto)
    {
        if (!m_modem.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1"),
                            QStringLiteral("--link"), m_link}))
            return false;
        const QString configHome = m_root + QStringLiteral("/config");
        QDir().mkpath(configHome);
        {
            const ScopedConfigHome scoped(configHome);
            SettingsStore settings(programFolder());
            settings.setActivarCID(QStringLiteral("1"));
            settings.setPuerto(QStringLiteral("4"));
            settings.setPuesto(puesto);
            settings.setBaseDeDatos(databaseFolder);
            // Only port 4 leads anywhere: no real device of this machine is touched.
            PortTable ports = PortTable::load();
            for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n)
                ports.setDevice(n, m_root + QStringLiteral("/no-device/com") + QString::number(n));
            ports.setDevice(4, m_link);
            if (!ports.save())
                return false;
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        environment.insert(QStringLiteral("HOME"), m_root);
        // Each workstation keeps its own outbox, as separate computers do.
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_root + QStringLiteral("/data"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(logPath());
        m_process.setStandardErrorFile(logPath(), QIODevice::Append);
        m_process.start(TestEnvironment::builtToolPath(QStringLiteral("Llamora")), {});
        return m_process.waitForStarted(10000);
    }

    // Rings the probe number until a call from it is logged: the program has started, switched
    // identification on and listens. Probes sent before are lost, as on a line nobody listens.
    bool waitUntilTakingCalls(const QString& db, const QString& probe)
    {
        const QDeadlineTimer deadline(ReadyTimeoutMs);
        while (!deadline.hasExpired() && isRunning()) {
            if (!m_modem.call(probe))
                return false;
            const QDeadlineTimer pause(400);
            while (!pause.hasExpired()) {
                if (callsOf(db, probe) > 0)
                    return true;
                QTest::qWait(25);
            }
        }
        return false;
    }

    ModemSimulator& modem() { return m_modem; }
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }

    [[nodiscard]] QString log() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return m_name + QStringLiteral(": ") + QString::fromLocal8Bit(file.readAll());
    }

private:
    [[nodiscard]] QString logPath() const { return m_root + QStringLiteral("/llamora.log"); }

    QString m_root;
    QString m_name;
    QString m_link;
    ModemSimulator m_modem;
    QProcess m_process;
};

// Waits until the statement counts `expected`; false at the deadline.
bool waitForCount(const QString& db, const QString& sql, int expected,
                  int timeoutMs = CallTimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (count(db, sql) == expected)
            return true;
        QTest::qWait(25);
    }
    return count(db, sql) == expected;
}

} // namespace

class LlamoraBinaryTest : public QObject
{
    Q_OBJECT

private slots:
    void oneWorkstationLogsAndCounts();
    void twoWorkstationsShareOneFile();
};

void LlamoraBinaryTest::oneWorkstationLogsAndCounts()
{
    TestEnvironment env;
    // Four programs at once: the main one, and three whose stored "Puesto" is no usable number.
    struct Case
    {
        QString puesto;
        int expected;
    };
    const QList<Case> cases{{QStringLiteral("7"), 7},
                            {QStringLiteral("0"), 1},
                            {QString(), 1},
                            {QStringLiteral("abc"), 1}};
    std::vector<std::unique_ptr<Workstation>> stations;
    QStringList databases;
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const QString folder = env.makeFolder(QStringLiteral("datos%1").arg(i));
        databases << TestEnvironment::copyEmptyDatabase(folder);
        stations.push_back(std::make_unique<Workstation>(env, QStringLiteral("puesto%1").arg(i)));
    }
    const QString db = databases.first();
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       true, 4));
    for (qsizetype i = 0; i < cases.size(); ++i)
        QVERIFY(stations[i]->start(QFileInfo(databases[i]).absolutePath(), cases[i].puesto));
    const QString probe = QStringLiteral("999000");
    for (qsizetype i = 0; i < cases.size(); ++i) {
        QVERIFY2(stations[i]->waitUntilTakingCalls(databases[i], probe),
                 qPrintable(stations[i]->log()));
        // The probe calls carry the workstation number the program loaded.
        const QString probeCalls =
            QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN Clientes C "
                           "ON L.Cliente = C.IdCliente WHERE C.Telefono = '") +
            probe + QStringLiteral("' AND L.Puesto ");
        QCOMPARE(count(databases[i],
                       probeCalls + QStringLiteral("<> ") + QString::number(cases[i].expected)),
                 0);
        QVERIFY(count(databases[i],
                      probeCalls + QStringLiteral("= ") + QString::number(cases[i].expected)) > 0);
    }

    Workstation& main = *stations.front();

    // A number not yet on file becomes a client with one call.
    QVERIFY(main.modem().call(QStringLiteral("3514441111")));
    // The client row comes first and its count last: wait for the whole call.
    QVERIFY2(waitForCount(db,
                          QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Telefono = "
                                         "'3514441111' AND CantLlamadas > 0"),
                          1),
             qPrintable(main.log()));
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT CantLlamadas || ' ' || FIngreso || "
                                                        "' ' || Alerta || ' ' || "
                                                        "IFNULL(Nombre, 'null') FROM Clientes "
                                                        "WHERE Telefono = '3514441111'"))
                 .toString(),
             QStringLiteral("1 ") + today() + QStringLiteral(" 0 null"));
    QVERIFY(waitForCount(db,
                         QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN Clientes C ON "
                                        "L.Cliente = C.IdCliente WHERE C.Telefono = '3514441111' "
                                        "AND L.Puesto = 7 AND L.Fecha LIKE '") +
                             today() + QStringLiteral("%'"),
                         1));

    // A known client with 4 earlier calls.
    QVERIFY(main.modem().call(QStringLiteral("4567890")));
    QVERIFY(waitForCount(db,
                         QStringLiteral("SELECT CantLlamadas FROM Clientes WHERE Telefono = "
                                        "'4567890'"),
                         5));
    QCOMPARE(callsOf(db, QStringLiteral("4567890")), 5);

    // A withheld number logs nothing; the call after it shows that it has been handled.
    QVERIFY(main.modem().call(QStringLiteral("P")));
    QVERIFY(main.modem().call(QStringLiteral("3514442222")));
    QVERIFY(waitForCount(db,
                         QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Telefono = "
                                        "'3514442222' AND CantLlamadas > 0"),
                         1));
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Telefono IN ('P', '0', "
                                      "'') OR Telefono IS NULL")),
             0);
    // Probe calls still being rung when the program came up may land late: leave them out.
    const QString notProbes = QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN Clientes C ON "
                                             "L.Cliente = C.IdCliente WHERE C.Telefono <> '") +
                              probe + QStringLiteral("'");
    QCOMPARE(count(db, notProbes), 1 + 5 + 1);
    // All but the four earlier calls were taken here, today.
    QCOMPARE(count(db, notProbes + QStringLiteral(" AND L.Puesto = 7 AND L.Fecha LIKE '") +
                           today() + QStringLiteral("%'")),
             1 + 1 + 1);

    for (const auto& station : stations)
        QVERIFY2(station->isRunning(), qPrintable(station->log()));
}

void LlamoraBinaryTest::twoWorkstationsShareOneFile()
{
    TestEnvironment env;
    const QString folder = env.makeFolder(QStringLiteral("servidor"));
    const QString db = TestEnvironment::copyEmptyDatabase(folder);
    Workstation first(env, QStringLiteral("puesto1"));
    Workstation second(env, QStringLiteral("puesto2"));
    QVERIFY(first.start(folder, QStringLiteral("1")));
    QVERIFY(second.start(folder, QStringLiteral("2")));
    QVERIFY2(first.waitUntilTakingCalls(db, QStringLiteral("9990001")), qPrintable(first.log()));
    QVERIFY2(second.waitUntilTakingCalls(db, QStringLiteral("9990002")), qPrintable(second.log()));

    // Each takes 200 calls, in bursts of 20 rung alternately on both lines. Most numbers call
    // both workstations, so both count the same clients and create the same new ones at once.
    constexpr int CallsEach = 200;
    constexpr int Burst = 20;
    const QString notProbes =
        QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN Clientes C ON L.Cliente = "
                       "C.IdCliente WHERE C.Telefono NOT LIKE '999%'");
    QHash<QString, int> sent;
    int total = 0;
    for (int start = 0; start < CallsEach; start += Burst) {
        for (int i = start; i < start + Burst; ++i) {
            for (Workstation* station : {&first, &second}) {
                const QString number =
                    i % 4 == 0 ? QStringLiteral("35%1%2")
                                     .arg(station == &first ? 1 : 2)
                                     .arg(i, 5, 10, QLatin1Char('0'))
                               : QStringLiteral("4000%1").arg(i % 12, 2, 10, QLatin1Char('0'));
                QVERIFY(station->modem().call(number));
                ++sent[number];
                ++total;
            }
        }
        QVERIFY2(
            waitForCount(db, notProbes, total),
            qPrintable(QStringLiteral("%1 of %2 logged\n").arg(count(db, notProbes)).arg(total) +
                       first.log() + second.log()));
    }

    const QString byPuesto = notProbes + QStringLiteral(" AND L.Puesto = ");
    QCOMPARE(count(db, byPuesto + QLatin1Char('1')), CallsEach);
    QCOMPARE(count(db, byPuesto + QLatin1Char('2')), CallsEach);
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
        QCOMPARE(callsOf(db, it.key()), it.value());
    // One client per number, and every count agrees with the calls logged for it.
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Telefono) FROM Clientes")),
             0);
    // A count is the last write of its call, so the latest ones may still be on their way.
    QVERIFY(waitForCount(db,
                         QStringLiteral("SELECT COUNT(*) FROM Clientes C WHERE C.CantLlamadas <> "
                                        "(SELECT COUNT(*) FROM Llamadas L WHERE L.Cliente = "
                                        "C.IdCliente)"),
                         0));
    QVERIFY2(first.isRunning(), qPrintable(first.log()));
    QVERIFY2(second.isRunning(), qPrintable(second.log()));
}

QTEST_GUILESS_MAIN(LlamoraBinaryTest)
#include "tst_llamora_binary.moc"
