// The data file import: raw history dumps and the tool's own CSV export,
// the signals it raises, and files that are short, unknown, unreadable,
// huge or junk.
#include "reader/app_kelmoradatareader.h"
#include "files/csvwriter.h"
#include "files_support.h"
#include "frame/texttable.h"

#include <QBuffer>
#include <QDateTime>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Delivery {
    KelmoraFillingData* records;
    quint16* count;
    quint8 code;
};

const char* const line14 = "A=Nr.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM\r\n";
const char* const line12 = "A=Nr.2 12:05:00 31.12.2013 11 7 101.5 100 21.5 98 0.5 36 1.5\r\n";
const char* const line11 = "A=Nr.3 12:10:00 31.12.2013 10 30 99 100 22 99 0.5 34\r\n";

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private:
    APP_KelmoraDataReader* reader = nullptr;
    QTemporaryDir dir;
    ExportIdentity unit;         // what the exports name
    bool formatNo = false;       // the layout the exports head both sides with
    DataImport imported;         // what the last import read
    bool importedFormatNo() const
    {
        return !imported.sides.empty() && imported.sides.back().recordFormatNo;
    }
    QList<Delivery> deliveries;

    QString writeFile(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            return QString();
        return path;
    }
    void import(const QString& path)
    {
        deliveries.clear();
        imported = reader->importDataFile(path);
    }
    QByteArray exportCsv(bool sideA, bool sideB)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QTextStream stream(&buffer);
        writeCsv(stream, filesStoredContent(unit, sideA, sideB, formatNo, formatNo));
        return buffer.data();
    }
    void setIdentity()
    {
        unit = filesUnit();
        unit.softwareVersion = QStringLiteral("V1.40 Größe");
        unit.statusSideB = 1023;
        formatNo = true;
    }
    void compareSide(char side, const QVector<KelmoraFillingData>& expected)
    {
        const QVector<KelmoraFillingData> actual = filesSideRecords(side);
        QCOMPARE(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(filesRecordDifference(actual.at(i), expected.at(i)).isEmpty(),
                     qPrintable(QStringLiteral("record %1: ").arg(i)
                                + filesRecordDifference(actual.at(i), expected.at(i))));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(filesLoadSyntheticTexts());
        reader = new APP_KelmoraDataReader;
        connect(reader, &APP_KelmoraDataReader::dataReady, this,
                [this](KelmoraFillingData* records, quint16* count, quint8 code) {
                    deliveries.append({records, count, code});
                });
    }
    void cleanupTestCase() { delete reader; resetSideStorage(); }
    void init()
    {
        resetSideStorage();
        setCurrentLanguage(0);
    }

    void rawFirstLineDecidesFlags_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<int>("flags");
        QTest::newRow("12 words") << QByteArray(line12) << 4;
        QTest::newRow("14 words") << QByteArray(line14) << 0;
        QTest::newRow("11 words") << QByteArray(line11) << 0;
    }
    void rawFirstLineDecidesFlags()
    {
        QFETCH(QByteArray, first);
        QFETCH(int, flags);
        unit.flags = 77;
        import(writeFile(QStringLiteral("flags.txt"), first + line14 + line11));
        QCOMPARE(imported.unit.flags, flags);
        QCOMPARE(imported.unit.countryCode, -1);
        QCOMPARE(imported.unit.serialNumber, -1);
        QCOMPARE(imported.unit.softwareVersion, QStringLiteral("-1"));
        QCOMPARE(sideACount, quint16(3));
    }

    void rawExampleLineFillsEveryField()
    {
        import(writeFile(QStringLiteral("one.txt"),
                         "A=Nr.7 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 SWOFF\r\n"));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(deliveries.at(0).records, sideARecords);
        QCOMPARE(deliveries.at(0).count, &sideACount);
        QCOMPARE(sideACount, quint16(1));
        const KelmoraFillingData& r = sideARecords[0];
        QCOMPARE(r.number, 7);
        QCOMPARE(r.separator, '.');
        QCOMPARE(qint64(r.timestamp), QDateTime(QDate(2013, 12, 31), QTime(12, 0)).toSecsSinceEpoch());
        QCOMPARE(r.levelCode, quint16(3));
        QCOMPARE(r.fillings, quint16(12));
        QCOMPARE(r.ratePercent, 98.5);
        QCOMPARE(r.linePercent, 100.0);
        QCOMPARE(r.temperature, 21.25);
        QCOMPARE(r.integerPercent, quint16(97));
        QCOMPARE(r.auxValue, 0.5);
        QCOMPARE(r.fuelFlow, 35.2);
        QCOMPARE(r.optionalFirst, 1.5);
        QCOMPARE(r.optionalSecond, 2.5);
        QCOMPARE(r.limit, -1);
        QCOMPARE(currentRecords, &sideARecords);
    }

    void rawShortLinesZeroTheMissingFields()
    {
        import(writeFile(QStringLiteral("short.txt"), QByteArray(line12) + line11));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[0].optionalFirst, 1.5);
        QCOMPARE(sideARecords[0].optionalSecond, 0.0);
        QCOMPARE(sideARecords[0].limit, 0);
        QCOMPARE(sideARecords[1].optionalFirst, 0.0);
    }

    void rawSideBFillsSideBOnly()
    {
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        KelmoraFillingData* const sideABefore = sideARecords;
        import(writeFile(QStringLiteral("b.txt"),
                         "B=Nr.5 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n"
                         "B=Nr.6 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n"));
        QCOMPARE(sideBCount, quint16(2));
        QCOMPARE(sideBRecords[1].number, 6);
        QCOMPARE(sideARecords, sideABefore);
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).count, &sideBCount);
        QCOMPARE(currentRecords, &sideBRecords);
    }

    void rawNoTagSetsNoFormat()
    {
        formatNo = false;
        import(writeFile(QStringLiteral("no.txt"),
                         "A=No:9 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n"
                         "A=Nr.10 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n"));
        QVERIFY(importedFormatNo());
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[0].separator, ':');
        QCOMPARE(sideARecords[0].number, 9);
    }

    void rawLineEndsOfAnyKind()
    {
        import(writeFile(QStringLiteral("cr.txt"),
                         "A=Nr.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r"
                         "A=Nr.2 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\r\n"
                         "A=Nr.3 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\n"
                         "A=Nr.4 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2"));
        QCOMPARE(sideACount, quint16(4));
        QCOMPARE(sideARecords[3].number, 4);
    }

    void rawOtherLinesAndOtherCountsAreSkipped()
    {
        import(writeFile(QStringLiteral("mixed.txt"),
                         QByteArray(line11)
                             + "A=Nr.8 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5\r\n"
                             + "GET.A.HIS200\r\n\r\nC=Nr.9 x\r\n" + line14));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[0].number, 3);
        QCOMPARE(sideARecords[1].number, 1);
    }

    void csvWithBothSidesDeliversAThenB()
    {
        setIdentity();
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        filesInstallSide('B', {filesRecord(3), filesRecord(4), filesRecord(5)});
        const QString path = writeFile(QStringLiteral("both.csv"), exportCsv(true, true));
        resetSideStorage();
        import(path);
        QCOMPARE(deliveries.size(), 2);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(deliveries.at(0).count, &sideACount);
        QCOMPARE(deliveries.at(1).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(deliveries.at(1).count, &sideBCount);
        QCOMPARE(deliveries.at(1).records, sideBRecords);
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideBCount, quint16(3));
        QCOMPARE(imported.unit.statusSideA, 6);
        QCOMPARE(imported.unit.statusSideB, 1023);
    }

    void csvWithSideBOnlyLeavesSideA()
    {
        setIdentity();
        filesInstallSide('B', {filesRecord(3)});
        const QString path = writeFile(QStringLiteral("b.csv"), exportCsv(false, true));
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        KelmoraFillingData* const sideABefore = sideARecords;
        import(path);
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).count, &sideBCount);
        QCOMPARE(sideARecords, sideABefore);
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideBCount, quint16(1));
    }

    void csvRowWithThirteenFieldsIsSkipped()
    {
        setIdentity();
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        QByteArray data = exportCsv(true, false);
        const int lastRow = data.lastIndexOf("\r\n", data.size() - 3) + 2;
        data.insert(lastRow, "5;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;1.5;2.5;NOLIM\r\n");
        import(writeFile(QStringLiteral("thirteen.csv"), data));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[0].number, 1);
        QCOMPARE(sideARecords[1].number, 2);
    }

    // The export opened and saved again by a spreadsheet in a German
    // locale: decimal commas, dates without seconds. The same records come
    // back, their times to the minute.
    void csvSavedAgainBySpreadsheet()
    {
        setIdentity();
        unit.hardwareVersion = 2.25;
        QVector<KelmoraFillingData> records;
        for (int i = 0; i < 12; ++i)
            records.append(filesRecord(i * 5 + 1));
        filesInstallSide('A', records);
        QString text = QString::fromUtf8(exportCsv(true, false));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        for (QString& line : lines) {
            QStringList fields = line.split(u';');
            if (fields.size() != 14 || fields.at(0).toInt() == 0)
                continue;
            const QDateTime time = QDateTime::fromString(fields.at(1), Qt::ISODate);
            QVERIFY(time.isValid());
            fields[1] = time.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
            for (int f = 4; f < 12; ++f)
                fields[f].replace(u'.', u',');
            line = fields.join(u';');
        }
        lines[2].replace(QStringLiteral("2.25"), QStringLiteral("2,25"));
        import(writeFile(QStringLiteral("resaved.csv"), lines.join(QStringLiteral("\r\n")).toUtf8()));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(imported.unit.hardwareVersion, 2.25);
        for (KelmoraFillingData& r : records)
            r.timestamp -= r.timestamp % 60;  // whole-hour zone: seconds are the local seconds
        compareSide('A', records);
    }

    // A field that still does not convert makes its row malformed: skipped
    // like a row with the wrong field count, without using up a record.
    void csvFieldThatDoesNotConvertSkipsTheRow_data()
    {
        QTest::addColumn<QByteArray>("row");
        const QByteArray good = "5;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;1.5;2.5;NOLIM;.";
        QTest::newRow("number") << QByteArray(good).replace("5;2013", "x5;2013");
        QTest::newRow("date") << QByteArray(good).replace("2013-12-31T12:00:00", "31.12.2013");
        QTest::newRow("integer") << QByteArray(good).replace(";12;", ";zwölf;");
        QTest::newRow("decimal") << QByteArray(good).replace("98.5", "98.5%");
        QTest::newRow("two commas") << QByteArray(good).replace("98.5", "9,8,5");
        QTest::newRow("comma and point") << QByteArray(good).replace("98.5", "1.098,5");
        QTest::newRow("limit") << QByteArray(good).replace("NOLIM", "NOLIMIT");
        QTest::newRow("short row") << QByteArray("5;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;;.");
    }
    void csvFieldThatDoesNotConvertSkipsTheRow()
    {
        QFETCH(QByteArray, row);
        setIdentity();
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        QByteArray data = exportCsv(true, false);
        const int lastRow = data.lastIndexOf("\r\n", data.size() - 3) + 2;
        data.insert(lastRow, row + "\r\n");
        import(writeFile(QStringLiteral("malformed.csv"), data));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[1].number, 2);
    }

    // Not one row converts: the import fails and the side keeps its records.
    void csvWithEveryRowMalformedFails()
    {
        setIdentity();
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        filesInstallSide('B', {filesRecord(3)});
        QByteArray data = exportCsv(true, true);
        QCOMPARE(data.count(";2013-12-31T"), 3);
        data.replace(";2013-12-31T", ";gestern ");
        filesInstallSide('A', {filesRecord(7)});
        currentRecords = &sideARecords;
        import(writeFile(QStringLiteral("allbad.csv"), data));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFailed));
        QCOMPARE(sideACount, quint16(1));
        QCOMPARE(sideARecords[0].number, 7);
    }

    // Notepad and PowerShell put a byte order mark before a UTF-8 dump.
    void rawDumpWithByteOrderMark()
    {
        import(writeFile(QStringLiteral("bom.txt"), QByteArray("\xEF\xBB\xBF") + line12 + line14 + line11));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(deliveries.at(0).count, &sideACount);
        QCOMPARE(sideACount, quint16(3));
        QCOMPARE(sideARecords[0].number, 2);
        QCOMPARE(imported.unit.flags, 4);  // the first line after the mark is the test line
    }

    void csvShortRowsAreRead()
    {
        setIdentity();
        filesInstallSide('A', {filesRecord(1)});
        QByteArray data = exportCsv(true, false);
        data += "8;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;1.5;:\r\n";
        data += "9;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;.\r\n";
        import(writeFile(QStringLiteral("short.csv"), data));
        QCOMPARE(sideACount, quint16(3));
        QCOMPARE(sideARecords[1].optionalFirst, 1.5);
        QCOMPARE(sideARecords[1].separator, ':');
        QCOMPARE(sideARecords[1].limit, 0);
        QCOMPARE(sideARecords[2].optionalFirst, 0.0);
        QCOMPARE(sideARecords[2].separator, '.');
    }

    void csvIdentityFieldsAndDefaults()
    {
        const QByteArray head = "KELMORA export & data\r\nSerial number;815\r\n";
        import(writeFile(QStringLiteral("identity.csv"),
                         head + "Text 53;1.5;x;SW 2;x;6.6;x;250\r\nSide B <right>\r\nText 134;101\r\n"
                                "Text 120;a;b;c;d;e;f;g;Text 152\r\n"));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(imported.unit.serialNumber, 815);
        QCOMPARE(imported.unit.hardwareVersion, 1.5);
        QCOMPARE(imported.unit.softwareVersion, QStringLiteral("SW 2"));
        QCOMPARE(imported.unit.pvnValue, 7);
        QCOMPARE(imported.unit.pulseInput, 250);
        QCOMPARE(imported.unit.countryCode, -1);
        QCOMPARE(imported.unit.pcmText, QStringLiteral("-1"));
        QCOMPARE(imported.unit.flags, 0);
        QCOMPARE(imported.unit.statusSideB, 5);
        QVERIFY(!importedFormatNo());
        QCOMPARE(sideBCount, quint16(0));
        QVERIFY(sideBRecords);
    }

    void csvBadHeaderGivesZero_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray title = "KELMORA export & data\r\n";
        QTest::newRow("serial not a number") << title + "Serial number;abc\r\nText 53;1\r\nSide B <right>\r\n";
        QTest::newRow("lines out of order") << title + "Text 53;1\r\nSerial number;1\r\nSide B <right>\r\n";
        QTest::newRow("flags not a number")
            << title + "Serial number;1\r\nText 53;1;x;s;x;1;x;1;x;1;PCM;p;FLG;four\r\nSide B <right>\r\n";
        QTest::newRow("status not binary")
            << title + "Serial number;1\r\nText 53;1\r\nSide B <right>\r\nText 134;12\r\nText 120\r\n";
        QTest::newRow("no section") << title + "Serial number;1\r\nText 53;1\r\n";
    }
    void csvBadHeaderGivesZero()
    {
        QFETCH(QByteArray, data);
        filesInstallSide('A', {filesRecord(1)});
        currentRecords = &sideARecords;
        import(writeFile(QStringLiteral("bad.csv"), data));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFailed));
        QCOMPARE(deliveries.at(0).records, sideARecords);
        QCOMPARE(deliveries.at(0).count, static_cast<quint16*>(nullptr));
        QCOMPARE(sideACount, quint16(1));
    }

    void shortFileGivesZero()
    {
        filesInstallSide('A', {filesRecord(1)});
        currentRecords = &sideARecords;
        import(writeFile(QStringLiteral("short31.txt"), QByteArray(31, 'x').replace(0, 4, "A=Nr")));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFailed));
        QCOMPARE(deliveries.at(0).count, static_cast<quint16*>(nullptr));
        QCOMPARE(sideACount, quint16(1));
    }

    void unknownFileGivesZero()
    {
        filesInstallSide('B', {filesRecord(1)});
        currentRecords = &sideBRecords;
        import(writeFile(QStringLiteral("unknown.txt"), QByteArray(100, 'q')));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFailed));
        QCOMPARE(deliveries.at(0).records, sideBRecords);
    }

    void unreadableFileGivesFive()
    {
        filesInstallSide('A', {filesRecord(1)});
        currentRecords = &sideARecords;
        // A directory exists but cannot be read as a file, even by root.
        import(dir.path());
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFileUnreadable));
        QCOMPARE(deliveries.at(0).count, static_cast<quint16*>(nullptr));
#ifdef Q_OS_UNIX
        // A named pipe without a writer must not make the import wait.
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe.txt")));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        import(QFile::decodeName(fifo));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFileUnreadable));
        if (geteuid() != 0) {
            const QString path = writeFile(QStringLiteral("locked.txt"), line14);
            QFile::setPermissions(path, QFileDevice::Permissions());
            import(path);
            QCOMPARE(deliveries.size(), 1);
            QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataFileUnreadable));
        }
#endif
    }

    void beforeAnyFillGivesThree()
    {
        import(writeFile(QStringLiteral("unknown2.txt"), QByteArray(100, 'q')));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataNoSideSelected));
        QCOMPARE(deliveries.at(0).records, static_cast<KelmoraFillingData*>(nullptr));
        QCOMPARE(deliveries.at(0).count, static_cast<quint16*>(nullptr));
    }

    void missingFileRaisesNothing()
    {
        import(dir.filePath(QStringLiteral("does-not-exist.txt")));
        QCOMPARE(deliveries.size(), 0);
    }

    void binaryJunkLoadsWithinTheCount()
    {
        QByteArray junk("A=Nr.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n");
        QRandomGenerator random(20240607);
        for (int i = 0; i < 4 * 1024 * 1024; ++i)
            junk.append(char(random.bounded(256)));
        // Junk that looks like history lines, with NULs inside (the first
        // of them ends the last random line).
        for (int i = 0; i < 1000; ++i)
            junk.append(QByteArray("A=N\0 1 2 3 4 5 6 7 8 9 10\n", 26));
        import(writeFile(QStringLiteral("junk.txt"), junk));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QVERIFY2(sideACount >= 1000, qPrintable(QString::number(sideACount)));
        QCOMPARE(sideARecords[0].number, 1);
    }

    void rawFileBeyondCapacityKeepsTheFirstRecords()
    {
        QByteArray data;
        for (int i = 1; i <= 70000; ++i)
            data += "A=Nr." + QByteArray::number(i) + " 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2\r\n";
        import(writeFile(QStringLiteral("big.txt"), data));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(sideACount, quint16(65535));
        QCOMPARE(sideARecords[0].number, 1);
        QCOMPARE(sideARecords[65534].number, 65535);
    }

    void csvBeyondCapacityStillFindsSideB()
    {
        setIdentity();
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < 65535; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        filesInstallSide('B', {filesRecord(1), filesRecord(2)});
        QByteArray data = exportCsv(true, true);
        // 4465 more rows at the end of side A, before the side B title.
        QByteArray extra;
        for (int i = 0; i < 70000 - 65535; ++i)
            extra += "99;2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;1.5;2.5;NOLIM;.\r\n";
        data.insert(data.indexOf("Side B <right>"), extra);
        resetSideStorage();
        import(writeFile(QStringLiteral("big.csv"), data));
        QCOMPARE(deliveries.size(), 2);
        QCOMPARE(sideACount, quint16(65535));
        QCOMPARE(sideARecords[65534].number, 65534);
        QCOMPARE(sideBCount, quint16(2));
    }

    void sharedTitleStillFindsTheLanguage()
    {
        QVERIFY(filesLoadSyntheticTexts(true));
        setIdentity();
        setCurrentLanguage(4);
        filesInstallSide('A', {filesRecord(1)});
        const QString path = writeFile(QStringLiteral("shared.csv"), exportCsv(true, false));
        resetSideStorage();
        import(path);
        QVERIFY(filesLoadSyntheticTexts(false));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(sideACount, quint16(1));
    }

    // The shipped table, and the synthetic one whose titles carry "&", "<"
    // and umlauts.
    void roundTripInEveryLanguage_data()
    {
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("pcm");
        QTest::addColumn<QString>("software");
        const QString quoted = QStringLiteral("R7;1024 \"new\"");
        for (int language = 0; language < textTableLanguages; ++language) {
            QTest::addRow("shipped %d", language) << true << language << "PCM-7" << "V1.40 Größe";
            QTest::addRow("synthetic %d", language) << false << language << "PCM-7" << "V1.40 Größe";
            // Texts with the separator, quotes and line breaks in them.
            QTest::addRow("shipped %d, quoted", language) << true << language << quoted << "V4;6\r\n\"beta\"";
            QTest::addRow("synthetic %d, quoted", language) << false << language << quoted << "\"V4\nx;";
        }
    }
    void roundTripInEveryLanguage()
    {
        QFETCH(bool, shipped);
        QFETCH(int, language);
        QFETCH(QString, pcm);
        QFETCH(QString, software);
        if (shipped)
            QVERIFY(loadTextTableFrom(QStringLiteral(KELMORA_SOURCE_DIR "/frame/qm7.loc")));
        const auto restore = qScopeGuard([] { filesLoadSyntheticTexts(); });
        QVERIFY(!textIn(54, language).isEmpty());
        setIdentity();
        unit.pcmText = pcm;
        unit.softwareVersion = software;
        setCurrentLanguage(quint8(language));
        QVector<KelmoraFillingData> a, b;
        for (int i = 0; i < 52; ++i)
            (i % 3 ? a : b).append(filesRecord(i * 7 + language));
        filesInstallSide('A', a);
        filesInstallSide('B', b);
        const QString path = writeFile(QStringLiteral("round%1.csv").arg(language), exportCsv(true, true));
        resetSideStorage();
        unit.serialNumber = 0;
        unit.softwareVersion.clear();
        unit.statusSideA = unit.statusSideB = 0;
        formatNo = false;
        setCurrentLanguage(0); // the import finds the language by itself
        import(path);
        QCOMPARE(deliveries.size(), 2);
        compareSide('A', a);
        compareSide('B', b);
        QCOMPARE(imported.unit.serialNumber, 4711);
        QCOMPARE(imported.unit.hardwareVersion, 2.5);
        QCOMPARE(imported.unit.softwareVersion, software);
        QCOMPARE(imported.unit.pvnValue, 12);
        QCOMPARE(imported.unit.pulseInput, 100);
        QCOMPARE(imported.unit.countryCode, 49);
        QCOMPARE(imported.unit.pcmText, pcm);
        QCOMPARE(imported.unit.flags, 4);
        QCOMPARE(imported.unit.statusSideA, 6);
        QCOMPARE(imported.unit.statusSideB, 1023);
        QVERIFY(importedFormatNo());
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
