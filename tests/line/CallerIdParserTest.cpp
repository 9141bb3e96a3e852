#include "CallerIdParserTest.h"

#include "CallerIdParser.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QDateTime Now(QDate(2024, 3, 10), QTime(15, 45, 30, 250));

CallerIdParser parserAtNow()
{
    return CallerIdParser([] { return Now; });
}

// The modem's record as it comes: CR LF, then DATE, TIME and NMBR lines ended by CR LF.
const QByteArray PlainRecord = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";

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

void CallerIdParserTest::plainRecordInOneChunk()
{
    CallerIdParser parser = parserAtNow();
    const auto records = parser.feed("\r\nRING\r\n" + PlainRecord);
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records[0].number, QStringLiteral("5551234"));
    QCOMPARE(records[0].dateTime, QDateTime(QDate(2024, 12, 5), QTime(9, 31, 0)));
    QVERIFY(parser.pending().isEmpty());
}

void CallerIdParserTest::plainRecordSplitAnywhere()
{
    const qsizetype numberEnd = PlainRecord.indexOf("5551234\r") + 7;
    for (qsizetype cut = 1; cut < PlainRecord.size(); ++cut) {
        CallerIdParser parser = parserAtNow();
        const auto first = parser.feed(PlainRecord.left(cut));
        const auto second = parser.feed(PlainRecord.mid(cut));
        // Reported by the chunk that brings the CR behind the number, and only once.
        const bool crInFirst = cut > numberEnd;
        QCOMPARE(first.size(), std::size_t(crInFirst ? 1 : 0));
        QCOMPARE(second.size(), std::size_t(crInFirst ? 0 : 1));
        QCOMPARE((crInFirst ? first : second)[0].number, QStringLiteral("5551234"));
    }
    // One character at a time.
    CallerIdParser parser = parserAtNow();
    QByteArrayList bytes;
    for (const char c : PlainRecord)
        bytes << QByteArray(1, c);
    const auto records = feedAll(parser, bytes);
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records[0].dateTime, QDateTime(QDate(2024, 12, 5), QTime(9, 31, 0)));
}

void CallerIdParserTest::withheldNumbers_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::newRow("P") << QByteArray("P");
    QTest::newRow("O") << QByteArray("O");
    QTest::newRow("p") << QByteArray("p");
    QTest::newRow("o") << QByteArray("o");
}

void CallerIdParserTest::withheldNumbers()
{
    QFETCH(QByteArray, number);
    CallerIdParser parser = parserAtNow();
    const auto records = parser.feed("DATE = 1205\r\nTIME = 0931\r\nNMBR = " + number + "\r\n");
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records[0].number, QStringLiteral("0"));
}

void CallerIdParserTest::incompleteRecordsWait()
{
    CallerIdParser parser = parserAtNow();
    // An empty number: nothing, and the text stays.
    QVERIFY(parser.feed("\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = \r\n").empty());
    QVERIFY(parser.pending().contains(QLatin1String("NMBR = ")));
    // A number line without its line end yet.
    parser.reset();
    QVERIFY(parser.feed("DATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234").empty());
    QCOMPARE(parser.feed("\r").size(), std::size_t(1));
    // A record without TIME never completes.
    parser.reset();
    QVERIFY(parser.feed("DATE = 1205\r\nNMBR = 5551234\r\n").empty());
}

void CallerIdParserTest::textAfterRecordIsNoCall()
{
    CallerIdParser parser = parserAtNow();
    QCOMPARE(parser.feed(PlainRecord).size(), std::size_t(1));
    QVERIFY(parser.feed("\r\nRING\r\n").empty());
    QCOMPARE(parser.pending(), QStringLiteral("\r\nRING\r\n"));
    // A caller name arriving after the record changes nothing.
    QVERIFY(parser.feed("NAME = DIAZ JUAN\r\n").empty());
}

void CallerIdParserTest::longTextIsDropped()
{
    // More than 100 characters pending: emptied before the next chunk is added, so the
    // record's start is lost. At exactly 100 it is kept.
    const QByteArray start = "DATE = 1205\r\nTIME = 0931\r\n";
    for (const int length : {100, 101}) {
        CallerIdParser parser = parserAtNow();
        const QByteArray filler(length - start.size(), 'x');
        QVERIFY(parser.feed(start + filler).empty());
        QCOMPARE(parser.pending().size(), qsizetype(length));
        const auto records = parser.feed("NMBR = 5551234\r\n");
        QCOMPARE(records.size(), std::size_t(length == 100 ? 1 : 0));
    }
    // A DATE tag cut by the boundary of an overlong buffer survives.
    CallerIdParser parser = parserAtNow();
    QVERIFY(parser.feed(QByteArray(120, 'x') + "\r\nDA").empty());
    QCOMPARE(parser.feed("TE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n").size(), std::size_t(1));
}

void CallerIdParserTest::dialects_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QDateTime>("dateTime");
    const QDateTime dec5(QDate(2024, 12, 5), QTime(9, 31, 0));

    QTest::newRow("no blanks") << QByteArrayList{"\r\nDATE=1205\r\nTIME=0931\r\nNMBR=5551234\r\n"}
                               << QStringLiteral("5551234") << dec5;
    QTest::newRow("DDN_NMBR") << QByteArrayList{"\r\nDATE = 1205\r\nTIME = 0931\r\n",
                                                "DDN_NMBR = 5551234\r\n"}
                              << QStringLiteral("5551234") << dec5;
    QTest::newRow("name with D before number")
        << QByteArrayList{"\r\nDATE = 1205\r\nTIME = 0931\r\n", "NAME = DIAZ JUAN\r\n",
                          "NMBR = 5551234\r\n"}
        << QStringLiteral("5551234") << dec5;
    QTest::newRow("name after number") << QByteArrayList{PlainRecord + "NAME = DIAZ JUAN\r\n"}
                                       << QStringLiteral("5551234") << dec5;
    QTest::newRow("MESG first") << QByteArrayList{"\r\nMESG = 030101\r\n", PlainRecord}
                                << QStringLiteral("5551234") << dec5;
    QTest::newRow("MESG between")
        << QByteArrayList{"\r\nDATE = 1205\r\nMESG = 0D0A\r\nTIME = 0931\r\n",
                          "MESG = DD\r\nNMBR = 5551234\r\n"}
        << QStringLiteral("5551234") << dec5;
    QTest::newRow("record before ring")
        << QByteArrayList{PlainRecord.mid(2), "\r\nRING\r\n"} << QStringLiteral("5551234") << dec5;
    QTest::newRow("LF only") << QByteArrayList{"\nDATE = 1205\nTIME = 0931\nNMBR = 5551234\n"}
                             << QStringLiteral("5551234") << dec5;
    QTest::newRow("TIME of five digits")
        << QByteArrayList{"\r\nDATE = 1205\r\nTIME = 09315\r\nNMBR = 5551234\r\n"}
        << QStringLiteral("5551234") << dec5;
    QTest::newRow("stale record restarted by DATE")
        << QByteArrayList{"\r\nDATE = 0101\r\nTIME = 0000\r\n", PlainRecord}
        << QStringLiteral("5551234") << dec5;
    QTest::newRow("number with blank")
        << QByteArrayList{"DATE = 1205\r\nTIME = 0931\r\nNMBR =  555 "
                          "1234 \r\n"}
        << QStringLiteral("555 1234 ") << dec5;
    // A date or time that is none: reported all the same, at the clock's time.
    const QDateTime now(Now.date(), QTime(15, 45, 30));
    QTest::newRow("month 13") << QByteArrayList{"DATE = 1332\r\nTIME = 0931\r\nNMBR = 1\r\n"}
                              << QStringLiteral("1") << now;
    QTest::newRow("hour 24") << QByteArrayList{"DATE = 1205\r\nTIME = 2423\r\nNMBR = 1\r\n"}
                             << QStringLiteral("1") << now;
    QTest::newRow("no digits") << QByteArrayList{"DATE = 12\r\nTIME = ab:c\r\nNMBR = 1\r\n"}
                               << QStringLiteral("1") << now;
    QTest::newRow("29 February of a leap year")
        << QByteArrayList{"DATE = 0229\r\nTIME = 2359\r\nNMBR = 1\r\n"} << QStringLiteral("1")
        << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 0));
}

void CallerIdParserTest::dialects()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QString, number);
    QFETCH(QDateTime, dateTime);
    CallerIdParser parser = parserAtNow();
    const auto records = feedAll(parser, chunks);
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records[0].number, number);
    QCOMPARE(records[0].dateTime, dateTime);
}

void CallerIdParserTest::twoRecordsInOneChunk()
{
    CallerIdParser parser = parserAtNow();
    const auto records = parser.feed(PlainRecord + "\r\nRING\r\n" +
                                     "\r\nDATE = 1206\r\nTIME = 1000\r\nNMBR = P\r\n");
    QCOMPARE(records.size(), std::size_t(2));
    QCOMPARE(records[0].number, QStringLiteral("5551234"));
    QCOMPARE(records[1].number, QStringLiteral("0"));
    QCOMPARE(records[1].dateTime, QDateTime(QDate(2024, 12, 6), QTime(10, 0, 0)));
}

namespace {

struct Expected
{
    QString number;
    QDateTime dateTime;
};

// One record in a random dialect, as the modem simulator can send it.
QByteArray randomRecord(QRandomGenerator& random, Expected& expected)
{
    const bool lf = random.bounded(2) == 0;
    const QByteArray eol = lf ? "\n" : "\r\n";
    const QByteArray equals = random.bounded(2) == 0 ? "=" : " = ";
    const int month = random.bounded(1, 13);
    const int day = random.bounded(1, 29);
    const int hour = random.bounded(24);
    const int minute = random.bounded(60);
    QByteArray number;
    switch (random.bounded(4)) {
    case 0:
        number = "P";
        expected.number = QStringLiteral("0");
        break;
    case 1:
        number = "O";
        expected.number = QStringLiteral("0");
        break;
    default:
        number = QByteArray::number(random.bounded(1000000, 99999999));
        expected.number = QString::fromLatin1(number);
    }
    expected.dateTime = QDateTime(QDate(2024, month, day), QTime(hour, minute));
    auto line = [&](const QByteArray& tag, const QByteArray& value) -> QByteArray {
        return tag + equals + value + eol;
    };
    auto twoDigits = [](int v) {
        return QByteArray::number(v).rightJustified(2, '0');
    };
    const QByteArray name = line("NAME", "DIAZ DE LA DEHESA");
    const QByteArray mesg = line("MESG", "0D0A");
    const int shape = random.bounded(4);
    QByteArray record = eol;
    if (shape == 0)
        record += mesg;
    record += line("DATE", twoDigits(month) + twoDigits(day));
    record += line("TIME", twoDigits(hour) + twoDigits(minute) + (shape == 1 ? "7" : ""));
    if (shape == 2)
        record += name + mesg;
    record += line(random.bounded(2) == 0 ? "NMBR" : "DDN_NMBR", number);
    if (shape == 3)
        record += name;
    const QByteArray ring = eol + "RING" + eol;
    if (random.bounded(3) == 0)
        return record + ring;
    return ring + record + ring;
}

// Noise between records: anything but capitals and "=", which make tags.
QByteArray randomNoise(QRandomGenerator& random)
{
    QByteArray noise;
    const int length = random.bounded(3) == 0 ? random.bounded(160) : 0;
    while (noise.size() < length) {
        const char c = char(random.bounded(256));
        if ((c >= 'A' && c <= 'Z') || c == '=')
            continue;
        noise += c;
    }
    return noise;
}

} // namespace

void CallerIdParserTest::randomChunkings()
{
    QRandomGenerator random(20240310);
    for (int round = 0; round < 3000; ++round) {
        std::vector<Expected> expected;
        QByteArray stream;
        const int recordCount = random.bounded(1, 5);
        for (int i = 0; i < recordCount; ++i) {
            stream += randomNoise(random);
            Expected one;
            stream += randomRecord(random, one);
            expected.push_back(one);
        }
        stream += randomNoise(random);

        CallerIdParser parser([] { return Now; });
        std::vector<CallerIdRecord> got;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype length = random.bounded(1, 40);
            const auto records = parser.feed(stream.mid(at, length));
            got.insert(got.end(), records.begin(), records.end());
            at += length;
        }
        QVERIFY2(got.size() == expected.size(),
                 qPrintable(QStringLiteral("round %1: %2 records for %3 in %4")
                                .arg(round)
                                .arg(got.size())
                                .arg(expected.size())
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
