// The text table that ships with the tool: every text the program looks up is
// there in all six languages, numbered where the code expects it, and the
// texts that the CSV import recognises files by stay unambiguous.
#include "frame/texttable.h"

#include <QFile>
#include "frame/incrementaltexts.h"
#include "frame/integritytexts.h"
#include "frame/reporttexts.h"
#include "frame/sidenotetexts.h"
#include "frame/statustexts.h"
#include "frame/visittexts.h"

#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

const char* const shippedTable = KELMORA_SOURCE_DIR "/frame/qm7.loc";
constexpr int languages = 6;

// The block of line and download status texts, all in use.
QList<int> statusTextNumbers()
{
    QList<int> numbers;
    for (int n = StatusText::first; n <= StatusText::last; ++n)
        numbers << n;
    return numbers;
}

// The block of texts of a download that builds on the archive, all in use.
QList<int> incrementalTextNumbers()
{
    QList<int> numbers;
    for (int n = IncrementalText::first; n <= IncrementalText::last; ++n)
        numbers << n;
    return numbers;
}

// The block of a download's losses and sources and of the unit-setting
// questions, all in use.
QList<int> integrityTextNumbers()
{
    QList<int> numbers;
    for (int n = IntegrityText::first; n <= IntegrityText::last; ++n)
        numbers << n;
    return numbers;
}

// The block of the Visits dialog, all in use.
QList<int> visitTextNumbers()
{
    QList<int> numbers;
    for (int n = VisitText::first; n <= VisitText::last; ++n)
        numbers << n;
    return numbers;
}

// The visit report's block, all in use.
QList<int> reportTextNumbers()
{
    QList<int> numbers;
    for (int n = ReportText::first; n <= ReportText::last; ++n)
        numbers << n;
    return numbers;
}

// Every entry number the program uses; keep in step with the code.
const QList<int> usedNumbers = QList<int>{
    4, 5, 10, 14, 15, 16, 18, 20, 21, 22, 23, 25, 26, 30, 31, 34, 35, 36, 37,
    46, 48, 49, 50, 51, 53, 54, 60, 69, 71, 72, 75, 80, 82, 83, 84, 85, 89, 98,
    100, 102, 104, 105, 106, 108, 109, 110, 111, 116, 120, 122, 124, 125, 126,
    127, 131, 134, 136, 137, 140, 145, 150, 152, 154, 157, 158, 159, 160, textDataFiles, 162} + statusTextNumbers()
    + incrementalTextNumbers() + integrityTextNumbers()
    + QList<int>{SideNoteText::otherSideUnit, SideNoteText::unknownSerial} + reportTextNumbers()
    + visitTextNumbers();

// Texts the CSV import matches at the start of a line (title, identity lines,
// section titles, status and column header rows).
const QList<int> lineStartTexts = {53, 54, 120, 122, 126, 127, 134};

struct RawEntry {
    QByteArray key;
    QList<QByteArray> texts; // languages 0..5, raw UTF-8 as in the file
};

// Reads the file independently of the loader, so that a loader fault and a
// file fault cannot hide each other.
struct RawTable {
    QList<RawEntry> entries;
    QList<QByteArray> otherLines;
    bool opened = false;

    explicit RawTable(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        opened = true;
        for (QByteArray line : file.readAll().split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            const QList<QByteArray> fields = line.split(';');
            if (fields.size() != 7) {
                otherLines << line;
                continue;
            }
            entries.append({fields.at(0), fields.mid(1)});
        }
    }

    QString text(int n, int lang) const { return QString::fromUtf8(entries.at(n).texts.at(lang)); }
};

// Rough width of a text in units of an average Latin letter: CJK and
// full-width forms count double. Enough to keep button labels from overflowing
// without depending on the fonts of the test machine.
int displayUnits(const QString& text)
{
    int units = 0;
    for (const QChar c : text)
        units += (c.unicode() >= 0x2E80) ? 2 : 1;
    return units;
}

} // namespace

class TestShippedTexts : public QObject
{
    Q_OBJECT

    RawTable raw{QString::fromUtf8(shippedTable)};

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(raw.opened, shippedTable);
        QVERIFY(loadTextTableFrom(QString::fromUtf8(shippedTable)));
        QVERIFY(std::is_sorted(usedNumbers.begin(), usedNumbers.end()));
    }

    void cleanupTestCase()
    {
        clearTextTable();
        setCurrentLanguage(0);
    }

    void entryCountCoversEveryUsedNumberAndStaysInTheTable()
    {
        QVERIFY(raw.entries.size() > usedNumbers.last());
        QVERIFY2(raw.entries.size() <= textTableEntries, "entries beyond 199 would be dropped");
    }

    // A line that is not an entry must be a comment or blank: an entry that
    // lost or gained a field would silently shift every later number.
    void nonEntryLinesAreCommentsOrBlank()
    {
        for (const QByteArray& line : raw.otherLines)
            QVERIFY2(line.trimmed().isEmpty() || line.startsWith('#'), line.constData());
    }

    void keyOfEveryEntryNamesItsNumber()
    {
        const QRegularExpression keyPattern(QStringLiteral("^t(\\d{3})_[a-z0-9]+$"));
        for (int n = 0; n < raw.entries.size(); ++n) {
            const QString key = QString::fromLatin1(raw.entries.at(n).key);
            const QRegularExpressionMatch match = keyPattern.match(key);
            QVERIFY2(match.hasMatch(), qPrintable(key));
            QVERIFY2(match.captured(1).toInt() == n,
                     qPrintable(QStringLiteral("entry %1 carries key %2").arg(n).arg(key)));
        }
    }

    void unusedEntriesAreMarkedSo()
    {
        for (int n = 0; n < raw.entries.size(); ++n) {
            const bool markedUnused = raw.entries.at(n).key.endsWith("_unused");
            QVERIFY2(markedUnused != usedNumbers.contains(n),
                     qPrintable(QStringLiteral("entry %1: key %2").arg(n).arg(
                         QString::fromLatin1(raw.entries.at(n).key))));
        }
    }

    // The per-side count is filled in by number, in whatever order the
    // language puts received and requested.
    void countTextCarriesBothNumbersInEveryLanguage()
    {
        for (int lang = 0; lang < languages; ++lang) {
            const QString countText = raw.text(StatusText::recordsOfRequested, lang);
            QVERIFY2(countText.count(QStringLiteral("%1")) == 1 && countText.count(QStringLiteral("%2")) == 1,
                     qPrintable(countText));
            QVERIFY2(!countText.arg(44).arg(200).contains(QLatin1Char('%')), qPrintable(countText));
        }
    }

    // The numbers of the archive texts are filled in by position: each
    // language carries every placeholder once, whatever the word order.
    void archiveTextsCarryTheirNumbersInEveryLanguage_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("placeholders");
        QTest::newRow("new and archived") << IncrementalText::newAndArchived << 2;
        QTest::newRow("overlap differs") << IncrementalText::overlapDiffers << 1;
        QTest::newRow("numbers went back") << IncrementalText::numbersWentBack << 2;
        QTest::newRow("probe unclear") << IncrementalText::probeUnclear << 0;
        QTest::newRow("option") << IncrementalText::fullDownloadOption << 0;
        QTest::newRow("visit trend") << VisitText::trend << 1;
    }

    void archiveTextsCarryTheirNumbersInEveryLanguage()
    {
        QFETCH(int, entry);
        QFETCH(int, placeholders);
        for (int lang = 0; lang < languages; ++lang) {
            const QString t = raw.text(entry, lang);
            for (int p = 1; p <= 2; ++p)
                QVERIFY2(t.count(QStringLiteral("%%1").arg(p)) == (p <= placeholders ? 1 : 0),
                         qPrintable(QStringLiteral("language %1: %2").arg(lang).arg(t)));
        }
    }

    void usedTextsAreFilledInEveryLanguage()
    {
        for (int n : usedNumbers)
            for (int l = 0; l < languages; ++l) {
                const QString t = raw.text(n, l);
                QVERIFY2(!t.trimmed().isEmpty(), qPrintable(QStringLiteral("text %1 language %2").arg(n).arg(l)));
                QVERIFY2(t == t.trimmed(), qPrintable(QStringLiteral("text %1 language %2 has outer blanks").arg(n).arg(l)));
            }
    }

    // Beyond 127 bytes the loader cuts, possibly inside a character; the
    // round trip through QString catches invalid UTF-8 as well.
    void everyTextIsValidUtf8AndFitsItsSlot()
    {
        for (int n = 0; n < raw.entries.size(); ++n)
            for (int l = 0; l < languages; ++l) {
                const QByteArray bytes = raw.entries.at(n).texts.at(l);
                QVERIFY2(bytes.size() <= 127, bytes.constData());
                QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
            }
    }

    // Texts land in CSV fields, XML content and message boxes (where "<"
    // would switch to rich text); keep them free of characters that need
    // escaping anywhere.
    void textsCarryNoControlOrMarkupCharacters()
    {
        const QString forbidden = QStringLiteral("\"<>&\t\r\n\\");
        for (int n : usedNumbers)
            for (int l = 0; l < languages; ++l)
                for (const QChar c : raw.text(n, l))
                    QVERIFY2(!forbidden.contains(c),
                             qPrintable(QStringLiteral("text %1 language %2").arg(n).arg(l)));
    }

    void loaderReturnsTheTextsOfTheFile()
    {
        for (int n = 0; n < textTableEntries; ++n)
            for (int l = 0; l < languages; ++l) {
                const QString expected = n < raw.entries.size() ? raw.text(n, l) : QString();
                QCOMPARE(textIn(n, l), expected);
            }
        setCurrentLanguage(1);
        QCOMPARE(text(54), raw.text(54, 1));
        setCurrentLanguage(0);
    }

    void exportTitleIsShortAndUnambiguous()
    {
        for (int l = 0; l < languages; ++l) {
            QVERIFY2(raw.entries.at(54).texts.at(l).size() <= 24, raw.entries.at(54).texts.at(l).constData());
            for (int other = 0; other < languages; ++other)
                if (other != l)
                    QVERIFY2(!raw.text(54, other).contains(raw.text(54, l)),
                             qPrintable(QStringLiteral("title of language %1 occurs in language %2").arg(l).arg(other)));
        }
    }

    // The import looks for the first language whose title occurs in the
    // first 32 bytes of a CSV file; build that header as the export writes it
    // and make sure each language is recognised as itself.
    void importRecognisesEachLanguageByItsHeader()
    {
        for (int written = 0; written < languages; ++written) {
            const QByteArray file = raw.entries.at(54).texts.at(written) + "\r\n"
                + raw.entries.at(122).texts.at(written) + ";4294967295\r\n"
                + raw.entries.at(53).texts.at(written) + ";1.5\r\n";
            QVERIFY(file.size() >= 32);
            const QString header = QString::fromUtf8(file.left(32));
            int found = -1;
            for (int l = 0; l < languages && found < 0; ++l)
                if (header.contains(raw.text(54, l)))
                    found = l;
            QCOMPARE(found, written);
        }
    }

    void lineStartTextsAreNoPrefixOfEachOther()
    {
        for (int l = 0; l < languages; ++l)
            for (int a : lineStartTexts) {
                const QString first = raw.text(a, l);
                QVERIFY2(!first.at(0).isDigit() && first.at(0) != QLatin1Char('-'),
                         qPrintable(QStringLiteral("text %1 language %2 looks like a data row").arg(a).arg(l)));
                for (int b : lineStartTexts)
                    if (a != b)
                        QVERIFY2(!raw.text(b, l).startsWith(first),
                                 qPrintable(QStringLiteral("language %1: text %2 starts with text %3").arg(l).arg(b).arg(a)));
            }
    }

    // The import tells "No" files from "Nr" files by the auxiliary heading,
    // and the chart legend names the flow differently for both.
    void recordFormatHeadingsDiffer()
    {
        for (int l = 0; l < languages; ++l) {
            QVERIFY(raw.text(152, l) != raw.text(154, l));
            QVERIFY(raw.text(49, l) != raw.text(51, l));
        }
    }

    void labelsFitTheirWidgets_data()
    {
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<int>("budget");
        QTest::addColumn<QString>("suffix");
        // 150 px buttons at 14pt (connect, download, open file, export, clear)
        QTest::newRow("big buttons") << QList<int>{14, 16, 26, 34, 25, 108, 109, VisitText::button} << 15 << QString();
        // message box and dialog buttons: fixed 100 px at 14pt, longer labels are clipped
        QTest::newRow("box buttons") << QList<int>{5, 75, 83, 157} << 10 << QString();
        // small 10pt buttons: 290, 190 and 130 px
        QTest::newRow("reset mode") << QList<int>{116} << 38 << QString();
        QTest::newRow("pulse input") << QList<int>{124} << 25 << QString();
        QTest::newRow("set clock") << QList<int>{136} << 16 << QString();
        // names column of the unit information, 145 px at 12pt, with ":"
        QTest::newRow("unit names") << QList<int>{18, 53, 100, 102, 122, 131} << 16 << QStringLiteral(":");
    }

    void labelsFitTheirWidgets()
    {
        QFETCH(QList<int>, numbers);
        QFETCH(int, budget);
        QFETCH(QString, suffix);
        for (int n : numbers)
            for (int l = 0; l < languages; ++l) {
                const QString label = raw.text(n, l) + suffix;
                QVERIFY2(displayUnits(label) <= budget,
                         qPrintable(QStringLiteral("text %1 language %2: %3").arg(n).arg(l).arg(label)));
            }
    }

    // The chart heading box is 76 px wide at 12pt; the heading is wrapped at
    // five characters, so every word must fit on its own line.
    void chartHeadingWrapsIntoShortLines()
    {
        for (int l = 0; l < languages; ++l) {
            const QStringList lines = wrapText(raw.text(89, l), 5).split(QStringLiteral("\r\n"));
            QVERIFY(lines.size() <= 2);
            for (const QString& line : lines)
                QVERIFY2(displayUnits(line) <= 8, qPrintable(line));
        }
    }
};

QTEST_APPLESS_MAIN(TestShippedTexts)
#include "tst_shippedtexts.moc"
