// Data control and row operations, presence, and the words and dates the layer gives.

#include "DatabaseFixture.h"
#include "DatabaseTestHelpers.h"
#include "database/DatabaseFile.h"
#include "database/DateText.h"
#include "database/Presence.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QSignalSpy>

using namespace Statements;

class DatabaseRowsTest : public QObject
{
    Q_OBJECT

private slots:
    void listsReadInPagesAndSeeChanges();
    void savingSeeksTheClientAndEditNoticesChanges();
    void callerBecomesAClientCountedOnce();
    void presenceFollowsTheConnections();
    void conflictMessages_data();
    void conflictMessages();
    void regionalDatesReadBackTheSameMoment_data();
    void regionalDatesReadBackTheSameMoment();
};

void DatabaseRowsTest::listsReadInPagesAndSeeChanges()
{
    DatabaseFixture fixture;
    DataControl writer;
    writer.setDatabaseName(fixture.databasePath());
    writer.setRecordSource(clientsTable());
    addManyClients(writer, 350);

    DataControl list;
    list.setReadOnly(true);
    QSignalSpy repositioned(&list, &DataControl::repositioned);
    QCOMPARE(
        fixture.attach(list, clientList(ClientFilterField::Ninguno, QString(), false,
                                        ClientSortColumn::Telefono, SortDirection::Descending)),
        DatabaseError::None);
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(list.field(QStringLiteral("Telefono")).toString(), QStringLiteral("4000349"));
    QCOMPARE(list.valueAt(349, QStringLiteral("Telefono")).toString(), QStringLiteral("4000000"));
    QCOMPARE(list.moveLast(), DatabaseError::None);
    QCOMPARE(list.moveNext(), DatabaseError::None);
    QCOMPARE(list.moveNext(), DatabaseError::NoCurrentRow);
    QCOMPARE(repositioned.count(), 3);

    // No read lock outlives the reads: another connection writes at once, and the list sees the
    // new row after a refresh and the changed row when its page is read again.
    QVERIFY(fixture.addClient(QStringLiteral("5000000")));
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(list.refresh(), DatabaseError::None);
    QCOMPARE(list.recordCount(), 351);
    QCOMPARE(saveClientDetails(fixture.databasePath(), list.keyAt(300),
                               {QStringLiteral("Ana María"), {}, {}, false}),
             DatabaseError::None);
    QCOMPARE(list.valueAt(300, QStringLiteral("Nombre")).toString(), QStringLiteral("Ana María"));
}

void DatabaseRowsTest::savingSeeksTheClientAndEditNoticesChanges()
{
    DatabaseFixture fixture;
    const qint64 id = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl first;
    QCOMPARE(fixture.attach(first, clientByTelephone(QStringLiteral("111"))), DatabaseError::None);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));

    QCOMPARE(saveClientDetails(fixture.databasePath(), id,
                               {QStringLiteral("Ana Núñez"), QStringLiteral("Calle 1"),
                                QStringLiteral("línea 1\nlínea 2"), true}),
             DatabaseError::None);
    QCOMPARE(saveClientDetails(fixture.databasePath(), id + 100, {}), DatabaseError::NoCurrentRow);

    QCOMPARE(first.edit(), DatabaseError::RowChanged);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana Núñez"));
    QCOMPARE(first.field(QStringLiteral("Observaciones")).toString(),
             QStringLiteral("línea 1\nlínea 2"));
    QCOMPARE(first.field(QStringLiteral("Alerta")).toBool(), true);
    // Having seen the change, the next edit goes through.
    QCOMPARE(first.edit(), DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("Domicilio"), QStringLiteral("Calle 3")),
             DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("IdCliente"), 99), DatabaseError::FieldNotUpdatable);
    QCOMPARE(first.update(), DatabaseError::None);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE Domicilio = "
                                           "'Calle 3' AND Nombre = 'Ana Núñez'")),
             1);
}

void DatabaseRowsTest::callerBecomesAClientCountedOnce()
{
    DatabaseFixture fixture;
    DataControl datLlamada;
    QCOMPARE(fixture.attach(datLlamada, clientByTelephone(QStringLiteral("4444"))),
             DatabaseError::None);
    QVERIFY(datLlamada.isEmpty());
    qint64 id = 0;
    QCOMPARE(addCallerAsClient(datLlamada, QStringLiteral("4444"), QDate(2024, 2, 29), &id),
             DatabaseError::None);
    QVERIFY(id > 0);
    QCOMPARE(datLlamada.field(QStringLiteral("IdCliente")).toLongLong(), id);
    // Only Telefono and FIngreso are set; the file's default makes the count 0.
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 0);
    QVERIFY(datLlamada.field(QStringLiteral("Nombre")).isNull());
    QCOMPARE(datLlamada.field(QStringLiteral("FIngreso")).toDate(), QDate(2024, 2, 29));
    QCOMPARE(appendCall(fixture.databasePath(), id, at(2024, 2, 29, 9, 30, 5), 3),
             DatabaseError::None);
    QCOMPARE(countCall(datLlamada), DatabaseError::None);
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 1);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT Fecha = '2024-02-29 09:30:05' FROM Llamadas")),
             1);

    // Another workstation's S1 ran a moment before this client existed: the existing client is
    // used, not a copy; the editor's R5 refuses the number.
    DataControl late;
    QCOMPARE(fixture.attach(late, noCallsOfClient()), DatabaseError::None);
    late.setRecordSource(clientByTelephone(QStringLiteral("4444")));
    qint64 again = 0;
    QCOMPARE(addCallerAsClient(late, QStringLiteral("4444"), QDate(2024, 3, 1), &again),
             DatabaseError::None);
    QCOMPARE(again, id);
    QCOMPARE(late.field(QStringLiteral("IdCliente")).toLongLong(), id);
    QCOMPARE(addClient(late, QStringLiteral("4444"), QDate(2024, 3, 1), {}, &again),
             DatabaseError::DuplicateValue);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
}

void DatabaseRowsTest::presenceFollowsTheConnections()
{
    DatabaseFixture fixture;
    const QString path = fixture.databasePath();
    DataControl first;
    first.setDatabaseName(path);
    QCOMPARE(first.open(), DatabaseError::None);
    DataControl second;
    second.setDatabaseName(path);
    QCOMPARE(second.open(), DatabaseError::None);
    QCOMPARE(queryPresence(path).thisProcess, 2);
    // Detaching one leaves the other's mark in place.
    second.setDatabaseName(QString());
    QCOMPARE(queryPresence(path).thisProcess, 1);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::InUseHere);
    first.setDatabaseName(QString());
    QCOMPARE(presenceErrorNumber(path), DatabaseError::None);
    // A probe leaves no mark, and a detached control holds nothing: the file can be replaced as a
    // whole, as compaction does.
    QCOMPARE(probeDatabaseFile(path), DatabaseError::None);
    QVERIFY(!queryPresence(path).anyone());
    QVERIFY(QFile::remove(path));
}

void DatabaseRowsTest::conflictMessages_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageIcon>("icon");

    const QString deleted = QStringLiteral("El cliente ha sido eliminado por otra estación");
    QTest::newRow("3260") << 3260
                          << QStringLiteral("El cliente está siendo actualizado por otra "
                                            "estación, espere o cancele la operación")
                          << MessageIcon::Information;
    QTest::newRow("3197") << 3197
                          << QStringLiteral(
                                 "Los datos no se guardarán, porque otra estación ya los actualizó")
                          << MessageIcon::Information;
    QTest::newRow("3021") << 3021 << deleted << MessageIcon::Information;
    QTest::newRow("3167") << 3167 << deleted << MessageIcon::Information;
    QTest::newRow("other") << 3343
                           << QStringLiteral("Comunique a la asistencia técnica el error: 3343")
                           << MessageIcon::Critical;
}

void DatabaseRowsTest::conflictMessages()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(MessageIcon, icon);
    QCOMPARE(conflictMessage(number), (Message{text, icon, MessageButtons::Ok}));
}

void DatabaseRowsTest::regionalDatesReadBackTheSameMoment_data()
{
    QTest::addColumn<QString>("localeName");
    for (const char* name : {"es_AR", "es_ES", "ca_ES", "en_US", "de_DE", "ja_JP", "bg_BG", "C"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void DatabaseRowsTest::regionalDatesReadBackTheSameMoment()
{
    QFETCH(QString, localeName);
    const QLocale locale(localeName);
    for (const QDateTime& moment :
         {at(2024, 2, 29, 23, 59, 59), at(1999, 12, 31, 0, 0, 0), at(2031, 1, 5, 13, 7, 9)}) {
        const QString text = DateText::regionalDateTime(moment, locale);
        QCOMPARE(DateText::dateTimeFromRegional(text, locale), moment);
        // No leftover of the time zone the clock text leaves out, such as es_ES's "()".
        QVERIFY2(!text.contains(QLatin1Char('(')) && !text.endsWith(QLatin1Char(' ')),
                 qPrintable(text));
        QCOMPARE(DateText::dateFromRegional(DateText::regionalDate(moment.date(), locale), locale),
                 moment.date());
        QCOMPARE(DateText::dateTimeFromStored(DateText::storedDateTime(moment)), moment);
    }
}

std::unique_ptr<QObject> makeDatabaseRowsTest()
{
    return std::make_unique<DatabaseRowsTest>();
}

#include "tst_database_rows.moc"
