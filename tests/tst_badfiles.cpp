// Files a technician may load by mistake or that were damaged on the way:
// each import ends with its status code and leaves the sides it did not
// read alone. And whatever texts the table and the unit hold, every XML
// member of an ODS export stays well-formed.
#include "reader/app_kelmoradatareader.h"
#include "files_support.h"
#include "files/odsexport.h"
#include "frame/texttable.h"

#include <QDateTime>
#include <QFile>
#include <QScopeGuard>
#include <QTimeZone>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <ctime>

namespace {

struct Delivery {
    KelmoraFillingData* records;
    quint16* count;
    quint8 code;
};

// What an import must have delivered: codes in order, the side the last
// delivery names ('A', 'B' or 0 for no count) and the side counts after.
struct Expected {
    QList<int> codes;
    char lastSide;
    int countA;  // -1: side A must be left as it was
    int countB;
};

const QString badDir = QStringLiteral(KELMORA_SOURCE_DIR "/tests/data/badfiles/");

QByteArray historyLine(int number)
{
    return "A=Nr." + QByteArray::number(number)
        + " 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM";
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestBadFiles : public QObject
{
    Q_OBJECT

private:
    APP_KelmoraDataReader* reader = nullptr;
    QTemporaryDir dir;
    ExportIdentity unit;   // what the exports name
    DataImport imported;   // what the last import read
    QList<Delivery> deliveries;
    const QVector<KelmoraFillingData> oldA{filesRecord(101), filesRecord(102), filesRecord(103)};
    const QVector<KelmoraFillingData> oldB{filesRecord(201), filesRecord(202)};

    QString writeFile(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            return QString();
        return path;
    }
    // Both sides hold records of an earlier download, side A selected last.
    void fillBothSides()
    {
        filesInstallSide('B', oldB);
        filesInstallSide('A', oldA);
        currentRecords = &sideARecords;
    }
    void import(const QString& path)
    {
        deliveries.clear();
        imported = reader->importDataFile(path);
    }
    void checkUntouched(char side)
    {
        const QVector<KelmoraFillingData>& old = side == 'A' ? oldA : oldB;
        const QVector<KelmoraFillingData> now = filesSideRecords(side);
        QCOMPARE(now.size(), old.size());
        for (int i = 0; i < old.size(); ++i)
            QCOMPARE(now.at(i).number, old.at(i).number);
    }
    void checkImport(const Expected& expected)
    {
        QList<int> codes;
        for (const Delivery& d : deliveries)
            codes.append(d.code);
        QCOMPARE(codes, expected.codes);
        const Delivery& last = deliveries.last();
        quint16* const wantedCount = expected.lastSide ? sideCountVariable(expected.lastSide) : nullptr;
        QCOMPARE(last.count, wantedCount);
        QCOMPARE(last.records, currentRecords ? *currentRecords : nullptr);
        if (expected.countA < 0)
            checkUntouched('A');
        else
            QCOMPARE(int(sideACount), expected.countA);
        if (expected.countB < 0)
            checkUntouched('B');
        else
            QCOMPARE(int(sideBCount), expected.countB);
    }
    static QByteArray validExport() { return readFile(badDir + QStringLiteral("valid-both.csv")); }
    // The valid export with header line `index` (0-based) replaced.
    static QByteArray withLine(int index, const QByteArray& replacement)
    {
        QList<QByteArray> lines = validExport().split('\n');
        lines[index] = replacement.isNull() ? QByteArray() : replacement + '\r';
        if (replacement.isNull())
            lines.removeAt(index);
        return lines.join('\n');
    }

    // The committed files that no import can use.
    static void addFailingFiles()
    {
        // Too short, or neither a history line nor an export title at the start.
        QTest::newRow("empty") << "empty.txt" << Expected{{0}, 0, -1, -1};
        QTest::newRow("31 bytes") << "short31.txt" << Expected{{0}, 0, -1, -1};
        QTest::newRow("binary") << "binary.bin" << Expected{{0}, 0, -1, -1};
        QTest::newRow("UTF-16 export") << "utf16-bom.csv" << Expected{{0}, 0, -1, -1};
        QTest::newRow("header all wrong") << "header-all-wrong.csv" << Expected{{0}, 0, -1, -1};
        // Every data row has a date that is none: no record of this tool.
        QTest::newRow("every row malformed") << "all-malformed.csv" << Expected{{0}, 0, -1, -1};
        // Title and serial number read, the identity line cut off.
        QTest::newRow("truncated header") << "truncated-header.csv" << Expected{{0}, 0, -1, -1};
        // An export whose lines end in CR alone is one line long: no serial line.
        QTest::newRow("CR-only export") << "cr-only.csv" << Expected{{0}, 0, -1, -1};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        reader = new APP_KelmoraDataReader;
        connect(reader, &APP_KelmoraDataReader::dataReady, this,
                [this](KelmoraFillingData* records, quint16* count, quint8 code) {
                    deliveries.append({records, count, code});
                });
        QVERIFY(!validExport().isEmpty());
    }
    void cleanupTestCase()
    {
        delete reader;
        resetSideStorage();
    }
    void init()
    {
        // The shipped texts: the committed exports were written with them.
        QVERIFY(loadTextTableFrom(QStringLiteral(KELMORA_BIN_DIR "/qm7.loc")));
        setCurrentLanguage(0);
        resetSideStorage();
        deliveries.clear();
    }

    void committedFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Expected>("expected");
        addFailingFiles();
        // A raw dump with the unit's own CR line ends reads fully.
        QTest::newRow("CR-only dump") << "cr-only.txt" << Expected{{1}, 'A', 5, -1};
        // The cut-off last row has two fields and is skipped.
        QTest::newRow("truncated row") << "truncated-row.csv" << Expected{{1, 1}, 'B', 3, 1};
        QTest::newRow("valid export") << "valid-both.csv" << Expected{{1, 1}, 'B', 3, 2};
        QTest::newRow("dump with byte order mark") << "bom-dump.txt" << Expected{{1}, 'B', -1, 3};
        QTest::newRow("resaved by a spreadsheet") << "spreadsheet-de.csv" << Expected{{1, 1}, 'B', 3, 2};
        QTest::newRow("row with a word for a number") << "malformed-field.csv" << Expected{{1, 1}, 'B', 2, 2};
        QTest::newRow("quoted texts") << "quoted-pcm.csv" << Expected{{1, 1}, 'B', 3, 2};
        QTest::newRow("clock changes of 2024") << "dst-2024-berlin.txt" << Expected{{1}, 'A', 50, -1};
    }

    // The re-saved spreadsheet and the quoted texts read as the export they
    // came from, field by field (times to the minute).
    void committedVariantsReadAsTheExport()
    {
        import(badDir + QStringLiteral("valid-both.csv"));
        const QVector<KelmoraFillingData> a = filesSideRecords('A');
        const QVector<KelmoraFillingData> b = filesSideRecords('B');
        import(badDir + QStringLiteral("spreadsheet-de.csv"));
        QCOMPARE(deliveries.size(), 2);
        for (const QVector<KelmoraFillingData>* expected : {&a, &b}) {
            QVector<KelmoraFillingData> now = filesSideRecords(expected == &a ? 'A' : 'B');
            QCOMPARE(now.size(), expected->size());
            for (int i = 0; i < now.size(); ++i) {
                KelmoraFillingData wanted = expected->at(i);
                wanted.timestamp -= wanted.timestamp % 60;
                if (qIsNaN(wanted.temperature) && qIsNaN(now.at(i).temperature))
                    wanted.temperature = now[i].temperature = 0.0;
                QVERIFY2(filesRecordDifference(now.at(i), wanted).isEmpty(),
                         qPrintable(filesRecordDifference(now.at(i), wanted)));
            }
        }
        import(badDir + QStringLiteral("quoted-pcm.csv"));
        QCOMPARE(imported.unit.pcmText, QStringLiteral("R7;1024 \"new\""));
        QCOMPARE(imported.unit.softwareVersion, QStringLiteral("V4;6"));
        QCOMPARE(imported.unit.flags, 0);
        QCOMPARE(filesSideRecords('B').size(), 2);
        import(badDir + QStringLiteral("malformed-field.csv"));
        QCOMPARE(sideARecords[0].number, 7);
        QCOMPARE(sideARecords[1].number, 9);
    }

    // The unit's clock ran through both changes of 2024 in Berlin: each
    // record reads as the instant it was made, in the order of its number.
    // Where the local time has no changes the times read as written.
    void committedDumpAcrossClockChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin");
        QTest::newRow("UTC") << QByteArray("UTC");
    }
    void committedDumpAcrossClockChanges()
    {
        QFETCH(QByteArray, zone);
#ifdef Q_OS_WIN
        if (zone != "UTC")
            QSKIP("Windows takes the local time zone from the system, not from TZ");
#endif
        qputenv("TZ", zone);
        tzset();
        const auto restore = qScopeGuard([] {
            qunsetenv("TZ");
            tzset();
        });
        import(badDir + QStringLiteral("dst-2024-berlin.txt"));
        QCOMPARE(sideACount, quint16(50));
        for (int i = 0; i < 50; ++i) {
            const KelmoraFillingData& r = sideARecords[i];
            const QDateTime start = r.number <= 25 ? QDateTime(QDate(2024, 3, 30), QTime(23, 0), Qt::UTC)
                                                   : QDateTime(QDate(2024, 10, 26), QTime(22, 0), Qt::UTC);
            const qint64 made = start.addSecs(((r.number - 1) % 25) * 13 * 60).toSecsSinceEpoch();
            if (zone == "UTC") {
                const QDateTime berlin = QDateTime::fromSecsSinceEpoch(made, QTimeZone("Europe/Berlin"));
                QCOMPARE(qint64(r.timestamp),
                         QDateTime(berlin.date(), berlin.time(), Qt::UTC).toSecsSinceEpoch());
            } else {
                QCOMPARE(qint64(r.timestamp), made);
            }
        }
    }
    void committedFile()
    {
        QFETCH(QString, name);
        QFETCH(Expected, expected);
        fillBothSides();
        import(badDir + name);
        checkImport(expected);
    }

    // Before anything was ever loaded, a failed import names no side at all.
    void committedFailureBeforeAnyFill_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Expected>("expected");
        addFailingFiles();
    }
    void committedFailureBeforeAnyFill()
    {
        QFETCH(QString, name);
        import(badDir + name);
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataNoSideSelected));
        QVERIFY(!deliveries.at(0).records);
        QVERIFY(!deliveries.at(0).count);
        QVERIFY(!sideARecords && !sideBRecords);
    }

    void committedRecordsAreTheReadableOnes()
    {
        import(badDir + QStringLiteral("cr-only.txt"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(sideARecords[i].number, i + 1);
        import(badDir + QStringLiteral("truncated-row.csv"));
        QCOMPARE(sideBRecords[0].number, 12);
        QCOMPARE(sideBRecords[0].fillings, quint16(65535));
    }

    // One header line of a valid export wrong at a time.
    void headerVariant_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Expected>("expected");
        const Expected failed{{0}, 0, -1, -1};
        QTest::newRow("title") << withLine(0, "KELMORA date export") << failed;
        QTest::newRow("serial word") << withLine(1, "Serial no.;5") << failed;
        QTest::newRow("serial no number") << withLine(1, "Serial number;abc") << failed;
        QTest::newRow("serial missing") << withLine(1, "Serial number") << failed;
        QTest::newRow("serial line gone") << withLine(1, QByteArray()) << failed;
        QTest::newRow("identity word")
            << withLine(2, "HW-Version;-1;SW version;-1;PVN;-1;Pulse input;-1") << failed;
        QTest::newRow("identity decimal") << withLine(2, "HW version;1,5,0;SW version;x") << failed;
        QTest::newRow("identity integer")
            << withLine(2, "HW version;1;SW version;x;PVN;2;Pulse input;many") << failed;
        QTest::newRow("identity pvn infinite") << withLine(2, "HW version;1;SW version;x;PVN;1e999") << failed;
        QTest::newRow("side title") << withLine(3, "Dispenser side C") << failed;
        QTest::newRow("status not binary") << withLine(4, "Status;2") << failed;
        QTest::newRow("status missing") << withLine(4, "Status") << failed;
        QTest::newRow("status gone") << withLine(4, QByteArray()) << failed;
        QTest::newRow("column row") << withLine(5, "Number;Date") << failed;
        // Side A read and delivered; the broken side B section fails, naming
        // side A, and side B keeps what it had.
        const Expected sideAOnly{{1, 0}, 'A', 3, -1};
        QTest::newRow("status B not binary") << withLine(10, "Status;102") << sideAOnly;
        QTest::newRow("column row B") << withLine(11, "Nummer;Datum") << sideAOnly;
        QTest::newRow("status B gone") << withLine(10, QByteArray()) << sideAOnly;
    }
    void headerVariant()
    {
        QFETCH(QByteArray, data);
        QFETCH(Expected, expected);
        fillBothSides();
        import(writeFile(QStringLiteral("variant.csv"), data));
        checkImport(expected);
    }

    // Without its title the side B section is read as rows of side A: its
    // column row has the field count of a row. Side B stays as it was.
    void sideBTitleWrongKeepsSideB()
    {
        fillBothSides();
        import(writeFile(QStringLiteral("title-b.csv"), withLine(9, "Dispenser side C")));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(deliveries.at(0).count, &sideACount);
        QVERIFY(sideACount >= 3);
        QCOMPARE(sideARecords[2].number, 9);
        checkUntouched('B');
    }

    // Lines of a megabyte: no history line or row; the lines around them load.
    void megabyteLines()
    {
        const QByteArray megabyte(1024 * 1024, 'x');
        import(writeFile(QStringLiteral("long.txt"), historyLine(1) + "\r\nA=Nr.2 " + megabyte
                                                         + "\r\n" + historyLine(3) + "\r\n"));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[1].number, 3);
        // The same with the unit's own CR line ends.
        import(writeFile(QStringLiteral("long-cr.txt"), historyLine(1) + "\rA=Nr.2 " + megabyte
                                                            + "\r" + historyLine(3) + "\r"));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideARecords[1].number, 3);

        QByteArray csv = validExport();
        csv.insert(csv.indexOf("8;2013"), "8;" + megabyte + "\r\n");
        import(writeFile(QStringLiteral("long.csv"), csv));
        QCOMPARE(deliveries.size(), 2);
        QCOMPARE(sideACount, quint16(3));
        QCOMPARE(sideBCount, quint16(2));

        fillBothSides();
        import(writeFile(QStringLiteral("one-line.txt"), megabyte));
        checkImport(Expected{{0}, 0, -1, -1});
    }

    // 70000 lines: a side keeps the first 65535 records its count can hold.
    // The dump ends its lines in CR alone, as the unit does: it is one LF
    // line of 5 MB and once lost all but its first 64 KB.
    void seventyThousandLines()
    {
        QByteArray raw;
        raw.reserve(70000 * 80);
        for (int i = 1; i <= 70000; ++i)
            raw += historyLine(i) + '\r';
        import(writeFile(QStringLiteral("big.txt"), raw));
        QCOMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries.at(0).code, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(sideACount, quint16(65535));
        QCOMPARE(sideARecords[65534].number, 65535);

        QByteArray csv = validExport();
        csv.truncate(csv.indexOf("Dispenser side A"));
        csv += "Dispenser side B\r\nStatus;0\r\n" + validExport().split('\n').at(5) + '\n';
        for (int i = 1; i <= 70000; ++i)
            csv += QByteArray::number(i) + ";2013-12-31T12:00:00;3;12;98.5;100;21.25;97;0.5;35.2;1.5;2.5;NOLIM;.\n";
        fillBothSides();
        import(writeFile(QStringLiteral("big.csv"), csv));
        checkImport(Expected{{1}, 'B', -1, 65535});
        QCOMPARE(sideBRecords[65534].number, 65535);
    }

    // Texts with every character XML treats specially, in the table and in
    // the unit's values: every XML member of the package must parse.
    void odsXmlStaysWellFormed_data()
    {
        QTest::addColumn<bool>("sideA");
        QTest::addColumn<bool>("sideB");
        QTest::addColumn<bool>("formatNo");
        QTest::newRow("both") << true << true << false;
        QTest::newRow("A, No layout") << true << false << true;
        QTest::newRow("B") << false << true << false;
    }
    void odsXmlStaysWellFormed();
};

void TestBadFiles::odsXmlStaysWellFormed()
{
    QFETCH(bool, sideA);
    QFETCH(bool, sideB);
    QFETCH(bool, formatNo);
    const QString xmllint = filesFindProgram(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        QSKIP("xmllint is not installed: the ODS members were not checked");

    // Every entry of every language carries the five characters.
    QByteArray table;
    for (int n = 0; n < textTableEntries; ++n) {
        table += "k" + QByteArray::number(n);
        for (int l = 0; l < textTableLanguages; ++l)
            table += ";T" + QByteArray::number(n) + " & <b> \"q\" 'a' > ]]> &amp &#38 " + QByteArray::number(l);
        table += "\n";
    }
    QVERIFY(loadTextTableFrom(writeFile(QStringLiteral("qm7.loc"), table)));
    QVERIFY(text(54).contains(QLatin1String("<b>")));

    const QString software = QStringLiteral("V4.6 <beta> & \"x\" 'y' ]]>");
    unit.softwareVersion = software;
    // A PCM text as a confused unit may send it: controls XML cannot hold.
    unit.pcmText = QStringLiteral("PCM & <7> \"'") + QChar(0x01) + QChar(0x1b) + QChar(0xFFFE);
    filesInstallSide('A', {filesRecord(1), filesRecord(2)});
    filesInstallSide('B', {filesRecord(3)});

    for (int language = 0; language < textTableLanguages; ++language) {
        setCurrentLanguage(quint8(language));
        const QString ods = dir.filePath(QStringLiteral("export%1.ods").arg(language));
        QVERIFY(writeOds(ods, filesStoredContent(unit, sideA, sideB, formatNo, formatNo)));
        const QList<FilesZipEntry> entries = filesZipEntries(ods);
        QVERIFY(entries.size() >= 4);
        int xmlMembers = 0;
        bool softwareSeen = false;
        for (const FilesZipEntry& entry : entries) {
            if (!entry.name.endsWith(QLatin1String(".xml")) && !entry.name.endsWith(QLatin1String(".rdf")))
                continue;
            ++xmlMembers;
            const QString member = writeFile(QStringLiteral("member.xml"), entry.data);
            QByteArray output;
            int exitCode = -1;
            QVERIFY(filesRun(xmllint, {QStringLiteral("--noout"), member}, 30000, &output, &exitCode));
            QVERIFY2(exitCode == 0, qPrintable(entry.name + QLatin1String(": ") + QString::fromUtf8(output)));
            // The texts arrive as texts, not as markup.
            QXmlStreamReader xml(entry.data);
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::Characters && xml.text() == software)
                    softwareSeen = true;
            }
            QVERIFY2(!xml.hasError(), qPrintable(entry.name + QLatin1String(": ") + xml.errorString()));
        }
        QVERIFY(xmlMembers >= 4);
        QVERIFY(softwareSeen);
    }
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
