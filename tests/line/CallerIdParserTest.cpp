#include "CallerIdParserTest.h"

#include "CallerIdParser.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QDateTime Now(QDate(2024, 3, 10), QTime(15, 45, 30, 250));
const QDateTime Dec5(QDate(2024, 12, 5), QTime(9, 31, 0));
const QByteArray Record = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";

CallerIdParser parserAtNow()
{
    return CallerIdParser([] { return Now; });
}

std::vector<CallerIdRecord> feedAll(CallerIdParser& parser, const QByteArrayList& chunks)
{
    std::vector<CallerIdRecord> all;
    for (const QByteArray& chunk : chunks) {
        const auto records = parser.feed(chunk);
        all.insert(all.end(), records.begin(), records.end());
    }
    return all;
}

} // namespace

void CallerIdParserTest::recordSplitAnywhere()
{
    // Reported by the chunk that brings the CR behind the number, and only once; cut 0 is the
    // record whole.
    const qsizetype numberEnd = Record.indexOf("5551234\r") + 7;
    for (qsizetype cut = 0; cut < Record.size(); ++cut) {
        CallerIdParser parser = parserAtNow();
        const auto first = parser.feed(Record.left(cut));
        const auto second = parser.feed(Record.mid(cut));
        const bool crInFirst = cut > numberEnd;
        QCOMPARE(first.size(), std::size_t(crInFirst ? 1 : 0));
        QCOMPARE(second.size(), std::size_t(crInFirst ? 0 : 1));
        QCOMPARE((crInFirst ? first : second)[0].number, QStringLiteral("5551234"));
        QCOMPARE((crInFirst ? first : second)[0].dateTime, Dec5);
    }
}

void CallerIdParserTest::incompleteRecordsWait()
{
    CallerIdParser parser = parserAtNow();
    // An empty number: nothing, and the text stays.
    QVERIFY(parser.feed("DATE = 1205\r\nTIME = 0931\r\nNMBR = \r\n").empty());
    QVERIFY(parser.pending().contains(QLatin1String("NMBR = ")));
    parser.reset();
    QVERIFY(parser.feed("DATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234").empty());
    QCOMPARE(parser.feed("\r").size(), std::size_t(1));
    // A ring report, or a caller name, after a reported record.
    QVERIFY(parser.feed("\r\nRING\r\nNAME = DIAZ\r\n").empty());
    QCOMPARE(parser.pending(), QStringLiteral("\r\nRING\r\nNAME = DIAZ\r\n"));
    // Without TIME a record never completes.
    parser.reset();
    QVERIFY(parser.feed("DATE = 1205\r\nNMBR = 5551234\r\n").empty());
}

void CallerIdParserTest::longTextIsDropped()
{
    // More than BufferLimit characters pending are emptied before the next chunk; BufferLimit
    // are kept.
    const QByteArray start = "DATE = 1205\r\nTIME = 0931\r\n";
    const int limit = int(CallerIdParser::BufferLimit);
    for (const int length : {limit, limit + 1}) {
        CallerIdParser parser = parserAtNow();
        QVERIFY(parser.feed(start + QByteArray(length - start.size(), 'x')).empty());
        const auto records = parser.feed("NMBR = 5551234\r\n");
        // Once the DATE and TIME are gone the number stands alone, at the clock's time.
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].dateTime,
                 length == limit ? Dec5 : QDateTime(Now.date(), QTime(15, 45, 30)));
    }
    // A DATE or NMBR tag cut by the boundary of an overlong buffer survives.
    CallerIdParser parser = parserAtNow();
    QVERIFY(parser.feed(QByteArray(limit + 20, 'x') + "\r\nDA").empty());
    QCOMPARE(parser.feed("TE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n").size(), std::size_t(1));
    QVERIFY(parser.feed(QByteArray(limit + 20, 'x') + "\r\nNM").empty());
    QCOMPARE(parser.feed("BR = 5551234\r\n").size(), std::size_t(1));
}

void CallerIdParserTest::longRecordByteByByte()
{
    // Long NAME and MESG lines make a record of several hundred characters; fed one byte at a
    // time it must still come through, whole.
    const QByteArray record =
        "\r\nRING\r\n\r\nDATE = 1205\r\nTIME = 0931\r\nMESG = " + QByteArray(2 * 255, 'A') +
        "\r\nNAME = " + QByteArray(60, 'Z') +
        "\r\nNMBR = 5551234\r\nNAME = " + QByteArray(60, 'Y') + "\r\n\r\nRING\r\n";
    CallerIdParser parser = parserAtNow();
    std::vector<CallerIdRecord> got;
    for (const char c : record) {
        const auto records = parser.feed(QByteArray(1, c));
        got.insert(got.end(), records.begin(), records.end());
    }
    QCOMPARE(got.size(), std::size_t(1));
    QCOMPARE(got[0].number, QStringLiteral("5551234"));
    QCOMPARE(got[0].dateTime, Dec5);
}

void CallerIdParserTest::dialects_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QDateTime>("dateTime"); // of the last record
    const QByteArray dec5 = "DATE = 1205\r\nTIME = 0931\r\n";
    const QStringList number{QStringLiteral("5551234")};
    const QStringList withheld{QStringLiteral("0")};
    const QStringList one{QStringLiteral("1")};
    // A date or time that is none is reported all the same, at the clock's time.
    const QDateTime now(Now.date(), QTime(15, 45, 30));

    QTest::newRow("P") << QByteArrayList{dec5 + "NMBR = P\r\n"} << withheld << Dec5;
    QTest::newRow("o") << QByteArrayList{dec5 + "NMBR = o\r\n"} << withheld << Dec5;
    QTest::newRow("P and O padded with blanks")
        << QByteArrayList{dec5 + "NMBR = P  \r\n", dec5 + "NMBR = O \r\n"} << withheld + withheld
        << Dec5;
    // Tone-signalled caller ID: the number alone, at the clock's time.
    QTest::newRow("number only") << QByteArrayList{"\r\nRING\r\nNMB", "R = 5551234\r",
                                                   "\n\r\nRING\r\n"}
                                 << number << now;
    QTest::newRow("number only, then full record, then withheld number only")
        << QByteArrayList{"NMBR=1\r\n" + Record + "\r\nNMBR = P \r\n"} << one + number + withheld
        << now;
    QTest::newRow("empty number only is dropped")
        << QByteArrayList{"\r\nNMBR = \r\n", Record} << number << Dec5;
    QTest::newRow("number line cut by a record")
        << QByteArrayList{"\r\nNMBR = 55", Record.mid(2)} << number << Dec5;
    QTest::newRow("no blanks") << QByteArrayList{"DATE=1205\r\nTIME=0931\r\nNMBR=5551234\r\n"}
                               << number << Dec5;
    QTest::newRow("DDN_NMBR") << QByteArrayList{dec5, "DDN_NMBR = 5551234\r\n"} << number << Dec5;
    QTest::newRow("name with D before number")
        << QByteArrayList{dec5, "NAME = DIAZ JUAN\r\n", "NMBR = 5551234\r\n"} << number << Dec5;
    QTest::newRow("MESG anywhere")
        << QByteArrayList{"\r\nMESG = 03\r\nDATE = 1205\r\nMESG = 0D0A\r\nTIME = 0931\r\n",
                          "MESG = DD\r\nNMBR = 5551234\r\n"}
        << number << Dec5;
    QTest::newRow("record before ring") << QByteArrayList{Record, "\r\nRING\r\n"} << number << Dec5;
    QTest::newRow("LF only") << QByteArrayList{"\nDATE = 1205\nTIME = 0931\nNMBR = 5551234\n"}
                             << number << Dec5;
    QTest::newRow("TIME of five digits")
        << QByteArrayList{"DATE = 1205\r\nTIME = 09315\r\nNMBR = 5551234\r\n"} << number << Dec5;
    QTest::newRow("stale record restarted by DATE")
        << QByteArrayList{"DATE = 0101\r\nTIME = 0000\r\n", Record} << number << Dec5;
    QTest::newRow("two records in one chunk")
        << QByteArrayList{Record + "\r\nRING\r\n\r\nDATE = 1206\r\nTIME = 1000\r\nNMBR = P\r\n"}
        << number + withheld << QDateTime(QDate(2024, 12, 6), QTime(10, 0, 0));
    QTest::newRow("month 13") << QByteArrayList{"DATE = 1332\r\nTIME = 0931\r\nNMBR = 1\r\n"} << one
                              << now;
    QTest::newRow("hour 24") << QByteArrayList{"DATE = 1205\r\nTIME = 2423\r\nNMBR = 1\r\n"} << one
                             << now;
    QTest::newRow("no digits") << QByteArrayList{"DATE = 12\r\nTIME = ab:c\r\nNMBR = 1\r\n"} << one
                               << now;
    QTest::newRow("29 February of a leap year")
        << QByteArrayList{"DATE = 0229\r\nTIME = 2359\r\nNMBR = 1\r\n"} << one
        << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 0));
}

void CallerIdParserTest::dialects()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QStringList, numbers);
    CallerIdParser parser = parserAtNow();
    const auto records = feedAll(parser, chunks);
    QStringList got;
    for (const CallerIdRecord& record : records)
        got << record.number;
    QCOMPARE(got, numbers);
    QTEST(records.back().dateTime, "dateTime");
}

namespace {

// One record in a random dialect of the modem simulator's, now and then a number alone;
// `expected` gets what it reports.
QByteArray randomRecord(QRandomGenerator& random, CallerIdRecord& expected)
{
    const QByteArray eol = random.bounded(2) ? "\n" : "\r\n";
    const QByteArray equals = random.bounded(2) ? "=" : " = ";
    auto line = [&](const QByteArray& tag, const QByteArray& value) -> QByteArray {
        return tag + equals + value + eol;
    };
    const QDateTime at(QDate(2024, random.bounded(1, 13), random.bounded(1, 29)),
                       QTime(random.bounded(4, 24), random.bounded(60))); // clear of DST gaps
    expected.dateTime = at;
    const int withheld = random.bounded(4);
    const QByteArray number = withheld < 2 ? QByteArray(withheld ? "P" : "O")
                                           : QByteArray::number(random.bounded(1000000, 99999999));
    expected.number = withheld < 2 ? QStringLiteral("0") : QString::fromLatin1(number);

    const QByteArray name = line("NAME", "DIAZ DE LA DEHESA");
    const QByteArray mesg = line("MESG", "0D0A");
    const QByteArray ring = eol + "RING" + eol;
    const int shape = random.bounded(5);
    if (shape == 4) {
        // Tone-signalled caller ID: the number alone, at the clock's time.
        expected.dateTime = QDateTime(Now.date(), QTime(15, 45, 30));
        return ring + line(random.bounded(2) ? "NMBR" : "DDN_NMBR", number) + ring;
    }
    QByteArray record = eol + (shape == 0 ? mesg : QByteArray());
    record += line("DATE", at.toString(QStringLiteral("MMdd")).toLatin1());
    record +=
        line("TIME", at.toString(QStringLiteral("HHmm")).toLatin1() + (shape == 1 ? "7" : ""));
    record += shape == 2 ? QByteArray(name + mesg) : QByteArray();
    record += line(random.bounded(2) ? "NMBR" : "DDN_NMBR", number);
    record += shape == 3 ? name : QByteArray();
    return (random.bounded(3) ? ring + record : record) + ring;
}

// Random bytes between records, except "=", which would make tags of them.
QByteArray randomNoise(QRandomGenerator& random)
{
    QByteArray noise;
    const int length = random.bounded(3) == 0 ? random.bounded(160) : 0;
    while (noise.size() < length) {
        if (const char c = char(random.bounded(256)); c != '=')
            noise += c;
    }
    return noise;
}

} // namespace

void CallerIdParserTest::randomChunkings()
{
    QRandomGenerator random(20240310);
    for (int round = 0; round < 3000; ++round) {
        std::vector<CallerIdRecord> expected(std::size_t(random.bounded(1, 5)));
        QByteArray stream;
        for (CallerIdRecord& one : expected)
            stream += randomNoise(random) + randomRecord(random, one);
        stream += randomNoise(random);

        CallerIdParser parser = parserAtNow();
        std::vector<CallerIdRecord> got;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype length = random.bounded(1, 40);
            const auto records = parser.feed(stream.mid(at, length));
            got.insert(got.end(), records.begin(), records.end());
            at += length;
        }
        QVERIFY2(got.size() == expected.size(),
                 qPrintable(QStringLiteral("round %1: %2")
                                .arg(round)
                                .arg(QString::fromLatin1(stream.toPercentEncoding()))));
        for (std::size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].number, expected[i].number);
            QCOMPARE(got[i].dateTime, expected[i].dateTime);
        }
    }
}

void CallerIdParserTest::randomBytesRaiseNothing()
{
    QRandomGenerator random(7);
    CallerIdParser parser = parserAtNow();
    for (int round = 0; round < 20000; ++round) {
        QByteArray chunk(random.bounded(1, 64), Qt::Uninitialized);
        for (char& c : chunk)
            c = char(random.bounded(256));
        QVERIFY(parser.feed(chunk).empty());
        QVERIFY(parser.pending().size() <= CallerIdParser::BufferLimit + 64);
    }
}
