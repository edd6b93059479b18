// kelmora-cli against the simulated unit: what it prints, writes and sends,
// and its exit codes.
#include "sim_childreport.h"
#include "files_fullfolder.h"
#include "sim_rawline.h"
#include "sim_unit.h"

#include "reader/app_kelmoradatareader.h"
#include "files/archivefolder.h"
#include "files/downloadarchive.h"
#include "files/recordjson.h"
#include "frame/texttable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

CliRun runCli(const QStringList& arguments, int boundMs = 60000)
{
    CliRun run;
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KELMORA_BIN_DIR "/kelmora-cli"), arguments);
    if (!process.waitForFinished(boundMs)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.ms = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    showSanitizerReport(run.err);
    return run;
}

QJsonObject readJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Points kelmora-cli's archive at the folder for the runs that follow.
void useArchive(const QString& path)
{
    qputenv(archiveFolderVariable, path.toUtf8());
}

// The files of one unit's archive folder, by name.
QStringList archivedFiles(const QString& archive, const QString& unit)
{
    return QDir(archive + QLatin1Char('/') + unit).entryList(QDir::Files, QDir::Name);
}

// Imports a file as the window's open-file action does; the sides it filled.
QJsonObject importAsJson(APP_KelmoraDataReader& reader, const QString& path)
{
    const DataImport import = reader.importDataFile(path);
    std::optional<SideRecords> sideA, sideB;
    if (const ImportedSide* a = import.side('A'))
        sideA = storedSide('A', a->recordFormatNo);
    if (const ImportedSide* b = import.side('B'))
        sideB = storedSide('B', b->recordFormatNo);
    return recordsDocument(import.unit, sideA, sideB);
}

// The history requests the unit received, in order ("GET.A.HIS1", ...).
QStringList historyRequests(const SimulatedUnit& unit)
{
    QStringList requests;
    for (const SimulatedUnit::LogEntry& entry : unit.logEntries()) {
        if (entry.command.contains(".HIS"))
            requests.append(QString::fromLatin1(entry.command));
    }
    return requests;
}

QJsonObject countsOf(const QJsonObject& written, const char* side)
{
    return written.value(QStringLiteral("counts")).toObject().value(QLatin1String(side)).toObject();
}

} // namespace

class TestCliReader : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    SimulatedUnit sim;

    void startSim(const QStringList& arguments)
    {
        QVERIFY2(sim.start(arguments), qPrintable(sim.error()));
    }

    // Downloads the unit started with the arguments into a JSON file; the
    // run and what it wrote.
    QPair<CliRun, QJsonObject> downloadFrom(const QStringList& unitArguments, const QStringList& options,
                                            const QString& name)
    {
        const QString path = folder.filePath(name);
        QFile::remove(path);
        if (!sim.start(unitArguments))
            return {};
        const CliRun run = runCli(QStringList{QStringLiteral("download"), QStringLiteral("--port"),
                                              sim.devicePath(), QStringLiteral("--json"), path}
                                  + options);
        return {run, readJson(path)};
    }

private Q_SLOTS:
    // Each test starts with an empty archive of its own: a download builds
    // on what earlier ones of the same unit left.
    void init()
    {
        useArchive(folder.filePath(QStringLiteral("archive-%1-%2")
                                       .arg(QLatin1String(QTest::currentTestFunction()))
                                       .arg(QLatin1String(QTest::currentDataTag()))));
    }
    void cleanup() { sim.stop(); }

    // A unit read before, listing its history oldest or newest first: the
    // second download asks for one record per side, then only for what is
    // new with the archive's newest as the overlap, and ends with the records
    // of a full download of the same count while the unit still holds them.
    // A side whose archive cannot make up the count is read whole.
    void secondDownloadFetchesOnlyTheNewRecords_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::newRow("oldest first") << QStringList{};
        QTest::newRow("newest first") << QStringList{QStringLiteral("--newest-first")};
    }

    void secondDownloadFetchesOnlyTheNewRecords()
    {
        QFETCH(QStringList, order);
        // Paced: the whole side must come as the unit sends it.
        const QStringList unit = order + QStringList{QStringLiteral("--snr"), QStringLiteral("5151"), QStringLiteral("--words"),
                               QStringLiteral("mixed"), QStringLiteral("--records-b"), QStringLiteral("12")};
        const QStringList count{QStringLiteral("--count"), QStringLiteral("20")};
        const auto first = downloadFrom(unit + QStringList{QStringLiteral("--records-a"), QStringLiteral("20")},
                                        count, QStringLiteral("first.json"));
        QCOMPARE(first.first.exitCode, 0);
        QCOMPARE(historyRequests(sim), (QStringList{QStringLiteral("GET.A.HIS20"), QStringLiteral("GET.B.HIS20")}));

        // Six new fillings on side A, none on side B, whose 12 records the
        // archive holds cannot make up 20: a unit that stalled looks the same
        // as one that has no more.
        const QStringList later = unit + QStringList{QStringLiteral("--records-a"), QStringLiteral("26")};
        const auto second = downloadFrom(later, count, QStringLiteral("second.json"));
        QCOMPARE(second.first.exitCode, 0);
        QCOMPARE(historyRequests(sim), (QStringList{QStringLiteral("GET.A.HIS1"), QStringLiteral("GET.A.HIS7"),
                                                    QStringLiteral("GET.B.HIS1"), QStringLiteral("GET.B.HIS20")}));
        QVERIFY2(second.first.err.contains("side A: ") && second.first.err.contains("6 from the unit, 14 from the archive"),
                 second.first.err.constData());
        const QJsonObject incremental = second.second;
        QCOMPARE(countsOf(incremental, "A"),
                 (QJsonObject{{QStringLiteral("requested"), 20}, {QStringLiteral("received"), 20},
                              {QStringLiteral("fromLine"), 6}, {QStringLiteral("fromArchive"), 14}}));
        QCOMPARE(countsOf(incremental, "B").value(QStringLiteral("fromLine")).toInt(), 12);
        QCOMPARE(countsOf(incremental, "B").value(QStringLiteral("fromArchive")).toInt(), 0);
        QCOMPARE(incremental.value(QStringLiteral("method")).toObject(),
                 (QJsonObject{{QStringLiteral("A"), QStringLiteral("incremental")},
                              {QStringLiteral("B"), QStringLiteral("full: archive too short")}}));

        const auto full = downloadFrom(later, count + QStringList{QStringLiteral("--full")}, QStringLiteral("full.json"));
        QCOMPARE(full.first.exitCode, 0);
        QCOMPARE(historyRequests(sim), (QStringList{QStringLiteral("GET.A.HIS20"), QStringLiteral("GET.B.HIS20")}));
        QCOMPARE(full.second.value(QStringLiteral("method")).toObject().value(QStringLiteral("A")).toString(),
                 QStringLiteral("full"));
        QCOMPARE(full.second.value(QStringLiteral("sideA")).toArray().size(), 20);
        QCOMPARE(incremental.value(QStringLiteral("sideA")), full.second.value(QStringLiteral("sideA")));
        QCOMPARE(incremental.value(QStringLiteral("sideB")), full.second.value(QStringLiteral("sideB")));

        // The archive keeps each download whole, byte for byte what a full
        // download of the side sends; the first download's files stay as
        // they were.
        const QList<ArchiveEntry> entries = listArchive(qEnvironmentVariable(archiveFolderVariable),
                                                        QStringLiteral("5151"));
        QCOMPARE(entries.size(), 6);
        QFile incrementalDump(entries.at(2).path);
        QFile fullDump(entries.at(0).path);
        QFile firstDump(entries.at(4).path);
        QVERIFY(incrementalDump.open(QIODevice::ReadOnly) && fullDump.open(QIODevice::ReadOnly)
                && firstDump.open(QIODevice::ReadOnly));
        QCOMPARE(entries.at(2).side, 'A');
        QVERIFY(incrementalDump.readAll() == fullDump.readAll());
        QCOMPARE(firstDump.readAll().count("\r\n"), 20);
    }

    // What the archive cannot be joined to is read whole, with the reason;
    // the records are then exactly what the unit sent for the full count.
    void archiveThatDoesNotLineUpIsReadWhole_data()
    {
        QTest::addColumn<QStringList>("secondUnit");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("method");
        const QStringList numbered{QStringLiteral("--first-number"), QStringLiteral("1000")};
        // First visit: records 1000..1009, all ten asked for.
        QTest::newRow("unit replaced") << numbered + QStringList{QStringLiteral("--seed"), QStringLiteral("2"),
                                                                 QStringLiteral("--records-a"), QStringLiteral("14")}
                                       << QStringLiteral("10") << QStringLiteral("full: overlap differs");
        QTest::newRow("numbers went back") << numbered + QStringList{QStringLiteral("--records-a"), QStringLiteral("6")}
                                           << QStringLiteral("10") << QStringLiteral("full: numbers went back");
        QTest::newRow("archive too short") << numbered + QStringList{QStringLiteral("--records-a"), QStringLiteral("12")}
                                           << QStringLiteral("20") << QStringLiteral("full: archive too short");
        QTest::newRow("all new") << numbered + QStringList{QStringLiteral("--records-a"), QStringLiteral("25")}
                                 << QStringLiteral("10") << QStringLiteral("full: all new");
        // The archived dump edited by hand: one record taken out.
        QTest::newRow("archive with a record removed")
            << numbered + QStringList{QStringLiteral("--records-a"), QStringLiteral("12")} << QStringLiteral("10")
            << QStringLiteral("full: archived records not consecutive");
        // A unit that skips a number among the new records: they do not run
        // from the archive's newest to the unit's newest.
        QTest::newRow("new records with a gap")
            << numbered + QStringList{QStringLiteral("--records-a"), QStringLiteral("13"), QStringLiteral("--skip-number"),
                                      QStringLiteral("1011")}
            << QStringLiteral("10") << QStringLiteral("full: new records do not run on from the archive");
    }

    void archiveThatDoesNotLineUpIsReadWhole()
    {
        QFETCH(QStringList, secondUnit);
        QFETCH(QString, count);
        QFETCH(QString, method);
        const QStringList sideA{QStringLiteral("--side"), QStringLiteral("A")};
        const auto first = downloadFrom({QStringLiteral("--first-number"), QStringLiteral("1000"),
                                         QStringLiteral("--records-a"), QStringLiteral("10")},
                                        sideA + QStringList{QStringLiteral("--count"), QStringLiteral("10")},
                                        QStringLiteral("first.json"));
        QCOMPARE(first.first.exitCode, 0);
        if (QByteArray(QTest::currentDataTag()).contains("removed")) {
            const QList<ArchiveEntry> entries = listArchive(qEnvironmentVariable(archiveFolderVariable),
                                                            QStringLiteral("12345"));
            QVERIFY(!entries.isEmpty());
            QFile dump(entries.first().path);
            QVERIFY(dump.open(QIODevice::ReadWrite));
            QList<QByteArray> lines = dump.readAll().split('\n');
            lines.removeAt(5);
            QVERIFY(dump.resize(0) && dump.write(lines.join('\n')) > 0);
        }
        const auto second = downloadFrom(secondUnit, sideA + QStringList{QStringLiteral("--count"), count},
                                         QStringLiteral("second.json"));
        QCOMPARE(second.first.exitCode, 0);
        const QStringList requests = historyRequests(sim);
        QVERIFY2(requests.size() >= 2 && requests.first() == QStringLiteral("GET.A.HIS1")
                     && requests.last() == QStringLiteral("GET.A.HIS") + count,
                 qPrintable(requests.join(' ')));
        QCOMPARE(second.second.value(QStringLiteral("method")).toObject().value(QStringLiteral("A")).toString(), method);
        QVERIFY2(second.first.err.contains("side A read whole: " + method.mid(6).toUtf8()), second.first.err.constData());
        QCOMPARE(second.second.value(QStringLiteral("sideA")), sim.jsonDump().value(QStringLiteral("sideA")));
        QCOMPARE(countsOf(second.second, "A").value(QStringLiteral("fromArchive")).toInt(), 0);
    }

    // The line goes while the new records come: the side is interrupted,
    // says so, and holds the archived records and the new ones that arrived.
    void cutIncrementalDownloadKeepsWhatArrived()
    {
        const QStringList sideA{QStringLiteral("--side"), QStringLiteral("A"), QStringLiteral("--count"),
                                QStringLiteral("10")};
        const auto first = downloadFrom({QStringLiteral("--records-a"), QStringLiteral("10")}, sideA,
                                        QStringLiteral("first.json"));
        QCOMPARE(first.first.exitCode, 0);
        // Six new records; the probe's line and about four lines of the
        // seven asked for then come before the line goes.
        const auto cut = downloadFrom({QStringLiteral("--records-a"), QStringLiteral("16"), QStringLiteral("--cut-after"),
                                       QStringLiteral("600")},
                                      sideA, QStringLiteral("cut.json"));
        QCOMPARE(cut.first.exitCode, 1);
        QCOMPARE(historyRequests(sim), (QStringList{QStringLiteral("GET.A.HIS1"), QStringLiteral("GET.A.HIS7")}));
        QVERIFY2(cut.first.err.contains("side A: "), cut.first.err.constData());
        QCOMPARE(cut.second.value(QStringLiteral("outcome")).toObject().value(QStringLiteral("A")).toString(),
                 QStringLiteral("interrupted"));
        // Oldest first: the archived records, then the overlap's successors
        // exactly as the unit sent them.
        const QJsonArray arrived = sim.jsonDump().value(QStringLiteral("sideA")).toArray();
        const QJsonArray archived = first.second.value(QStringLiteral("sideA")).toArray();
        const QJsonArray written = cut.second.value(QStringLiteral("sideA")).toArray();
        QVERIFY2(arrived.size() >= 2 && arrived.size() < 7, qPrintable(QString::number(arrived.size())));
        QCOMPARE(arrived.at(0), archived.last());
        const int fresh = int(arrived.size()) - 1;
        QCOMPARE(written.size(), 10);
        for (int i = 0; i < fresh; ++i)
            QCOMPARE(written.at(10 - fresh + i), arrived.at(1 + i));
        for (int i = 0; i < 10 - fresh; ++i)
            QCOMPARE(written.at(i), archived.at(fresh + i));
        QCOMPARE(countsOf(cut.second, "A").value(QStringLiteral("fromLine")).toInt(), fresh);
        // Counted as new records, not as the archive's.
        QVERIFY2(cut.first.err.contains(QByteArray("side A: ") + QByteArray::number(fresh) + " of 6 new records, interrupted"),
                 cut.first.err.constData());
        QCOMPARE(cut.second.value(QStringLiteral("method")).toObject().value(QStringLiteral("A")).toString(),
                 QStringLiteral("incremental: new records cut short"));
    }

    void identifyPrintsTheUnitAsJson()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--snr"), QStringLiteral("777"),
                  QStringLiteral("--svn"), QStringLiteral("2.05")});
        const CliRun run = runCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.devicePath()});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject unit = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(unit.value(QStringLiteral("serialNumber")).toInt(), 777);
        QCOMPARE(unit.value(QStringLiteral("softwareVersion")).toString(), QStringLiteral("2.05"));
        QCOMPARE(unit.value(QStringLiteral("softwareVersionNumber")).toDouble(), 2.0);
        QCOMPARE(unit.value(QStringLiteral("hardwareVersion")).toDouble(), 1.2);
        QCOMPARE(unit.value(QStringLiteral("statusSideA")).toInt(), 5);
        QCOMPARE(unit.value(QStringLiteral("statusSideB")).toInt(), 6);
        QCOMPARE(unit.value(QStringLiteral("pvnValue")).toInt(), 7);
        QCOMPARE(unit.value(QStringLiteral("countryCode")).toInt(), 49);
        QCOMPARE(unit.value(QStringLiteral("pcmText")).toString(), QStringLiteral("KLM-PCM 4.2"));
    }

    void olderUnitIsIdentifiedDespiteFailures()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--fail-status"), QStringLiteral("--fail-reg101")});
        const CliRun run = runCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.devicePath()});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject unit = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(unit.value(QStringLiteral("statusSideA")).toInt(), 0);
        QCOMPARE(unit.value(QStringLiteral("pvnValue")).toInt(), 0);
    }

    void newerUnitWithFailuresIsRejected()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--svn"), QStringLiteral("1.40"),
                  QStringLiteral("--fail-reg101")});
        // "1.40" gives the number 1: still the older generation.
        QCOMPARE(runCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.devicePath()}).exitCode, 0);
        sim.stop();
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--svn"), QStringLiteral("2.01"),
                  QStringLiteral("--fail-reg101")});
        const CliRun run = runCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.devicePath()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("did not identify"));
    }

    void reconnectsWhenTheFirstQueryIsUnanswered()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--silent-first"), QStringLiteral("3")});
        const CliRun run = runCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.devicePath()});
        QCOMPARE(run.exitCode, 0);
        int queries = 0;
        for (const SimulatedUnit::LogEntry& entry : sim.logEntries())
            queries += entry.command == "TXP.C.HVN" ? 1 : 0;
        QCOMPARE(queries, 4);
    }

    void downloadWritesEveryRecordOfBothSides()
    {
        // Paced like the real line; small enough to stay quick.
        startSim({QStringLiteral("--records-a"), QStringLiteral("15"), QStringLiteral("--records-b"),
                  QStringLiteral("12"), QStringLiteral("--words"), QStringLiteral("mixed")});
        const QString path = folder.filePath(QStringLiteral("both.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--count"), QStringLiteral("20"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject written = readJson(path);
        const QJsonObject sent = sim.jsonDump();
        QCOMPARE(written.value(QStringLiteral("sideA")).toArray().size(), 15);
        QCOMPARE(written.value(QStringLiteral("sideA")), sent.value(QStringLiteral("sideA")));
        QCOMPARE(written.value(QStringLiteral("sideB")), sent.value(QStringLiteral("sideB")));
        QCOMPARE(written.value(QStringLiteral("unit")).toObject().value(QStringLiteral("serialNumber")).toInt(), 12345);
        QVERIFY(run.err.contains("side A: "));
        QVERIFY(run.err.contains("side B: "));
        QVERIFY(run.err.contains("side A: "));
        QVERIFY(run.err.contains("15 records"));
        QCOMPARE(written.value(QStringLiteral("outcome")).toObject(),
                 (QJsonObject{{QStringLiteral("A"), QStringLiteral("complete")},
                              {QStringLiteral("B"), QStringLiteral("complete")}}));
        const QJsonObject countsA = written.value(QStringLiteral("counts")).toObject().value(QStringLiteral("A")).toObject();
        QCOMPARE(countsA.value(QStringLiteral("requested")).toInt(), 20);
        QCOMPARE(countsA.value(QStringLiteral("received")).toInt(), 15);
    }

    void downloadOfOneSideQuietly()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--records-b"), QStringLiteral("8")});
        const QString path = folder.filePath(QStringLiteral("b.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--side"), QStringLiteral("B"), QStringLiteral("--quiet"),
                                   QStringLiteral("--count"), QStringLiteral("8"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        const QJsonObject written = readJson(path);
        QVERIFY(!written.contains(QStringLiteral("sideA")));
        QCOMPARE(written.value(QStringLiteral("sideB")), sim.jsonDump().value(QStringLiteral("sideB")));
    }

    // The line goes in the middle of side A: exit 1, each side named with
    // its counts and how it ended, and the records that came are written.
    void pulledCableWritesWhatArrived()
    {
        startSim({QStringLiteral("--records-a"), QStringLiteral("30"), QStringLiteral("--cut-after"),
                  QStringLiteral("600")});
        const QString path = folder.filePath(QStringLiteral("cut.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--count"), QStringLiteral("30"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(" of 30 records, interrupted"), run.err.constData());
        QVERIFY2(run.err.contains("side B: 0 of 30 records, interrupted"), run.err.constData());
        QVERIFY2(run.ms < 30000, qPrintable(QString::number(run.ms)));
        const QJsonObject written = readJson(path);
        QCOMPARE(written.value(QStringLiteral("outcome")).toObject(),
                 (QJsonObject{{QStringLiteral("A"), QStringLiteral("interrupted")},
                              {QStringLiteral("B"), QStringLiteral("interrupted")}}));
        // Every whole record the unit sent before the cut is in the file.
        const QJsonArray sideA = written.value(QStringLiteral("sideA")).toArray();
        const QJsonArray sent = sim.jsonDump().value(QStringLiteral("sideA")).toArray();
        QVERIFY(!sent.isEmpty());
        QVERIFY(sideA.size() >= sent.size() - 1 && sideA.size() <= sent.size());
        for (int i = 0; i < sideA.size(); ++i)
            QCOMPARE(sideA.at(i), sent.at(i));
        const QJsonObject countsA = written.value(QStringLiteral("counts")).toObject().value(QStringLiteral("A")).toObject();
        QCOMPARE(countsA.value(QStringLiteral("received")).toInt(), int(sideA.size()));
        QVERIFY2(run.err.contains(QByteArray("side A: ") + QByteArray::number(sideA.size()) + " of 30"),
                 run.err.constData());
    }

    // The unit stops inside a record with the line up, and then answers no
    // more history: A interrupted, B no answer, A's whole records kept.
    void stalledUnitAndSilentSide_data()
    {
        QTest::addColumn<QStringList>("unitOptions");
        QTest::addColumn<QString>("outcomeA");
        QTest::addColumn<QString>("outcomeB");
        QTest::addColumn<QString>("causeA");
        QTest::newRow("stall in side A") << QStringList{QStringLiteral("--stall-after"), QStringLiteral("500")}
                                         << QStringLiteral("interrupted") << QStringLiteral("no-answer")
                                         << QStringLiteral("cut-inside-line");
        QTest::newRow("silent side B") << QStringList{QStringLiteral("--silent-side"), QStringLiteral("B")}
                                       << QStringLiteral("complete") << QStringLiteral("no-answer")
                                       << QStringLiteral("none");
    }

    void stalledUnitAndSilentSide()
    {
        QFETCH(QStringList, unitOptions);
        QFETCH(QString, outcomeA);
        QFETCH(QString, outcomeB);
        startSim(QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--records-a"), QStringLiteral("12")}
                 + unitOptions);
        const QString path = folder.filePath(QStringLiteral("partial.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--count"), QStringLiteral("12"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("side B: 0 of 12 records, no answer"), run.err.constData());
        const QJsonObject written = readJson(path);
        QCOMPARE(written.value(QStringLiteral("outcome")).toObject(),
                 (QJsonObject{{QStringLiteral("A"), outcomeA}, {QStringLiteral("B"), outcomeB}}));
        const QJsonArray sent = sim.jsonDump().value(QStringLiteral("sideA")).toArray();
        QCOMPARE(written.value(QStringLiteral("sideA")).toArray(), sent);
        QCOMPARE(written.value(QStringLiteral("sideB")).toArray().size(), 0);
        if (outcomeA == QLatin1String("interrupted"))
            QVERIFY(sent.size() < 12);
        QFETCH(QString, causeA);
        const QJsonObject findingsA = written.value(QStringLiteral("findings")).toObject().value(QStringLiteral("A")).toObject();
        QCOMPARE(findingsA.value(QStringLiteral("cause")).toString(), causeA);
    }

    // What a whole download skipped or could not read is said, in the JSON
    // and on stderr, without making the side incomplete.
    void skippedNumbersAndUnreadLinesAreSaid_data()
    {
        QTest::addColumn<QStringList>("unitOptions");
        QTest::addColumn<QJsonArray>("missing");
        QTest::addColumn<int>("unreadLines");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("numbering gap") << QStringList{QStringLiteral("--skip-number"), QStringLiteral("1004")}
                                       << QJsonArray{QJsonArray{1004, 1004}} << 0
                                       << QByteArray("record numbers missing: 1004");
        QTest::newRow("gap, newest first")
            << QStringList{QStringLiteral("--skip-number"), QStringLiteral("1004"), QStringLiteral("--newest-first")}
            << QJsonArray{QJsonArray{1004, 1004}} << 0 << QByteArray("record numbers missing: 1004");
        QTest::newRow("line that is no record") << QStringList{QStringLiteral("--odd-line")} << QJsonArray{} << 1
                                                << QByteArray("1 lines were not records");
    }

    void skippedNumbersAndUnreadLinesAreSaid()
    {
        QFETCH(QStringList, unitOptions);
        QFETCH(QJsonArray, missing);
        QFETCH(int, unreadLines);
        QFETCH(QByteArray, said);
        const auto run = downloadFrom(QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--first-number"),
                                                  QStringLiteral("1000"), QStringLiteral("--records-a"), QStringLiteral("10")}
                                          + unitOptions,
                                      {QStringLiteral("--side"), QStringLiteral("A"), QStringLiteral("--count"),
                                       QStringLiteral("10"), QStringLiteral("--full")},
                                      QStringLiteral("gaps.json"));
        QCOMPARE(run.first.exitCode, 0);
        QCOMPARE(run.second.value(QStringLiteral("outcome")).toObject().value(QStringLiteral("A")).toString(),
                 QStringLiteral("complete"));
        const QJsonObject findings = run.second.value(QStringLiteral("findings")).toObject().value(QStringLiteral("A")).toObject();
        QCOMPARE(findings.value(QStringLiteral("missingNumbers")).toArray(), missing);
        QCOMPARE(findings.value(QStringLiteral("unreadLines")).toInt(), unreadLines);
        QVERIFY2(run.first.err.contains("side A: ") && run.first.err.contains(said), run.first.err.constData());
        QCOMPARE(run.second.value(QStringLiteral("sideA")), sim.jsonDump().value(QStringLiteral("sideA")));
    }

    // The tool held up for seconds while a paced unit sends (SIGSTOP): what
    // came meanwhile waits for the reader instead of wrapping over unread
    // bytes, and the side is whole.
    void stalledToolLosesNothing()
    {
        startSim({QStringLiteral("--records-a"), QStringLiteral("120"), QStringLiteral("--records-b"), QStringLiteral("3")});
        const QString path = folder.filePath(QStringLiteral("stalled.json"));
        QProcess cli;
        cli.start(QStringLiteral(KELMORA_BIN_DIR "/kelmora-cli"),
                  {QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--count"),
                   QStringLiteral("120"), QStringLiteral("--json"), path, QStringLiteral("--full")});
        QVERIFY(cli.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(historyRequests(sim).contains(QStringLiteral("GET.A.HIS120")), 15000);
        QTest::qWait(500);
        QCOMPARE(::kill(pid_t(cli.processId()), SIGSTOP), 0);
        QTest::qWait(4000);  // at 9600 baud about 3800 bytes meanwhile
        QCOMPARE(::kill(pid_t(cli.processId()), SIGCONT), 0);
        QVERIFY(cli.waitForFinished(60000));
        showSanitizerReport(cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), 0);
        const QJsonObject written = readJson(path);
        QCOMPARE(written.value(QStringLiteral("outcome")).toObject().value(QStringLiteral("A")).toString(),
                 QStringLiteral("complete"));
        QCOMPARE(written.value(QStringLiteral("sideA")).toArray(), sim.jsonDump().value(QStringLiteral("sideA")).toArray());
        // Side B's request came after side A's rest had been drained.
        QCOMPARE(written.value(QStringLiteral("outcome")).toObject().value(QStringLiteral("B")).toString(),
                 QStringLiteral("complete"));
        QCOMPARE(written.value(QStringLiteral("sideB")).toArray(), sim.jsonDump().value(QStringLiteral("sideB")).toArray());
    }

    // Every download leaves a raw dump per side and a CSV; each imports back
    // to exactly what the unit sent, the CSV with the unit's identity.
    void downloadIsArchivedAndImportsBack()
    {
        const QString archive = folder.filePath(QStringLiteral("archive-import"));
        useArchive(archive);
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--records-a"), QStringLiteral("15"),
                  QStringLiteral("--records-b"), QStringLiteral("12"), QStringLiteral("--words"),
                  QStringLiteral("mixed"), QStringLiteral("--snr"), QStringLiteral("4242")});
        const QString path = folder.filePath(QStringLiteral("archived.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--count"), QStringLiteral("20"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("archived as "));
        const QStringList files = archivedFiles(archive, QStringLiteral("4242"));
        QCOMPARE(files.size(), 4);
        const QString stem = archive + QStringLiteral("/4242/") + files.at(0).left(16);
        // Sorted by name: the dumps, the CSV, then the note.
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}Z-A\\.txt$")).match(files.at(0)).hasMatch(),
                 qPrintable(files.join(' ')));
        QVERIFY(files.contains(QFileInfo(stem).fileName() + QStringLiteral("-B.txt")));
        QVERIFY(files.contains(QFileInfo(stem).fileName() + QStringLiteral(".csv")));

        QFile dump(stem + QStringLiteral("-A.txt"));
        QVERIFY(dump.open(QIODevice::ReadOnly));
        const QByteArray raw = dump.readAll();
        QCOMPARE(raw.count("\r\n"), 15);
        QVERIFY(raw.endsWith("\r\n"));
        for (const QByteArray& line : raw.split('\n').mid(0, 15))
            QVERIFY2(line.startsWith("A=N") && line.endsWith('\r'), line.constData());

        QVERIFY(loadTextTableFrom(QStringLiteral(KELMORA_BIN_DIR "/qm7.loc")));
        APP_KelmoraDataReader reader;
        const QJsonObject sent = sim.jsonDump();
        QCOMPARE(importAsJson(reader, stem + QStringLiteral("-A.txt")).value(QStringLiteral("sideA")),
                 sent.value(QStringLiteral("sideA")));
        QCOMPARE(importAsJson(reader, stem + QStringLiteral("-B.txt")).value(QStringLiteral("sideB")),
                 sent.value(QStringLiteral("sideB")));
        const QJsonObject fromCsv = importAsJson(reader, stem + QStringLiteral(".csv"));
        QCOMPARE(fromCsv.value(QStringLiteral("sideA")), sent.value(QStringLiteral("sideA")));
        QCOMPARE(fromCsv.value(QStringLiteral("sideB")), sent.value(QStringLiteral("sideB")));
        const QJsonObject unit = readJson(path).value(QStringLiteral("unit")).toObject();
        const QJsonObject csvUnit = fromCsv.value(QStringLiteral("unit")).toObject();
        for (const char* key : {"serialNumber", "hardwareVersion", "softwareVersion", "pvnValue", "pulseInput",
                                "countryCode", "pcmText", "flags", "statusSideA", "statusSideB"})
            QVERIFY2(csvUnit.value(QLatin1String(key)) == unit.value(QLatin1String(key)), key);
        QCOMPARE(csvUnit.value(QStringLiteral("serialNumber")).toInt(), 4242);
        clearTextTable();
    }

    // archive --json lists what the downloads wrote, newest first;
    // --no-archive writes nothing.
    void archiveListsNewestFirst()
    {
        const QString archive = folder.filePath(QStringLiteral("archive-list"));
        useArchive(archive);
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--records-a"), QStringLiteral("9"),
                  QStringLiteral("--records-b"), QStringLiteral("7")});
        const QString port = sim.devicePath();
        const QString json = folder.filePath(QStringLiteral("list.json"));
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), port, QStringLiteral("--side"),
                         QStringLiteral("A"), QStringLiteral("--count"), QStringLiteral("4"),
                         QStringLiteral("--json"), json}).exitCode, 0);
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), port, QStringLiteral("--count"),
                         QStringLiteral("8"), QStringLiteral("--json"), json}).exitCode, 0);
        const CliRun list = runCli({QStringLiteral("archive"), QStringLiteral("--json")});
        QCOMPARE(list.exitCode, 0);
        const QJsonArray entries = QJsonDocument::fromJson(list.out).array();
        QCOMPARE(entries.size(), 3);
        const QJsonObject newestA = entries.at(0).toObject();
        const QJsonObject newestB = entries.at(1).toObject();
        const QJsonObject oldest = entries.at(2).toObject();
        QCOMPARE(newestA.value(QStringLiteral("side")).toString(), QStringLiteral("A"));
        QCOMPARE(newestA.value(QStringLiteral("records")).toInt(), 8);
        QCOMPARE(newestB.value(QStringLiteral("side")).toString(), QStringLiteral("B"));
        QCOMPARE(newestB.value(QStringLiteral("records")).toInt(), 7);
        QCOMPARE(oldest.value(QStringLiteral("records")).toInt(), 4);
        // In UTC; two downloads may end in the same second.
        QVERIFY(newestA.value(QStringLiteral("time")).toString() >= oldest.value(QStringLiteral("time")).toString());
        for (const QJsonValue& value : entries) {
            const QJsonObject entry = value.toObject();
            QCOMPARE(entry.value(QStringLiteral("unit")).toString(), QStringLiteral("12345"));
            QCOMPARE(entry.value(QStringLiteral("outcome")).toString(), QStringLiteral("complete"));
            QVERIFY(QFileInfo(entry.value(QStringLiteral("path")).toString()).isFile());
        }
        QCOMPARE(QDateTime::fromString(oldest.value(QStringLiteral("time")).toString(), Qt::ISODate).toLocalTime().date(),
                 QDate::currentDate());
        QCOMPARE(QJsonDocument::fromJson(runCli({QStringLiteral("archive"), QStringLiteral("--unit"),
                                                 QStringLiteral("999"), QStringLiteral("--json")}).out).array().size(), 0);
        const CliRun table = runCli({QStringLiteral("archive"), QStringLiteral("--unit"), QStringLiteral("12345")});
        QCOMPARE(table.out.count("\n"), 4);
        QVERIFY(table.out.startsWith("UNIT"));
        QCOMPARE(runCli({QStringLiteral("archive"), QStringLiteral("--unit"), QStringLiteral("x")}).exitCode, 2);

        const QString untouched = folder.filePath(QStringLiteral("archive-none"));
        useArchive(untouched);
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), port, QStringLiteral("--count"),
                         QStringLiteral("3"), QStringLiteral("--no-archive"), QStringLiteral("--json"), json}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(untouched));
    }

    // An archive that cannot be written is said once on stderr and leaves
    // the download, its files and its exit code alone.
    void unwritableArchiveKeepsTheDownload()
    {
        QFile blocker(folder.filePath(QStringLiteral("plain-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        useArchive(blocker.fileName() + QStringLiteral("/archive"));
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--records-a"), QStringLiteral("6")});
        const QString path = folder.filePath(QStringLiteral("kept.json"));
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--count"), QStringLiteral("6"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.count("could not be archived"), 1);
        QCOMPARE(readJson(path).value(QStringLiteral("sideA")), sim.jsonDump().value(QStringLiteral("sideA")));
    }

    // A download saved over last week's file on a full disk: exit 1 with the
    // reason, the old file byte for byte, no temporary file beside it.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("CSV") << QStringLiteral("--csv") << QStringLiteral("unit.csv");
        QTest::newRow("ODS") << QStringLiteral("--ods") << QStringLiteral("unit.ods");
        QTest::newRow("JSON") << QStringLiteral("--json") << QStringLiteral("unit.json");
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, option);
        QFETCH(QString, fileName);
        FilesFullFolder full;
        const QByteArray old = QByteArray("last week's good file\n").repeated(2000);
        QVERIFY(full.place(fileName, old));
        if (!full.seal(4096))
            QSKIP(qPrintable(full.why()));
        qInfo("full disk: %s", qPrintable(full.kind()));
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--records-a"), QStringLiteral("1500"),
                  QStringLiteral("--records-b"), QStringLiteral("1500")});
        const CliRun run = runCli({QStringLiteral("download"), QStringLiteral("--port"), sim.devicePath(),
                                   QStringLiteral("--quiet"), QStringLiteral("--count"), QStringLiteral("1500"),
                                   option, full.filePath(fileName)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("cannot write " + full.filePath(fileName).toUtf8() + ": "), run.err.constData());
        QCOMPARE(full.entries(), QStringList{fileName});
        QFile kept(full.filePath(fileName));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll() == old);
    }

    void settingsReachTheUnit()
    {
        startSim({QStringLiteral("--no-pacing")});
        const QString port = sim.devicePath();
        QCOMPARE(runCli({QStringLiteral("reset-mode"), QStringLiteral("--port"), port}).exitCode, 0);
        QCOMPARE(runCli({QStringLiteral("set-pulse-input"), QStringLiteral("--port"), port, QStringLiteral("250")}).exitCode, 0);
        QCOMPARE(runCli({QStringLiteral("set-time"), QStringLiteral("--port"), port,
                         QStringLiteral("2024-03-05T07:09:00")}).exitCode, 0);
        QList<QByteArray> commands;
        for (const SimulatedUnit::LogEntry& entry : sim.logEntries())
            commands.append(entry.command);
        QVERIFY(commands.contains("RXP.C.BTA 1 1"));
        QVERIFY(commands.contains("RXP.C.IMP 250"));
        const QByteArray clockWrite = "W;12345;C;110;240305;0709;";
        QVERIFY(commands.contains(clockWrite + QByteArray::number(testRegisterChecksum(clockWrite))));
        QCOMPARE(commands.count("STP.C.CON"), 3);
        // Identify again: the pulse input now in force is the one set.
        const int before = int(sim.logEntries().size());
        const CliRun run = runCli({QStringLiteral("identify"), QStringLiteral("--port"), port});
        QCOMPARE(QJsonDocument::fromJson(run.out).object().value(QStringLiteral("pulseInput")).toInt(), 250);
        // Within one run, commands never came closer than the port's write interval.
        const QList<SimulatedUnit::LogEntry> entries = sim.logEntries().mid(before);
        QVERIFY(entries.size() >= 9);
        const QString fault = SimulatedUnit::spacingFault(entries, 250);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void failuresAndUsage()
    {
        QCOMPARE(runCli({QStringLiteral("identify"), QStringLiteral("--port"),
                         folder.filePath(QStringLiteral("no-such-port"))}).exitCode, 1);
        QCOMPARE(runCli({QStringLiteral("identify")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("x")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("x"),
                         QStringLiteral("--count"), QStringLiteral("0"), QStringLiteral("--json"), QStringLiteral("f")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("x"),
                         QStringLiteral("--side"), QStringLiteral("C"), QStringLiteral("--json"), QStringLiteral("f")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("set-pulse-input"), QStringLiteral("--port"), QStringLiteral("x"),
                         QStringLiteral("abc")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("set-time"), QStringLiteral("--port"), QStringLiteral("x"),
                         QStringLiteral("yesterday")}).exitCode, 2);
        QCOMPARE(runCli({QStringLiteral("identify"), QStringLiteral("--bogus")}).exitCode, 2);
        const CliRun help = runCli({QStringLiteral("download"), QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("kelmora-cli download [options]"));
        QVERIFY(help.out.contains("--json <FILE>"));
    }

    void silentUnitFailsTheCommand()
    {
        startSim({QStringLiteral("--no-pacing"), QStringLiteral("--silent-first"), QStringLiteral("1000")});
        const CliRun run = runCli({QStringLiteral("reset-mode"), QStringLiteral("--port"), sim.devicePath()}, 60000);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("did not identify"));
    }
};

QTEST_GUILESS_MAIN(TestCliReader)
#include "tst_clireader.moc"
