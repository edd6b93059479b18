// The download archive without a unit: what one download leaves, how it
// reads back, how the archive is listed, and the folders the tool picks.
#include "reader/app_kelmoradatareader.h"
#include "files/archivefiles.h"
#include "files/archivelookup.h"
#include "files/archivevisits.h"
#include "files/downloadarchive.h"
#include "files_support.h"
#include "files_testmain.h"
#include "files_visits.h"
#include "frame/texttable.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <ctime>
#include <thread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray line14 = "A=Nr.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM";
const QByteArray line12 = "A=No:2 12:05:00 31.12.2013 11 7 101.5 100 21.5 98 0.5 36 1.5";
const QByteArray line11 = "A=Nr.3 12:10:00 31.12.2013 10 30 99 100 22 99 0.5 34";
const QDateTime ended(QDate(2025, 6, 14), QTime(9, 30, 5), Qt::UTC);

SideDownload side(char letter, SideOutcome outcome, int requested, const QList<QByteArray>& lines)
{
    SideDownload download;
    download.side = letter;
    download.outcome = outcome;
    download.requested = requested;
    download.historyLines = lines;
    download.received = int(lines.size());
    return download;
}

UnitIdentity unit(qint32 serialNumber)
{
    UnitIdentity identity;
    identity.serialNumber = serialNumber;
    identity.hardwareVersion = 1.5;
    identity.softwareVersion = QStringLiteral("2.05");
    identity.pvnValue = 7;
    identity.pulseInput = 100;
    identity.countryCode = 49;
    identity.pcmText = QStringLiteral("PCM 4");
    identity.statusSideA = 5;
    identity.statusSideB = 6;
    return identity;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void setZone(const QByteArray& zone)
{
    zone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", zone);
    ::tzset();
}

} // namespace

class TestDownloadArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    APP_KelmoraDataReader* reader = nullptr;
    DataImport imported;  // what the last import read
    int sequence = 0;

    QString freshRoot() { return dir.filePath(QStringLiteral("archive%1").arg(++sequence)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Settings of this run only.
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        QVERIFY(filesLoadSyntheticTexts());
        reader = new APP_KelmoraDataReader;
    }
    void cleanupTestCase()
    {
        delete reader;
        resetSideStorage();
    }

    // What arrived of a cut side is kept byte for byte and reads back as the
    // same records; a side without an answer leaves only its note.
    void interruptedSideIsArchivedWithWhatArrived()
    {
        const QString root = freshRoot();
        SideDownload cut = side('A', SideOutcome::Interrupted, 10, {line14, line12, line11});
        cut.cause = InterruptCause::CutInsideLine;
        cut.gaps = {NumberGap{13, 13}};
        const ArchiveWrite written = archiveDownload(
            unit(4711), {cut, side('B', SideOutcome::NoAnswer, 10, {})}, ended, root);
        QVERIFY2(written.ok(), qPrintable(written.error));
        // The note says what the side lost, as the command line's JSON does.
        const QJsonObject noteA = QJsonDocument::fromJson(readAll(written.files.at(2)))
                                      .object().value(QStringLiteral("sides")).toArray().at(0).toObject();
        QCOMPARE(noteA.value(QStringLiteral("findings")).toObject().value(QStringLiteral("cause")).toString(),
                 QStringLiteral("cut-inside-line"));
        QCOMPARE(noteA.value(QStringLiteral("findings")).toObject().value(QStringLiteral("missingNumbers")).toArray(),
                 QJsonArray({QJsonArray{13, 13}}));
        QCOMPARE(noteA.value(QStringLiteral("method")).toString(), QStringLiteral("full"));
        QCOMPARE(written.stamp, QStringLiteral("20250614-093005Z"));
        QCOMPARE(QDir(root + QStringLiteral("/4711")).entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("20250614-093005Z-A.txt"), QStringLiteral("20250614-093005Z.csv"),
                              QStringLiteral("20250614-093005Z.json")}));
        QCOMPARE(readAll(written.files.at(0)), line14 + "\r\n" + line12 + "\r\n" + line11 + "\r\n");

        const QList<ArchiveEntry> entries = listArchive(root);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(outcomeName(entries.at(0)), QStringLiteral("interrupted"));
        QCOMPARE(entries.at(0).records, 3);
        QCOMPARE(entries.at(0).requested, 10);
        QCOMPARE(entries.at(0).path, written.files.at(0));
        QCOMPARE(entries.at(0).isoTime(), QStringLiteral("2025-06-14T09:30:05Z"));
        QCOMPARE(outcomeName(entries.at(1)), QStringLiteral("no-answer"));
        QVERIFY(entries.at(1).path.isEmpty());

        const std::optional<ArchivedSide> newest = newestArchivedSide(root, 4711, 'A');
        QVERIFY(newest.has_value());
        QCOMPARE(newest->historyLines, QList<QByteArray>({line14, line12, line11}));
        QVERIFY(newest->recordFormatNo == false);  // the first tag is "Nr"
        QVERIFY(!newestArchivedSide(root, 4711, 'B').has_value());
        QVERIFY(!newestArchivedSide(root, 4712, 'A').has_value());

        // The raw dump and the CSV import to the same records; the CSV
        // carries the unit.
        imported = reader->importDataFile(written.files.at(0));
        const QVector<KelmoraFillingData> fromDump = filesSideRecords('A');
        QCOMPARE(fromDump.size(), newest->records.size());
        resetSideStorage();
        imported = reader->importDataFile(written.files.at(1));
        QCOMPARE(imported.unit.serialNumber, 4711);
        QCOMPARE(imported.unit.pcmText, QStringLiteral("PCM 4"));
        QCOMPARE(imported.unit.statusSideA, 5);
        const QVector<KelmoraFillingData> fromCsv = filesSideRecords('A');
        QCOMPARE(fromCsv.size(), 3);
        QVERIFY(!sideBRecords);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(filesRecordDifference(fromCsv.at(i), newest->records.at(i)).isEmpty());
            QVERIFY(filesRecordDifference(fromDump.at(i), newest->records.at(i)).isEmpty());
        }
    }

    // Writers of one unit in one second, one after another or at once (two
    // programs): each download keeps its own files under its own name.
    void downloadsInTheSameSecondAllSurvive_data()
    {
        QTest::addColumn<int>("writers");
        QTest::newRow("one after another") << 1;
        QTest::newRow("four at once") << 4;
    }
    void downloadsInTheSameSecondAllSurvive()
    {
        QFETCH(int, writers);
        const QString root = freshRoot();
        constexpr int rounds = 6;
        QVector<ArchiveWrite> written(writers * rounds);
        std::atomic<int> ready{0};
        auto write = [&](int writer) {
            for (ready++; ready < writers;) {}
            for (int round = 0; round < rounds; ++round) {
                const QList<QByteArray> lines(writer * rounds + round + 1, line14);
                written[writer * rounds + round] =
                    archiveDownload(unit(9), {side('A', SideOutcome::Complete, 99, lines)}, ended, root);
            }
        };
        std::vector<std::thread> threads;
        for (int writer = 0; writer < writers; ++writer)
            threads.emplace_back(write, writer);
        for (std::thread& thread : threads)
            thread.join();
        QSet<QString> stamps;
        for (int i = 0; i < written.size(); ++i) {
            QVERIFY2(written[i].ok(), qPrintable(written[i].error));
            stamps.insert(written[i].stamp);
            QCOMPARE(readAll(written[i].files.at(0)).count('\n'), i + 1);  // its own lines
        }
        QCOMPARE(stamps.size(), int(written.size()));
        QVERIFY(stamps.contains(QStringLiteral("20250614-093005Z-%1").arg(written.size())));
        QCOMPARE(listArchive(root, QStringLiteral("9")).size(), int(written.size()));
        if (writers == 1)  // the later download of the second is the newer
            QCOMPARE(newestArchivedSide(root, 9, 'A')->records.size(), rounds);
    }

    // The newest download does not depend on the zone the PC was in when
    // it archived or is in now, nor on a clock falling back in between; a
    // local-time name of an earlier version is still read, in its place.
    void newestInAnyZone_data()
    {
        QTest::addColumn<QByteArray>("writeZone");
        QTest::addColumn<QByteArray>("readZone");
        QTest::addColumn<QDateTime>("first");
        QTest::addColumn<QDateTime>("second");
        const QDateTime summer(QDate(2025, 6, 14), QTime(9, 30, 5), Qt::UTC);
        // 02:30 summer time, then 02:10 winter time, in Berlin.
        const QDateTime beforeFallBack(QDate(2025, 10, 26), QTime(0, 30), Qt::UTC);
        QTest::newRow("UTC, read in Berlin") << "UTC"_ba << "Europe/Berlin"_ba << summer << summer.addSecs(60);
        QTest::newRow("Berlin, clock falls back") << "Europe/Berlin"_ba << "Europe/Berlin"_ba << beforeFallBack
                                                  << beforeFallBack.addSecs(40 * 60);
        QTest::newRow("New York, read in Kolkata") << "America/New_York"_ba << "Asia/Kolkata"_ba << beforeFallBack
                                                   << beforeFallBack.addSecs(1);
    }
    void newestInAnyZone()
    {
#ifndef Q_OS_UNIX
        QSKIP("the local time zone is set through TZ on Unix only");
#endif
        QFETCH(QByteArray, writeZone);
        QFETCH(QByteArray, readZone);
        QFETCH(QDateTime, first);
        QFETCH(QDateTime, second);
        const QByteArray savedZone = qgetenv("TZ");
        const QString root = freshRoot();
        setZone(writeZone);
        for (const QDateTime& at : {first, second})
            QVERIFY(archiveDownload(unit(41), {side('A', SideOutcome::Complete, 9, QList<QByteArray>({line14, line11, line12}).mid(at == second ? 1 : 0))},
                                    at.toLocalTime(), root).ok());
        QVERIFY(writeAll(root + QStringLiteral("/41/20250101-120000-A.txt"), line12 + "\n"));
        setZone(readZone);
        const QList<ArchiveEntry> entries = listArchive(root);
        setZone(savedZone);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(0).time, second);
        QCOMPARE(entries.at(0).records, 2);  // the second
        QCOMPARE(entries.at(2).stamp, QStringLiteral("20250101-120000"));
    }

    void unknownSerialNumberGoesUnderUnknown()
    {
        const QString root = freshRoot();
        const ArchiveWrite written =
            archiveDownload(unit(0), {side('B', SideOutcome::Complete, 1, {"B" + line14.mid(1)})}, ended, root);
        QVERIFY(written.ok());
        QCOMPARE(QFileInfo(written.folder).fileName(), QStringLiteral("unknown"));
        QCOMPARE(listArchive(root).at(0).unit, QStringLiteral("unknown"));
        QCOMPARE(listArchive(root).at(0).side, 'B');
    }

    void nothingRequestedWritesNothing()
    {
        const QString root = freshRoot();
        const ArchiveWrite written = archiveDownload(unit(5), {}, ended, root);
        QVERIFY(written.ok());
        QVERIFY(written.files.isEmpty());
        QVERIFY(!QFileInfo::exists(root));
    }

    void unwritableFolderIsAnError()
    {
        const QString blocker = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeAll(blocker, "x"));
        const ArchiveWrite written =
            archiveDownload(unit(5), {side('A', SideOutcome::Complete, 1, {line14})}, ended, blocker + "/a");
        QVERIFY(!written.ok());
        QVERIFY(written.error.contains(blocker));
        QVERIFY(written.files.isEmpty());
    }

#ifdef Q_OS_UNIX
    void filesGetTheUsersNormalPermissions()
    {
        const mode_t previous = ::umask(022);
        const ArchiveWrite written =
            archiveDownload(unit(5), {side('A', SideOutcome::Complete, 1, {line14})}, ended, freshRoot());
        ::umask(previous);
        QVERIFY(written.ok());
        for (const QString& path : written.files) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0644));
        }
    }

    // What no download leaves: links to devices or out of the unit's
    // folder, pipes, files too large, notes naming files elsewhere. Each is
    // left out quickly and said; the real download stays the newest.
    void unsafeFilesAreLeftOut_data()
    {
        QTest::addColumn<QString>("name");    // placed in the unit's folder
        QTest::addColumn<QString>("target");  // a link's target; "fifo", "large", or a note's dump
        QTest::addColumn<QString>("said");
        const QString later = QStringLiteral("20300101-000000Z");
        QTest::newRow("link to /dev/zero") << later + "-A.txt" << "/dev/zero" << "out of the unit's folder";
        QTest::newRow("link out to a dump") << later + "-A.txt" << "../outside.txt" << "out of the unit's folder";
        QTest::newRow("pipe") << later + "-A.txt" << "fifo" << "not a regular file";
        QTest::newRow("too large") << later + "-A.txt" << "large" << "refused";
        QTest::newRow("note naming ../") << later + ".json" << "../outside.txt" << "leads out";
        QTest::newRow("note naming an absolute path") << later + ".json" << "/dev/zero" << "leads out";
        QTest::newRow("note naming a link to /dev/zero") << later + ".json" << "zero" << "out of the unit's folder";
    }
    void unsafeFilesAreLeftOut()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(QString, said);
        const QString root = freshRoot();
        QVERIFY(archiveDownload(unit(31), {side('A', SideOutcome::Complete, 1, {line14})}, ended, root).ok());
        const QDir folder(root + QStringLiteral("/31"));
        const QByteArray dumpBytes = line11 + "\n" + line12 + "\n";
        QVERIFY(writeAll(root + QStringLiteral("/outside.txt"), dumpBytes));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), folder.filePath(QStringLiteral("zero"))));
        const QString placed = folder.filePath(name);
        if (target == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(placed).constData(), 0600), 0);
        else if (target == QLatin1String("large"))
            QVERIFY(writeAll(placed, dumpBytes.repeated(int(maxArchivedDumpBytes / dumpBytes.size()) + 1)));
        else if (name.endsWith(QLatin1String(".json")))
            QVERIFY(writeAll(placed, "{\"sides\":[{\"side\":\"A\",\"file\":\"" + target.toUtf8() + "\"}]}"));
        else
            QVERIFY(QFile::link(target, placed));
        const QDeadlineTimer quickly(3000);
        QStringList problems;
        const std::optional<ArchivedSide> newest = newestArchivedSide(root, 31, 'A', &problems);
        QVERIFY(!quickly.hasExpired());
        QVERIFY(newest.has_value());
        QCOMPARE(newest->historyLines, QList<QByteArray>({line14}));
        QVERIFY2(problems.filter(said).size() == 1, qPrintable(problems.join('\n')));
        // Off the calling thread, the same lookup comes back by a queued signal.
        ArchiveLookupThread lookup(root, 31);
        std::optional<ArchiveLookup> found;
        connect(&lookup, &ArchiveLookupThread::found, this, [&found](const ArchiveLookup& result) { found = result; });
        lookup.start();
        QTRY_VERIFY_WITH_TIMEOUT(found.has_value(), 5000);
        QCOMPARE(found->sideA.lines, QList<QByteArray>({line14}));
        QVERIFY(lookup.wait(5000));
    }
#endif

    // Folders edited by hand: stray files are passed over, a dump without
    // its note (or with a broken one) is still listed, its records counted.
    void handEditedFolderIsListed()
    {
        const QString root = freshRoot();
        const QString folder = root + QStringLiteral("/77");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/empty")));
        QVERIFY(writeAll(root + QStringLiteral("/readme.txt"), "notes"));
        QVERIFY(writeAll(folder + QStringLiteral("/notes.txt"), "A=Nr.1"));
        QVERIFY(writeAll(folder + QStringLiteral("/2024-A.txt"), line14));
        QVERIFY(writeAll(folder + QStringLiteral("/20240101-080000-A.txt"), line14 + "\r\njunk\r\n" + line11 + "\n"));
        QVERIFY(writeAll(folder + QStringLiteral("/20240102-080000-B.txt"), "B" + line12.mid(1) + "\r\n"));
        QVERIFY(writeAll(folder + QStringLiteral("/20240102-080000.json"), "{ broken"));
        QVERIFY(writeAll(folder + QStringLiteral("/20240103-080000.json"), "[]"));
        const QList<ArchiveEntry> entries = listArchive(root);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).stamp, QStringLiteral("20240102-080000"));
        QCOMPARE(outcomeName(entries.at(0)), QStringLiteral("unknown"));
        QCOMPARE(entries.at(0).records, 1);
        QCOMPARE(entries.at(1).records, 2);
        const std::optional<ArchivedSide> sideA = newestArchivedSide(root, 77, 'A');
        QVERIFY(sideA.has_value());
        QCOMPARE(sideA->historyLines, QList<QByteArray>({line14, line11}));
        QVERIFY(listArchive(dir.filePath(QStringLiteral("no-such-archive"))).isEmpty());
    }

    // The archive as the units' visits: units by serial number with their
    // last visit and number of downloads, and a unit's downloads newest
    // first with per side the records, the outcome and the share within
    // 85-115 % of the fillings put in; a note cut short is said, and its
    // download still listed.
    void visitsOfPreparedArchive_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("downloads");
        QTest::addColumn<QString>("lastVisit");
        QTest::newRow("three visits") << "4711" << 3 << "2025-06-14T08:00:00Z";
        QTest::newRow("one visit") << "815" << 1 << "2025-06-13T09:00:00Z";
        QTest::newRow("newest note cut") << "99" << 2 << "2025-06-15T07:00:00Z";
    }
    void visitsOfPreparedArchive()
    {
        QFETCH(QString, unit);
        QFETCH(int, downloads);
        QFETCH(QString, lastVisit);
        const QString root = freshRoot();
        QString error;
        QVERIFY2(filesWriteVisitArchive(root, &error), qPrintable(error));
        QStringList problems;
        const QList<ArchivedUnit> units = listArchivedUnits(root, &problems);
        QStringList names;
        for (const ArchivedUnit& each : units) {
            names << each.unit;
            if (each.unit == unit) {
                QCOMPARE(each.downloads, downloads);
                QCOMPARE(each.lastVisitIso, lastVisit);
            }
        }
        QCOMPARE(names, QStringList({"99", "815", "4711"}));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.at(0).contains("20250615-070000Z.json") && problems.at(0).contains("not a download's note"),
                 qPrintable(problems.at(0)));

        problems.clear();
        const QList<ArchivedDownload> listed = listUnitDownloads(root, unit, &problems);
        QStringList lines;
        for (const ArchivedDownload& download : listed) {
            QStringList parts{download.isoTime};
            for (const VisitSide& side : download.sides)
                parts << filesVisitSideText(side.side, side.asked, side.records, visitOutcomeName(side), side.inBandShare);
            lines << parts.join(' ');
            // Opened as a technician opens the CSV by hand.
            QCOMPARE(download.filesToOpen(), QStringList{download.csvPath});
            QVERIFY(QFile::exists(download.csvPath));
        }
        QCOMPARE(lines, filesExpectedVisitLines(unit));
        QCOMPARE(problems.size(), unit == QLatin1String(filesBrokenNoteUnit) ? 1 : 0);

        // Off the calling thread, the same listing comes back by a queued signal.
        VisitListingThread thread(root, unit, 7);
        std::optional<VisitListing> found;
        connect(&thread, &VisitListingThread::listed, this, [&found](const VisitListing& result) { found = result; });
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(found.has_value(), 5000);
        QVERIFY(thread.wait(5000));
        QCOMPARE(found->request, quint64(7));
        QCOMPARE(found->downloads.size(), listed.size());
        QCOMPARE(found->problems, problems);
    }

    void openDialogStartFolder()
    {
        const QString last = dir.filePath(QStringLiteral("last"));
        const QString archive = dir.filePath(QStringLiteral("archive-start"));
        const QString gone = dir.filePath(QStringLiteral("gone"));
        QCOMPARE(openFileStartFolder(QString(), archive), QDir::homePath());  // no archive yet
        QVERIFY(QDir().mkpath(archive));
        QCOMPARE(openFileStartFolder(QString(), archive), archive);
        QCOMPARE(openFileStartFolder(gone, archive), archive);
        QVERIFY(QDir().mkpath(last));
        QCOMPARE(openFileStartFolder(last, archive), last);
        // Remembered between runs through the settings.
        rememberOpenFolder(last + QStringLiteral("/dump.txt"));
        QCOMPARE(toolSetting(lastOpenFolderSettingKey), last);
        QCOMPARE(openFileStartFolder(), last);
    }

    void archiveFolderOrder()
    {
        const QByteArray saved = qgetenv(archiveFolderVariable);
        qunsetenv(archiveFolderVariable);
        QCOMPARE(archiveFolder(), defaultArchiveFolder());
        QVERIFY(defaultArchiveFolder().endsWith(QStringLiteral("/KELMORADiagnose/downloads")));
        setToolSetting(archiveFolderSettingKey, dir.filePath(QStringLiteral("shared")));
        QCOMPARE(archiveFolder(), dir.filePath(QStringLiteral("shared")));
        qputenv(archiveFolderVariable, dir.filePath(QStringLiteral("run")).toUtf8());
        QCOMPARE(archiveFolder(), dir.filePath(QStringLiteral("run")));
        setToolSetting(archiveFolderSettingKey, QString());
        if (saved.isEmpty())
            qunsetenv(archiveFolderVariable);
        else
            qputenv(archiveFolderVariable, saved);
    }
};

FILES_GUILESS_TEST_MAIN(TestDownloadArchive)
#include "tst_downloadarchive.moc"
