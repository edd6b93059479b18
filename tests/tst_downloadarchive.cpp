// The download archive without a unit: what one download leaves, how it
// reads back, how the archive is listed, and the folders the tool picks.
#include "reader/app_kelmoradatareader.h"
#include "files/downloadarchive.h"
#include "files_support.h"
#include "frame/texttable.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QByteArray line14 = "A=Nr.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM";
const QByteArray line12 = "A=No:2 12:05:00 31.12.2013 11 7 101.5 100 21.5 98 0.5 36 1.5";
const QByteArray line11 = "A=Nr.3 12:10:00 31.12.2013 10 30 99 100 22 99 0.5 34";
const QDateTime ended(QDate(2025, 6, 14), QTime(9, 30, 5));

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
        const ArchiveWrite written = archiveDownload(
            unit(4711), {side('A', SideOutcome::Interrupted, 10, {line14, line12, line11}),
                         side('B', SideOutcome::NoAnswer, 10, {})},
            ended, root);
        QVERIFY2(written.ok(), qPrintable(written.error));
        QCOMPARE(written.stamp, QStringLiteral("20250614-093005"));
        QCOMPARE(QDir(root + QStringLiteral("/4711")).entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("20250614-093005-A.txt"), QStringLiteral("20250614-093005.csv"),
                              QStringLiteral("20250614-093005.json")}));
        QCOMPARE(readAll(written.files.at(0)), line14 + "\r\n" + line12 + "\r\n" + line11 + "\r\n");

        const QList<ArchiveEntry> entries = listArchive(root);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(outcomeName(entries.at(0)), QStringLiteral("interrupted"));
        QCOMPARE(entries.at(0).records, 3);
        QCOMPARE(entries.at(0).requested, 10);
        QCOMPARE(entries.at(0).path, written.files.at(0));
        QCOMPARE(entries.at(0).isoTime(), QStringLiteral("2025-06-14T09:30:05"));
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

    void secondDownloadInTheSameSecondIsNamedLater()
    {
        const QString root = freshRoot();
        const QList<SideDownload> sides = {side('A', SideOutcome::Complete, 1, {line14})};
        const ArchiveWrite first = archiveDownload(unit(9), sides, ended, root);
        const ArchiveWrite second = archiveDownload(unit(9), {side('A', SideOutcome::Complete, 2, {line11, line14})},
                                                    ended, root);
        QVERIFY(first.ok() && second.ok());
        QCOMPARE(second.stamp, QStringLiteral("20250614-093006"));
        QCOMPARE(readAll(first.files.at(0)), line14 + "\r\n");
        const QList<ArchiveEntry> entries = listArchive(root, QStringLiteral("9"));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).stamp, second.stamp);
        QCOMPARE(newestArchivedSide(root, 9, 'A')->records.size(), 2);
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

QTEST_GUILESS_MAIN(TestDownloadArchive)
#include "tst_downloadarchive.moc"
