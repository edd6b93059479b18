// The ODS export: sheets and cells of content.xml, the chart objects, the
// zip package, write failures, and real readers (xmllint with the
// OpenDocument schemas, LibreOffice) as judges.
#include "files_fullfolder.h"
#include "files_ods.h"
#include "files_support.h"
#include "files/odschart.h"
#include "files/odscontent.h"
#include "files/odsexport.h"
#include "frame/texttable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QXmlStreamReader>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <ctime>

class TestOds : public QObject
{
    Q_OBJECT

private:
    ExportIdentity unit;     // what the exports name
    bool formatNo = false;   // the layout both sides are headed by
    ExportContent content(bool sideA, bool sideB) const
    {
        return filesStoredContent(unit, sideA, sideB, formatNo, formatNo);
    }
    QTemporaryDir dir;
    // The OpenDocument schemas lie in the shared folder beside the checkout.
    const QString schemaDir = findSchemaDir();

    static QString findSchemaDir()
    {
        for (const QString& dir : {QStringLiteral(KELMORA_SOURCE_DIR "/../shared/odf-schema"),
                                   QStringLiteral("/work/shared/odf-schema")}) {
            if (QFileInfo::exists(dir + QStringLiteral("/OpenDocument-schema-v1.1.rng")))
                return dir;
        }
        return QString();
    }

    // Exports and returns the package's entries (empty when it failed).
    QList<FilesZipEntry> exportEntries(bool sideA, bool sideB, QString* path = nullptr)
    {
        const QString file = dir.filePath(QStringLiteral("out%1%2.ods").arg(sideA).arg(sideB));
        if (path)
            *path = file;
        if (!writeOds(file, content(sideA, sideB)))
            return {};
        return filesZipEntries(file);
    }
    static QByteArray entry(const QList<FilesZipEntry>& entries, const QString& name)
    {
        for (const FilesZipEntry& e : entries) {
            if (e.name == name)
                return e.data;
        }
        return QByteArray();
    }
    QList<OdsSheet> exportSheets(bool sideA, bool sideB)
    {
        QList<OdsSheet> sheets;
        QString error;
        const QByteArray content = entry(exportEntries(sideA, sideB), QStringLiteral("content.xml"));
        if (!parseOdsContent(content, sheets, &error))
            qWarning("content.xml: %s", qPrintable(error));
        return sheets;
    }
    static QStringList names(const QList<OdsSheet>& sheets)
    {
        QStringList result;
        for (const OdsSheet& sheet : sheets)
            result << sheet.name;
        return result;
    }
    QString schema(const char* name)
    {
        const QString path = schemaDir + QLatin1Char('/') + QLatin1String(name);
        return QFile::exists(path) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(filesLoadSyntheticTexts());
    }
    void cleanupTestCase() { resetSideStorage(); }
    void init()
    {
        resetSideStorage();
        setCurrentLanguage(0);
        unit = filesUnit();
        unit.statusSideB = 1023;
        unit.pvnValue = 0;
        unit.pulseInput = 0;
        unit.countryCode = -1;  // not set: the export's own default
        unit.flags = 0;
        formatNo = false;
        QVector<KelmoraFillingData> a{filesRecord(1), filesRecord(2), filesRecord(3)};
        a[0].fillings = 12;
        a[1].fillings = 7;
        a[2].fillings = 30;
        filesInstallSide('A', a);
        filesInstallSide('B', {filesRecord(4), filesRecord(5)});
    }

    void sheetOrder()
    {
        QCOMPARE(names(exportSheets(true, true)),
                 QStringList({"KELMORA_SIDE_A", "Chart_Side_A", "KELMORA_SIDE_B", "Chart_Side_B"}));
        QCOMPARE(names(exportSheets(false, true)), QStringList({"KELMORA_SIDE_B", "Chart_Side_B"}));
    }

    void headRowsOfTheDataSheet()
    {
        const OdsSheet sheet = exportSheets(true, false).value(0);
        QVERIFY(sheet.rows.size() >= 8);
        QCOMPARE(sheet.rows.at(0).value(0).text, QStringLiteral("KELMORA export & data"));
        QCOMPARE(sheet.rows.at(0).value(0).style, QStringLiteral("ce2"));
        for (int empty : {1, 3, 5, 7})
            QVERIFY2(sheet.rows.at(empty).isEmpty(), qPrintable(QString::number(empty + 1)));
        const QVector<OdsCell>& identity = sheet.rows.at(2);
        QCOMPARE(identity.size(), 16);
        QCOMPARE(identity.at(0).text, QStringLiteral("Serial number"));
        QCOMPARE(identity.at(1).text, QStringLiteral("4711"));
        QCOMPARE(identity.at(1).valueType, QStringLiteral("string"));
        QCOMPARE(identity.at(3).text, QStringLiteral("2.5"));
        QCOMPARE(identity.at(12).text, QStringLiteral("PCM"));
        QCOMPARE(identity.at(13).text, QStringLiteral("PCM-7"));
        QCOMPARE(identity.at(14).text, QStringLiteral("FLG"));
        const QVector<OdsCell>& side = sheet.rows.at(4);
        QCOMPARE(side.size(), 4);
        QCOMPARE(side.at(1).text, QStringLiteral("A"));
        QCOMPARE(side.at(3).text, QStringLiteral("0-0000-0110"));
        const QVector<OdsCell>& labels = sheet.rows.at(6);
        QCOMPARE(labels.size(), 15);
        QCOMPARE(labels.at(8).text, QStringLiteral("Text 152"));
        QCOMPARE(labels.at(13).text, QStringLiteral("Rate & class (+)"));
        QCOMPARE(labels.at(14).text, QStringLiteral("Rate & class (-)"));
    }

    void statusOfSideBInGroupedBinary()
    {
        const OdsSheet sheet = exportSheets(false, true).value(0);
        QCOMPARE(sheet.rows.value(4).value(3).text, QStringLiteral("1-1111-1111"));
        QCOMPARE(groupedBinary(6), QStringLiteral("0-0000-0110"));
        QCOMPARE(groupedBinary(0), QStringLiteral("0-0000-0000"));
        QCOMPARE(groupedBinary(1023), QStringLiteral("1-1111-1111"));
    }

    void recordRowsStartAtRowNine()
    {
        const OdsSheet sheet = exportSheets(true, false).value(0);
        QCOMPARE(sheet.rows.size(), 11);
        for (int i = 0; i < 3; ++i) {
            const QVector<OdsCell>& row = sheet.rows.at(8 + i);
            QCOMPARE(row.size(), 15);
            QCOMPARE(row.at(0).valueType, QStringLiteral("float"));
            QCOMPARE(row.at(0).value, QString::number(i + 1));
            QCOMPARE(row.at(0).text, row.at(0).value);
        }
        const KelmoraFillingData r = sideARecords[0];
        const QVector<OdsCell>& row = sheet.rows.at(8);
        QCOMPARE(row.at(1).valueType, QStringLiteral("date"));
        QCOMPARE(row.at(1).style, QStringLiteral("ce3"));
        QCOMPARE(row.at(1).dateValue, QDateTime::fromSecsSinceEpoch(r.timestamp).toString(Qt::ISODate));
        QCOMPARE(row.at(3).value, QStringLiteral("12"));
        QCOMPARE(row.at(4).value.toDouble(), r.ratePercent);
        QCOMPARE(row.at(6).value.toDouble(), r.temperature);
        QCOMPARE(row.at(11).value.toDouble(), r.optionalSecond);
    }

    void rateColumnFollowsTheLevelCode_data()
    {
        QTest::addColumn<int>("levelCode");
        QTest::addColumn<int>("filled");
        QTest::newRow("10 in N") << 10 << 13;
        QTest::newRow("11 in O") << 11 << 14;
        QTest::newRow("0 in N") << 0 << 13;
        QTest::newRow("65535 in O") << 65535 << 14;
    }
    void rateColumnFollowsTheLevelCode()
    {
        QFETCH(int, levelCode);
        QFETCH(int, filled);
        KelmoraFillingData r = filesRecord(1);
        r.levelCode = quint16(levelCode);
        r.ratePercent = 97.5;
        filesInstallSide('A', {r});
        const QVector<OdsCell> row = exportSheets(true, false).value(0).rows.value(8);
        QCOMPARE(row.size(), 15);
        const int empty = filled == 13 ? 14 : 13;
        QCOMPARE(row.at(filled).valueType, QStringLiteral("float"));
        QCOMPARE(row.at(filled).value, QStringLiteral("97.5"));
        QVERIFY(row.at(empty).valueType.isEmpty());
        QCOMPARE(row.at(empty).style, QStringLiteral("ce4"));
    }

    void limitCells_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("shown");
        QTest::newRow("NOLIM") << 0 << "string" << "NOLIM";
        QTest::newRow("SWOFF") << -1 << "string" << "SWOFF";
        QTest::newRow("70") << 70 << "float" << "70";
    }
    void limitCells()
    {
        QFETCH(int, limit);
        QFETCH(QString, type);
        QFETCH(QString, shown);
        KelmoraFillingData r = filesRecord(1);
        r.limit = limit;
        filesInstallSide('A', {r});
        const OdsCell cell = exportSheets(true, false).value(0).rows.value(8).value(12);
        QCOMPARE(cell.valueType, type);
        QCOMPARE(cell.value, shown);
        QCOMPARE(cell.text, shown);
    }

    void textsWithMarkupStayWellFormed()
    {
        unit.softwareVersion = QStringLiteral("V1 <beta> & \"x\" 'y'");
        unit.pcmText = QStringLiteral("bell\x07here]]>");
        const OdsSheet sheet = exportSheets(true, false).value(0);
        QCOMPARE(sheet.rows.value(0).value(0).text, QStringLiteral("KELMORA export & data"));
        QCOMPARE(sheet.rows.value(2).value(5).text, QStringLiteral("V1 <beta> & \"x\" 'y'"));
        QCOMPARE(sheet.rows.value(2).value(13).text, QStringLiteral("bell\uFFFDhere]]>"));
    }

    // The generated XML members of a fixed data set, hashed: how the package
    // is compressed and produced may change, the XML may not (byte for byte).
    void xmlMembersMatchTheGolden_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("sideA");
        QTest::addColumn<bool>("sideB");
        QTest::addColumn<QStringList>("hashes"); // "name=sha256" per generated member
        QTest::newRow("English, both sides") << 0 << true << true << QStringList{
            "META-INF/manifest.xml=0f33e28f305cfc07c8edcc34a007a63132e05afd575ee29d368e105be275aeff",
            "content.xml=cf4ace556b6d947054816f51b949a1bf09c00ce239e9a2e5164cb7250e7e9451",
            "Object A/content.xml=625542514336ac8d9a2cdb060bc58d2bbd647f71daad8b57c6807c286da0b2d4",
            "Object B/content.xml=aa4b1d13a54e0a0d300036d68495b9b73c733efe1e353be10bd4056086298170"};
        QTest::newRow("Chinese, side B alone") << 4 << false << true << QStringList{
            "META-INF/manifest.xml=08357a1f1fe0e62daa5f31c6e292988d1ec8faebbe8432b54da5f0e23fb63764",
            "content.xml=6cc4b1683fe90bd35771028765d9b2b60ec3ad841632794b3df5c607ddb38c6a",
            "Object B/content.xml=aa4b1d13a54e0a0d300036d68495b9b73c733efe1e353be10bd4056086298170"};
    }
    void xmlMembersMatchTheGolden()
    {
        QFETCH(int, language);
        QFETCH(bool, sideA);
        QFETCH(bool, sideB);
        QFETCH(QStringList, hashes);
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        setCurrentLanguage(quint8(language));
        unit.pcmText = QStringLiteral("PCM <7> & \"co\"");
        QVector<KelmoraFillingData> a, b;
        for (int i = 0; i < 1500; ++i) {
            KelmoraFillingData r = filesRecord(i * 7 - 20);
            if (i % 97 == 5)
                r.ratePercent = i % 2 ? INFINITY : NAN;
            if (i % 89 == 3)
                r.fuelFlow = 1234567.0 + i;
            if (i % 83 == 1)
                r.limit = -5 - i;
            (i % 3 ? a : b).append(r);
        }
        filesInstallSide('A', a);
        filesInstallSide('B', b);
        QStringList seen;
        for (const FilesZipEntry& e : exportEntries(sideA, sideB)) {
            if (e.name.endsWith(QLatin1String("content.xml")) || e.name.startsWith(QLatin1String("META-INF")))
                seen << e.name + QLatin1Char('=')
                        + QString::fromLatin1(QCryptographicHash::hash(e.data, QCryptographicHash::Sha256).toHex());
        }
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
        QVERIFY2(seen == hashes, qPrintable(QLatin1String("written: ") + seen.join(QLatin1Char(' '))));
    }

    void chartObjectBounds()
    {
        const QString chart = QString::fromUtf8(
            entry(exportEntries(true, false), QStringLiteral("Object A/content.xml")));
        QVERIFY(chart.contains(QLatin1String("chart:maximum='30' chart:minimum='7'")));
        QVERIFY(chart.contains(QLatin1String("chart:maximum='200' chart:minimum='0'")));
        QVERIFY(chart.contains(QLatin1String("chart:interval-major='25'")));
        const QStringList columns{"N", "O", "F", "G", "J", "H"};
        int previous = -1;
        for (const QString& c : columns) {
            const QString series = QStringLiteral(
                "chart:label-cell-address='KELMORA_Side_A.$%1$7' "
                "chart:values-cell-range-address='KELMORA_Side_A.$%1$9:.$%1$11'").arg(c);
            const int at = chart.indexOf(series);
            QVERIFY2(at > previous, qPrintable(c));
            previous = at;
        }
        QCOMPARE(chart.count(QLatin1String("<chart:domain table:cell-range-address='KELMORA_Side_A.$D$9:.$D$11'/>")), 6);
        QVERIFY(chart.contains(QLatin1String("<chart:data-point chart:repeated='326'/>")));
        QCOMPARE(chart.count(QLatin1String("<chart:data-point chart:repeated='316'/>")), 5);
        QVERIFY(chart.contains(QLatin1String(">Filling operations Side A</text:p>")));
        QVERIFY(!chart.startsWith(QLatin1String("<?xml")));
    }

    // The title style centres its paragraph (as the title text is described:
    // centred, Calibri 0.18056in, black); chart styles take the paragraph
    // properties between the graphic and the text properties.
    void chartTitleStyleIsCentred()
    {
        const QByteArray chart = entry(exportEntries(true, false), QStringLiteral("Object A/content.xml"));
        QXmlStreamReader xml(chart);
        QStringList properties;
        QString align;
        bool inTitleStyle = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.qualifiedName() == u"style:style")
                inTitleStyle = xml.attributes().value(QLatin1String("style:name")) == u"CT00";
            else if (xml.isEndElement() && xml.qualifiedName() == u"style:style")
                inTitleStyle = false;
            else if (xml.isStartElement() && inTitleStyle) {
                properties << xml.qualifiedName().toString();
                if (xml.qualifiedName() == u"style:paragraph-properties")
                    align = xml.attributes().value(QLatin1String("fo:text-align")).toString();
                if (xml.qualifiedName() == u"style:text-properties")
                    QCOMPARE(xml.attributes().value(QLatin1String("fo:font-size")).toString(),
                             QStringLiteral("0.18056in"));
            }
        }
        QVERIFY(!xml.hasError());
        QCOMPARE(properties, QStringList({"style:graphic-properties", "style:paragraph-properties",
                                          "style:text-properties"}));
        QCOMPARE(align, QStringLiteral("center"));
    }

    void chartObjectOfASingleRecordAndOfSideB()
    {
        KelmoraFillingData r = filesRecord(1);
        r.fillings = 42;
        filesInstallSide('B', {r});
        const ChartBounds bounds = chartBounds(storedSide('B', false));
        QCOMPARE(bounds.xMaximum, qint64(42));
        QCOMPARE(bounds.xMinimum, qint64(42));
        const QString chart = QString::fromUtf8(
            entry(exportEntries(false, true), QStringLiteral("Object B/content.xml")));
        QVERIFY(chart.contains(QLatin1String("chart:maximum='42' chart:minimum='42'")));
        QVERIFY(chart.contains(QLatin1String("KELMORA_Side_B.$N$9:.$N$9'")));
        QVERIFY(chart.contains(QLatin1String(">Filling operations Side B</text:p>")));
    }

    void packageEntriesInOrder()
    {
        const QStringList fixed{"mimetype", "Object A/styles.xml", "Object B/styles.xml", "meta.xml",
                                "styles.xml", "META-INF/manifest.xml", "content.xml"};
        QStringList seen;
        for (const FilesZipEntry& e : exportEntries(true, false))
            seen << e.name;
        QCOMPARE(seen, fixed + QStringList{"Object A/content.xml"});
        seen.clear();
        for (const FilesZipEntry& e : exportEntries(true, true))
            seen << e.name;
        QCOMPARE(seen, fixed + QStringList({"Object A/content.xml", "Object B/content.xml"}));
    }

    void mimetypeIsStoredFirstAtByte38()
    {
        QString path;
        QVERIFY(!exportEntries(true, true, &path).isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(38 + 46);
        QCOMPARE(head.left(4), QByteArray("PK\x03\x04"));
        auto le16 = [&](int at) { return quint8(head[at]) | quint8(head[at + 1]) << 8; };
        auto le32 = [&](int at) { return quint32(le16(at)) | quint32(le16(at + 2)) << 16; };
        QCOMPARE(le16(6) & 0x8, 0);        // no data descriptor
        QCOMPARE(le16(8), 0);              // stored
        QCOMPARE(le32(18), quint32(46));   // compressed size
        QCOMPARE(le32(22), quint32(46));   // uncompressed size
        QCOMPARE(le16(26), 8);             // name length
        QCOMPARE(le16(28), 0);             // no extra field
        QCOMPARE(head.mid(30, 8), QByteArray("mimetype"));
        QCOMPARE(head.mid(38), QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
    }

    void manifestListsExactlyTheEntries_data()
    {
        QTest::addColumn<bool>("sideA");
        QTest::addColumn<bool>("sideB");
        QTest::newRow("A") << true << false;
        QTest::newRow("B") << false << true;
        QTest::newRow("both") << true << true;
    }
    void manifestListsExactlyTheEntries()
    {
        QFETCH(bool, sideA);
        QFETCH(bool, sideB);
        const QList<FilesZipEntry> entries = exportEntries(sideA, sideB);
        QSet<QString> expected{QStringLiteral("/")};
        for (const FilesZipEntry& e : entries) {
            // Both object style files are always packed; only the exported
            // side's object belongs to the document.
            const bool unusedObject = (e.name.startsWith(QLatin1String("Object A/")) && !sideA)
                || (e.name.startsWith(QLatin1String("Object B/")) && !sideB);
            if (!unusedObject)
                expected << e.name;
        }
        if (sideA)
            expected << QStringLiteral("Object A/");
        if (sideB)
            expected << QStringLiteral("Object B/");
        QSet<QString> listed;
        QXmlStreamReader xml(entry(entries, QStringLiteral("META-INF/manifest.xml")));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.qualifiedName() == u"manifest:file-entry")
                listed << xml.attributes().value(QLatin1String("manifest:full-path")).toString();
        }
        QVERIFY(!xml.hasError());
        QCOMPARE(listed, expected);
    }

    void existingFileIsReplaced()
    {
        const QString path = dir.filePath(QStringLiteral("replace.ods"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1 << 20, 'z'));
        old.close();
        QVERIFY(writeOds(path, content(false, true)));
        QVERIFY(QFileInfo(path).size() < (1 << 20));
        QCOMPARE(filesZipEntries(path).value(0).name, QStringLiteral("mimetype"));
    }

    void failedWritesAreFailures()
    {
        QVERIFY(!writeOds(dir.filePath(QStringLiteral("no/such/dir/x.ods")), content(true, true)));
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("/dev/full is not available");
        QVERIFY(!writeOds(QStringLiteral("/dev/full"), content(true, true)));
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < 20000; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        QVERIFY(!writeOds(QStringLiteral("/dev/full"), content(true, false)));
    }

    // Saving on a full disk: a previous package keeps its bytes, a new name
    // gets no file, and no temporary file is left behind.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("over an existing file") << QStringLiteral("old.ods");
        QTest::newRow("under a new name") << QStringLiteral("new.ods");
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, target);
        QString small;
        QVERIFY(!exportEntries(false, true, &small).isEmpty());
        QFile smallFile(small);
        QVERIFY(smallFile.open(QIODevice::ReadOnly));
        const QByteArray old = smallFile.readAll();
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < 4000; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        FilesFullFolder folder;
        QVERIFY(folder.place(QStringLiteral("old.ods"), old));
        if (!folder.seal(4096))
            QSKIP(qPrintable(folder.why()));
        qInfo("full disk: %s", qPrintable(folder.kind()));
        QString error;
        QVERIFY(!writeOds(folder.filePath(target), content(true, true), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(folder.entries(), QStringList{QStringLiteral("old.ods")});
        QFile kept(folder.filePath(QStringLiteral("old.ods")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll() == old);
    }

    // Any zip tool accepts the package: unzip tests every member's checksum.
    void unzipTestsThePackage()
    {
        const QString unzip = filesFindProgram(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed");
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < 3000; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        QString path;
        QVERIFY(!exportEntries(true, true, &path).isEmpty());
        QByteArray output;
        int exitCode = -1;
        QVERIFY(filesRun(unzip, {QStringLiteral("-t"), path}, 60000, &output, &exitCode));
        QVERIFY2(exitCode == 0, output.constData());
        QVERIFY2(output.contains("No errors detected"), output.constData());
        QCOMPARE(output.count("OK\n"), 9);
    }

    void everyMemberIsWellFormedXml()
    {
        if (filesFindProgram(QStringLiteral("xmllint")).isEmpty())
            QSKIP("xmllint is not installed");
        for (const FilesZipEntry& e : exportEntries(true, true)) {
            if (e.name == QLatin1String("mimetype"))
                continue;
            const QString problems = odsXmllint(e.data, QString());
            QVERIFY2(problems.isEmpty(), qPrintable(e.name + QLatin1String(": ") + problems));
        }
    }

    // Only three constructs that the file format demands may fail the 1.1
    // schema (the empty row element, office:value on word cells, the frame
    // id shared by both chart sheets); with them taken out every member must
    // validate. The 1.2 schema also wants the version declared and an xml:id
    // beside draw:id, nothing else.
    void membersValidateAgainstTheSchemas()
    {
        const QString s11 = schema("OpenDocument-schema-v1.1.rng");
        const QString s12 = schema("OpenDocument-v1.2-os-schema.rng");
        const QString m11 = schema("OpenDocument-manifest-schema-v1.1.rng");
        const QString m12 = schema("OpenDocument-v1.2-os-manifest-schema.rng");
        if (filesFindProgram(QStringLiteral("xmllint")).isEmpty())
            QSKIP("xmllint is not installed");
        if (s11.isEmpty() || s12.isEmpty() || m11.isEmpty() || m12.isEmpty())
            QSKIP("the OpenDocument schemas are not available");
        unit.softwareVersion = QStringLiteral("V1 <beta> & 'x'");
        for (const FilesZipEntry& e : exportEntries(true, true)) {
            QString v11, v12;
            if (e.name == QLatin1String("mimetype")) {
                continue;
            } else if (e.name == QLatin1String("META-INF/manifest.xml")) {
                v11 = odsXmllint(e.data, m11);
                v12 = odsXmllint(odsDeclaredVersion12(e.data), m12);
            } else if (e.name == QLatin1String("content.xml")) {
                QVERIFY(e.data.contains("draw:id='id0'"));
                QVERIFY2(!odsXmllint(e.data, s11).isEmpty(), "the mandated constructs are gone");
                v11 = odsXmllint(odsNeutralizedFor11(e.data), s11);
                v12 = odsXmllint(odsNeutralizedFor12(e.data), s12);
            } else {
                v11 = odsXmllint(e.data, s11);
                v12 = odsXmllint(odsDeclaredVersion12(e.data), s12);
            }
            QVERIFY2(v11.isEmpty(), qPrintable(e.name + QLatin1String(" (1.1): ") + v11));
            QVERIFY2(v12.isEmpty(), qPrintable(e.name + QLatin1String(" (1.2): ") + v12));
        }
    }

    // LibreOffice opens the package and gives back every value: CSV of each
    // data sheet as shown (dates as day.month.year), and a PDF.
    void libreOfficeReadsItBack()
    {
        if (filesFindProgram(QStringLiteral("soffice")).isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        QVector<KelmoraFillingData> a, b;
        for (int i = 0; i < 40; ++i)
            (i % 4 ? a : b).append(filesRecord(i + 1));
        filesInstallSide('A', a);
        filesInstallSide('B', b);
        QString path;
        QVERIFY(!exportEntries(true, true, &path).isEmpty());
        const QString out = dir.filePath(QStringLiteral("lo"));
        const QString profile = dir.filePath(QStringLiteral("profile"));
        QVERIFY(QDir().mkpath(out));
        // All sheets, each to FILE-SHEET.csv; soffice exits 0 even when it
        // failed, so the files themselves are the verdict.
        QVERIFY(filesSofficeConvert(
            path, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"),
            out, profile));
        const QString stem = out + QLatin1Char('/') + QFileInfo(path).completeBaseName();
        compareConverted(stem + QStringLiteral("-KELMORA_SIDE_A.csv"), a);
        compareConverted(stem + QStringLiteral("-KELMORA_SIDE_B.csv"), b);

        QVERIFY(filesSofficeConvert(path, QStringLiteral("pdf"), out, profile));
        QFile pdf(stem + QStringLiteral(".pdf"));
        QVERIFY2(pdf.open(QIODevice::ReadOnly), "no PDF written");
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(pdf.size() > 10000);

        // Side B alone with the plain filter: its data sheet comes first.
        QString pathB;
        QVERIFY(!exportEntries(false, true, &pathB).isEmpty());
        QVERIFY(filesSofficeConvert(pathB, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1"),
                                    out, profile));
        compareConverted(out + QLatin1Char('/') + QFileInfo(pathB).completeBaseName()
                             + QStringLiteral(".csv"), b);
    }

private:
    void compareConverted(const QString& csvPath, const QVector<KelmoraFillingData>& records)
    {
        QFile file(csvPath);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(csvPath + QLatin1String(" missing")));
        const QList<QStringList> rows = filesParseCommaCsv(file.readAll());
        QCOMPARE(rows.size(), 8 + records.size());
        QCOMPARE(rows.at(0).value(0), QStringLiteral("KELMORA export & data"));
        QCOMPARE(rows.at(6).value(13), QStringLiteral("Rate & class (+)"));
        for (int i = 0; i < records.size(); ++i) {
            const KelmoraFillingData& r = records.at(i);
            const QStringList& row = rows.at(8 + i);
            const QString at = QStringLiteral("row %1: ").arg(9 + i) + row.join(QLatin1Char(','));
            QVERIFY2(row.size() >= 15, qPrintable(at));
            QVERIFY2(row.at(0).toInt() == r.number, qPrintable(at));
            QVERIFY2(row.at(1) == QDateTime::fromSecsSinceEpoch(r.timestamp).toString(QStringLiteral("dd.MM.yyyy")),
                     qPrintable(at));
            const double values[] = {double(r.levelCode), double(r.fillings), r.ratePercent, r.linePercent,
                                     r.temperature, double(r.integerPercent), r.auxValue, r.fuelFlow,
                                     r.optionalFirst, r.optionalSecond};
            for (int c = 0; c < 10; ++c)
                QVERIFY2(qFuzzyCompare(1.0 + row.at(2 + c).toDouble(), 1.0 + values[c]), qPrintable(at));
            QVERIFY2(row.at(12) == limitText(r.limit), qPrintable(at));
            const int filled = r.levelCode <= 10 ? 13 : 14;
            QVERIFY2(row.at(filled).toDouble() == r.ratePercent, qPrintable(at));
            QVERIFY2(row.at(27 - filled).isEmpty(), qPrintable(at));
        }
    }
};

QTEST_GUILESS_MAIN(TestOds)
#include "tst_ods.moc"
