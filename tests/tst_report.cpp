// The visit report: its rate bands, and what its PDF and JSON say about a
// record set whose figures the test knows from how it was built.
#include "files_support.h"
#include "frame/reporttexts.h"
#include "frame/texttable.h"
#include "model/ratebands.h"
#include "report/reportjson.h"
#include "report/reportpdf.h"
#include "report/reportsources.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr int recordsOnA = 237;  // numbers 1..237
constexpr int firstOnB = 1000; // numbers 1000..1099
constexpr int recordsOnB = 100;
constexpr int fromArchiveA = 5;

ReportSide bandedSide(char side, int firstNumber, int count)
{
    ReportSide reportSide;
    reportSide.side = side;
    for (int n = firstNumber; n < firstNumber + count; ++n)
        reportSide.records.append(filesBandedRecord(n));
    reportSide.origin.unit.serialNumber = 4711;
    reportSide.download.side = side;
    reportSide.download.outcome = SideOutcome::Complete;
    reportSide.download.requested = count;
    reportSide.download.received = count;
    return reportSide;
}

VisitReport knownReport(bool bothSides)
{
    VisitReport report;
    report.unit.serialNumber = 4711;
    report.unit.softwareVersion = QStringLiteral("1.35");
    report.unit.pulseInput = 250;
    report.technician = QStringLiteral("Jo Tester");
    report.site = QStringLiteral("Depot 9");
    report.downloadTime = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    VisitAction pulse;
    pulse.kind = VisitAction::PulseInput;
    pulse.succeeded = true;
    pulse.oldPulseInput = 100;
    pulse.newPulseInput = 250;
    report.actions.append(pulse);
    if (bothSides) {
        report.sides.append(bandedSide('A', 1, recordsOnA));
        report.sides.last().download.fromArchive = fromArchiveA;
    }
    report.sides.append(bandedSide('B', firstOnB, recordsOnB));
    return report;
}

// Counted from the numbers alone, the way filesBandedRecord sets the rates.
struct Expected {
    int below = 0;
    int above = 0;
    int newestOutside = 0;
};

Expected expectedFor(int first, int count)
{
    Expected expected;
    for (int n = first; n < first + count; ++n) {
        expected.below += n % 10 == 0;
        expected.above += n % 10 == 5;
        if (n % 5 == 0)
            expected.newestOutside = n; // the numbers run in time order
    }
    return expected;
}

QString recordTime(int number)
{
    return QDateTime(QDate(2013, 12, 31), QTime(12, 0)).addSecs(qint64(number) * 61)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Spaces collapsed, and the "fi" and "fl" ligatures the PDF's font draws
// read as their letters.
QString simplified(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC).replace(QRegularExpression(QStringLiteral("[ \t]+")), QStringLiteral(" "));
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(loadTextTableFrom(QStringLiteral(KELMORA_SOURCE_DIR "/frame/qm7.loc")));
    }

    void rateBandEdges_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("band");
        QTest::newRow("just below") << 84.99 << int(RateBand::Below);
        QTest::newRow("85 in") << 85.0 << int(RateBand::Within);
        QTest::newRow("115 in") << 115.0 << int(RateBand::Within);
        QTest::newRow("just above") << 115.01 << int(RateBand::Above);
    }
    void rateBandEdges()
    {
        QFETCH(double, rate);
        QFETCH(int, band);
        QCOMPARE(int(rateBand(rate)), band);
    }

    void rateBandSets_data()
    {
        QTest::addColumn<QVector<double>>("rates");
        QTest::addColumn<QVector<int>>("levels");
        QTest::addColumn<QVector<int>>("counts"); // all, 0-10, 11+: below, within, above each
        QTest::addColumn<double>("median");
        QTest::newRow("odd, split at 11") << QVector<double>{80, 100, 120} << QVector<int>{10, 11, 11}
                                          << QVector<int>{1, 1, 1, 1, 0, 0, 0, 1, 1} << 100.0;
        QTest::newRow("even") << QVector<double>{130, 80, 100, 90} << QVector<int>{0, 0, 20, 5}
                              << QVector<int>{1, 2, 1, 1, 1, 1, 0, 1, 0} << 95.0;
        QTest::newRow("none") << QVector<double>{} << QVector<int>{} << QVector<int>(9, 0) << 0.0;
    }
    void rateBandSets()
    {
        QFETCH(QVector<double>, rates);
        QFETCH(QVector<int>, levels);
        QFETCH(QVector<int>, counts);
        QFETCH(double, median);
        QVector<KelmoraFillingData> records;
        for (int i = 0; i < rates.size(); ++i) {
            records.append(filesRecord(i));
            records.last().ratePercent = rates.at(i);
            records.last().levelCode = quint16(levels.at(i));
        }
        const RateBands bands = rateBands(records.constData(), records.size());
        const RateBandCounts* groups[] = {&bands.all, &bands.lowerLevels, &bands.upperLevels};
        for (int g = 0; g < 3; ++g) {
            QCOMPARE(groups[g]->below, counts.at(3 * g));
            QCOMPARE(groups[g]->within, counts.at(3 * g + 1));
            QCOMPARE(groups[g]->above, counts.at(3 * g + 2));
        }
        QCOMPARE(bands.medianRate, median);
    }

    void pdfSaysTheFigures_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("bothSides");
        QTest::newRow("English, both sides") << 0 << true;
        QTest::newRow("German, both sides") << 1 << true;
        QTest::newRow("Spanish, side B only") << 5 << false;
    }
    void pdfSaysTheFigures()
    {
        QFETCH(int, language);
        QFETCH(bool, bothSides);
        const QString pdftotext = filesFindProgram(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        setCurrentLanguage(quint8(language));
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QString error;
        QVERIFY2(writeReportPdf(pdf, knownReport(bothSides), &error), qPrintable(error));
        QByteArray output;
        int exitCode = -1;
        QVERIFY(filesRun(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, 30000, &output,
                         &exitCode));
        QCOMPARE(exitCode, 0);
        const QString shown = simplified(QString::fromUtf8(output));
        const auto says = [&](const QString& expected) {
            QVERIFY2(shown.contains(simplified(expected)),
                     qPrintable(QStringLiteral("missing: ") + expected + QStringLiteral("\n") + shown));
        };
        const auto t = [language](int n) { return textIn(n, language); };
        says(t(ReportText::technician) + QStringLiteral(": Jo Tester"));
        says(t(ReportText::site) + QStringLiteral(": Depot 9"));
        says(t(ReportText::actionPulse).arg(100).arg(250));
        says(t(ReportText::page).arg(bothSides ? 2 : 2 - 1).arg(bothSides ? 2 : 1));
        says(QStringLiteral("SNR.C: 4711")); // the chart's info line, painted as text
        // Every page is headed with the title and the unit.
        QCOMPARE(int(shown.count(simplified(t(ReportText::title)) + QStringLiteral(" 4711"))), bothSides ? 2 : 1);
        struct Side { int first; int count; };
        QList<Side> sides{{firstOnB, recordsOnB}};
        if (bothSides)
            sides.prepend({1, recordsOnA});
        for (const Side& side : sides) {
            const Expected expected = expectedFor(side.first, side.count);
            says(t(ReportText::records) + QStringLiteral(": ") + QString::number(side.count));
            says(t(ReportText::numbers) + QStringLiteral(": %1 – %2").arg(side.first).arg(side.first + side.count - 1));
            says(QStringLiteral("%1 %2 %3 %4 %5").arg(t(ReportText::allFillings)).arg(expected.below)
                     .arg(side.count - expected.below - expected.above).arg(expected.above).arg(side.count));
            says(t(ReportText::outside).arg(20).arg(expected.below + expected.above));
            says(QStringLiteral("%1 %2").arg(expected.newestOutside).arg(recordTime(expected.newestOutside)));
        }
        if (bothSides)
            says(t(184).arg(recordsOnA - fromArchiveA).arg(fromArchiveA));
    }

    // An archived download is reported with its unit (from its CSV), its
    // stamp, and the records its download took from the archive before it;
    // without its note, how the download ended is said to be unknown, not
    // taken for a saved file.
    void archivedDownloadKeepsItsAccount_data()
    {
        QTest::addColumn<bool>("noteKept");
        QTest::newRow("with its note") << true;
        QTest::newRow("note lost") << false;
    }
    void archivedDownloadKeepsItsAccount()
    {
        QFETCH(bool, noteKept);
        QTemporaryDir root;
        UnitIdentity unit;
        unit.serialNumber = 4711;
        SideDownload side;
        side.side = 'A';
        side.outcome = SideOutcome::Complete;
        side.requested = side.received = 10;
        side.fromArchive = 4;
        side.archiveUse = ArchiveUse::Incremental;
        for (int n = 1; n <= 10; ++n)
            side.historyLines.append("A=Nr." + QByteArray::number(n)
                                     + " 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM");
        const ArchiveWrite written = archiveDownload(unit, {side}, QDateTime::currentDateTimeUtc(), root.path());
        QVERIFY2(written.ok(), qPrintable(written.error));
        for (const QString& file : written.files) {
            if (!noteKept && file.endsWith(QLatin1String(".json")))
                QVERIFY(QFile::remove(file));
        }
        VisitReport report;
        QString error;
        QVERIFY2(reportFromArchive(listArchive(root.path()), &report, &error), qPrintable(error));
        QCOMPARE(report.source, ReportSource::Archive);
        QCOMPARE(report.sourceName, written.stamp);
        QCOMPARE(report.unit.serialNumber, 4711);
        QCOMPARE(report.sides.size(), 1);
        QCOMPARE(report.sides.first().records.size(), 10);
        QCOMPARE(report.sides.first().download.fromArchive, noteKept ? 4 : 0);
        QCOMPARE(report.sides.first().download.outcome,
                 noteKept ? SideOutcome::Complete : SideOutcome::NotRequested);
        const QJsonObject json = reportJson(report)[QStringLiteral("sides")][QStringLiteral("A")].toObject();
        QCOMPARE(json[QStringLiteral("outcome")].toString(),
                 noteKept ? QStringLiteral("complete") : QStringLiteral("not-recorded"));
    }

    void jsonCarriesTheFigures()
    {
        const QJsonObject json = reportJson(knownReport(true));
        const QJsonObject sideA = json[QStringLiteral("sides")][QStringLiteral("A")].toObject();
        const Expected expected = expectedFor(1, recordsOnA);
        const QJsonObject all = sideA[QStringLiteral("rates")][QStringLiteral("all")].toObject();
        QCOMPARE(all[QStringLiteral("below")].toInt(), expected.below);
        QCOMPARE(all[QStringLiteral("above")].toInt(), expected.above);
        QCOMPARE(all[QStringLiteral("within")].toInt(), recordsOnA - expected.below - expected.above);
        QCOMPARE(sideA[QStringLiteral("outsideCount")].toInt(), expected.below + expected.above);
        const QJsonArray outside = sideA[QStringLiteral("outsideMostRecent")].toArray();
        QCOMPARE(outside.size(), 20);
        QCOMPARE(outside.first()[QStringLiteral("number")].toInt(), expected.newestOutside);
        QCOMPARE(outside.last()[QStringLiteral("number")].toInt(), expected.newestOutside - 19 * 5);
        QCOMPARE(sideA[QStringLiteral("highestNumber")].toInt(), recordsOnA);
        QCOMPARE(sideA[QStringLiteral("fromUnit")].toInt(), recordsOnA - fromArchiveA);
        QCOMPARE(sideA[QStringLiteral("fromArchive")].toInt(), fromArchiveA);
        QCOMPARE(json[QStringLiteral("actions")][0][QStringLiteral("new")].toInt(), 250);
        QCOMPARE(json[QStringLiteral("technician")].toString(), QStringLiteral("Jo Tester"));
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
