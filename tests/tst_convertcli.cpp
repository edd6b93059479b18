// kelmora-cli convert: a raw dump and a CSV export in, CSV/ODS/JSON out,
// with the exit codes scripts rely on; and the CSV and ODS outputs of
// kelmora-cli download from the simulated unit.
#include "sim_childreport.h"
#include "files_fullfolder.h"
#include "files_support.h"
#include "files_visits.h"
#include "files/archivefolder.h"
#include "sim_unit.h"
#include "frame/texttable.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestConvertCli : public QObject
{
    Q_OBJECT

private:
    const QString cli = QStringLiteral(KELMORA_BIN_DIR "/kelmora-cli");
    QTemporaryDir dir;

    int run(const QStringList& arguments, QByteArray* output = nullptr)
    {
        int exitCode = -1;
        if (!filesRun(cli, QStringList{QStringLiteral("convert")} + arguments, 60000, output, &exitCode))
            return -1;
        return exitCode;
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    // Runs convert with stdout and stderr apart; loggingRules empty: none set.
    int runApart(const QStringList& arguments, const QString& loggingRules, QByteArray* errors)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        if (!loggingRules.isEmpty())
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), loggingRules);
        process.setProcessEnvironment(environment);
        process.start(cli, QStringList{QStringLiteral("convert")} + arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished(5000);
            return -1;
        }
        *errors = process.readAllStandardError();
        showSanitizerReport(*errors);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    static QByteArray readAll(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QJsonArray sideOf(const QString& jsonFile, const char* side)
    {
        return QJsonDocument::fromJson(readAll(jsonFile)).object().value(QLatin1String(side)).toArray();
    }

private slots:
    void initTestCase()
    {
        // Built before this test (a build dependency): missing means broken.
        QVERIFY2(QFile::exists(cli), qPrintable(cli));
        QVERIFY(dir.isValid());
        // The command reads the table beside it, the shipped one.
        QVERIFY(loadTextTableFrom(QStringLiteral(KELMORA_BIN_DIR "/qm7.loc")));
        QFile raw(path("raw.txt"));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write("B=No.1 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 35.2 1.5 2.5 SWOFF\r\n"
                  "B=No.2 12:05:00 31.12.2013 11 7 101.5 100 21.5 98 0.5 36 1.5\r\n"
                  "B=No:3 12:10:00 31.12.2013 10 30 99 100 22 99 0.5 34\r\n");
        QFile big(path("big.txt"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 3000; ++i)
            big.write("A=Nr." + QByteArray::number(i) + " 12:00:00 31.12.2013 3 " + QByteArray::number(i % 400)
                      + " 98.5 100 21.25 97 0.5 35.2 1.5 2.5 NOLIM\r\n");
    }

    void rawToEveryFormat()
    {
        QCOMPARE(run({path("raw.txt"), "--csv", path("out.csv"), "--ods", path("out.ods"), "--json",
                      path("out.json"), "--lang", "1"}),
                 0);
        const QByteArray csv = readAll(path("out.csv"));
        QVERIFY(csv.startsWith(textIn(54, 1).toUtf8() + "\r\n"));
        QVERIFY(csv.contains(textIn(127, 1).toUtf8() + "\r\n"));
        QVERIFY(!csv.contains(textIn(126, 1).toUtf8() + "\r\n"));
        QVERIFY(csv.contains("\r\n3;2013-12-31T12:10:00;10;30;99;100;22;99;0.5;34;0;0;NOLIM;:\r\n"));
        const QList<FilesZipEntry> entries = filesZipEntries(path("out.ods"));
        QCOMPARE(entries.value(0).name, QStringLiteral("mimetype"));
        QCOMPARE(entries.last().name, QStringLiteral("Object B/content.xml"));
        const QJsonArray side = sideOf(path("out.json"), "sideB");
        QCOMPARE(side.size(), 3);
        QCOMPARE(side.at(0).toObject().value(QLatin1String("limit")).toInt(), -1);
        QVERIFY(sideOf(path("out.json"), "sideA").isEmpty());
        QVERIFY(QJsonDocument::fromJson(readAll(path("out.json"))).object().value(QLatin1String("unit"))
                    .toObject().value(QLatin1String("recordFormatNo")).toBool());
    }

    // A good file converts silently: the debug traces of the import and the
    // writers stay off unless --verbose or QT_LOGGING_RULES turns them on.
    void debugTracesOnlyWhenAskedFor()
    {
        const QStringList arguments{path("raw.txt"), "--csv", path("quiet.csv"), "--ods", path("quiet.ods"),
                                    "--json", path("quiet.json")};
        QByteArray errors;
        QCOMPARE(runApart(arguments, QString(), &errors), 0);
        QVERIFY2(errors.isEmpty(), errors.constData());
        QVERIFY(QFile::exists(path("quiet.ods")));
        QCOMPARE(runApart(arguments + QStringList{"--verbose"}, QString(), &errors), 0);
        QVERIFY2(errors.contains("kelmora.csv: Countrycode"), errors.constData());
        QCOMPARE(runApart(arguments, QStringLiteral("kelmora.*.debug=true"), &errors), 0);
        QVERIFY2(errors.contains("kelmora.csv: Countrycode"), errors.constData());
    }

    void csvBackToJsonKeepsTheRecords()
    {
        QCOMPARE(run({path("raw.txt"), "--json", path("a.json")}), 0);
        QCOMPARE(run({path("raw.txt"), "--csv", path("c.csv"), "--lang", "4"}), 0);
        QCOMPARE(run({path("c.csv"), "--json", path("b.json")}), 0);
        QCOMPARE(sideOf(path("b.json"), "sideB"), sideOf(path("a.json"), "sideB"));
        QByteArray out;
        QCOMPARE(run({path("c.csv"), "--json", "-"}, &out), 0);
        QVERIFY(out.contains("\"sideB\""));
    }

    void exitCodes()
    {
        QCOMPARE(run({path("raw.txt")}), 2);
        QCOMPARE(run({path("raw.txt"), "--csv"}), 2);
        QCOMPARE(run({path("raw.txt"), "--json", "-", "--lang", "6"}), 2);
        QCOMPARE(run({path("raw.txt"), "--json", "-", "--colour"}), 2);
        QCOMPARE(run({path("missing.txt"), "--json", "-"}), 1);
        QFile junk(path("junk.txt"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(64, 'j'));
        junk.close();
        QCOMPARE(run({path("junk.txt"), "--json", "-"}), 1);
        if (QFile::exists(QStringLiteral("/dev/full"))) {
            QCOMPARE(run({path("raw.txt"), "--csv", "/dev/full"}), 1);
            QCOMPARE(run({path("raw.txt"), "--ods", "/dev/full"}), 1);
            QCOMPARE(run({path("raw.txt"), "--json", "/dev/full"}), 1);
        }
        QCOMPARE(run({path("raw.txt"), "--ods", path("no/dir/x.ods")}), 1);
    }

    // report reads a saved file as convert does and writes its figures;
    // what it cannot read or write fails, without a file reported as good.
    void reportOfSavedFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("dump") << QStringList{path("raw.txt"), "--pdf", path("r.pdf"), "--json", path("r.json")} << 0;
        QTest::newRow("no --pdf") << QStringList{path("raw.txt"), "--json", path("x.json")} << 2;
        QTest::newRow("two sources") << QStringList{path("raw.txt"), "--archived", "--pdf", path("x.pdf")} << 2;
        QTest::newRow("missing file") << QStringList{path("missing.txt"), "--pdf", path("x.pdf")} << 1;
        QTest::newRow("no folder") << QStringList{path("raw.txt"), "--pdf", path("no/dir/x.pdf")} << 1;
    }
    void reportOfSavedFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        int exited = -1;
        QVERIFY(filesRun(cli, QStringList{QStringLiteral("report")} + arguments, 60000, nullptr, &exited));
        QCOMPARE(exited, exitCode);
        if (exitCode != 0) {
            QVERIFY(!QFile::exists(path("x.pdf")) && !QFile::exists(path("x.json")));
            return;
        }
        QVERIFY(readAll(path("r.pdf")).startsWith("%PDF-"));
        const QJsonObject sideB = QJsonDocument::fromJson(readAll(path("r.json"))).object()
            .value(QLatin1String("sides")).toObject().value(QLatin1String("B")).toObject();
        QCOMPARE(sideB.value(QLatin1String("records")).toInt(), 3);
        QCOMPARE(sideB.value(QLatin1String("outcome")).toString(), QStringLiteral("saved-file"));
    }

    // Converting onto a full disk over an existing file: exit 1 with the
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
        const QByteArray old = QByteArray("the good file from last week\r\n").repeated(1500);
        QVERIFY(full.place(fileName, old));
        if (!full.seal(4096))
            QSKIP(qPrintable(full.why()));
        qInfo("full disk: %s", qPrintable(full.kind()));
        QByteArray output;
        QCOMPARE(run({path("big.txt"), option, full.filePath(fileName)}, &output), 1);
        QVERIFY2(output.contains("could not write " + full.filePath(fileName).toUtf8() + ": "), output.constData());
        QCOMPARE(full.entries(), QStringList{fileName});
        QCOMPARE(readAll(full.filePath(fileName)), old);
    }

    void downloadWritesCsvAndOds()
    {
        QVERIFY2(QFile::exists(SimulatedUnit::program()), qPrintable(SimulatedUnit::program()));
        SimulatedUnit unit;
        QVERIFY2(unit.start({"--no-pacing", "--records-a", "20", "--records-b", "15"}), qPrintable(unit.error()));
        QByteArray output;
        int exitCode = -1;
        QVERIFY(filesRun(cli,
                         {"download", "--port", unit.devicePath(), "--count", "20", "--quiet", "--lang", "2",
                          "--csv", path("dl.csv"), "--ods", path("dl.ods"), "--json", path("dl.json")},
                         120000, &output, &exitCode));
        QVERIFY2(exitCode == 0, output.constData());
        QVERIFY(readAll(path("dl.csv")).startsWith(textIn(54, 2).toUtf8() + "\r\n"));
        QCOMPARE(filesZipEntries(path("dl.ods")).size(), 9);
        // The CSV of the download reads back to the records the download got.
        QCOMPARE(run({path("dl.csv"), "--json", path("dl2.json")}), 0);
        QCOMPARE(sideOf(path("dl2.json"), "sideA").size(), 20);
        QCOMPARE(sideOf(path("dl2.json"), "sideA"), sideOf(path("dl.json"), "sideA"));
        QCOMPARE(sideOf(path("dl2.json"), "sideB"), sideOf(path("dl.json"), "sideB"));
        QVERIFY(QDir(dir.path()).entryList({".kelmora-*"}, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(filesRun(cli, {"download", "--port", unit.devicePath(), "--csv", path("x.csv"), "--lang", "9"},
                         60000, nullptr, &exitCode));
        QCOMPARE(exitCode, 2);
    }
    // kelmora-cli visits on a prepared archive: the units, or one unit's
    // downloads with per side the records, the outcome and the share of the
    // fillings put in that lie within 85-115 %; the note cut short is named
    // among the problems, on stderr and in the JSON, and fails nothing.
    void visitsOfPreparedArchive_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");  // in the text output, or the unit of the JSON
        QTest::newRow("units, JSON") << QStringList{"--json"} << 0 << QString();
        QTest::newRow("a unit, JSON") << QStringList{"--unit", "4711", "--json"} << 0 << "4711";
        QTest::newRow("the cut note's unit, JSON") << QStringList{"--unit", "99", "--json"} << 0 << "99";
        QTest::newRow("a unit, text") << QStringList{"--unit", "4711"} << 0 << "interrupted  60.0 %";
        QTest::newRow("units, text") << QStringList{} << 0 << "4711      2025-06-14T08:00:00Z  3";
        QTest::newRow("no serial number") << QStringList{"--unit", "A7"} << 2 << QString();
    }
    void visitsOfPreparedArchive()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const QString root = path("visits-archive");
        QString error;
        QVERIFY2(QDir(root).exists() || filesWriteVisitArchive(root, &error), qPrintable(error));
        qputenv(archiveFolderVariable, root.toUtf8());
        QProcess process;
        process.start(cli, QStringList{QStringLiteral("visits")} + arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        if (exitCode != 0)
            return;
        // Only a listing that reads the folder of unit 99 meets its cut note.
        const int problems = arguments.contains(QStringLiteral("--unit")) && said != QLatin1String("99") ? 0 : 1;
        QCOMPARE(err.count("20250615-070000Z.json"), problems);
        if (!arguments.contains(QStringLiteral("--json"))) {
            QVERIFY2(out.contains(said.toUtf8()), out.constData());
            return;
        }
        const QJsonObject document = QJsonDocument::fromJson(out).object();
        QCOMPARE(document.value("problems").toArray().size(), problems);
        QStringList lines;
        if (said.isEmpty()) {
            for (const QJsonValue& unit : document.value("units").toArray())
                lines << unit["unit"].toString() + ' ' + unit["lastVisit"].toString() + ' '
                             + QString::number(unit["downloads"].toInt());
            QCOMPARE(lines, QStringList({"99 2025-06-15T07:00:00Z 2", "815 2025-06-13T09:00:00Z 1",
                                         "4711 2025-06-14T08:00:00Z 3"}));
            return;
        }
        for (const QJsonValue& download : document.value("downloads").toArray()) {
            QStringList parts{download["time"].toString()};
            const QJsonArray sides = download["sides"].toArray();
            for (char letter : {'A', 'B'}) {
                QJsonObject side;
                for (const QJsonValue& each : sides)
                    if (each["side"].toString() == QLatin1Char(letter))
                        side = each.toObject();
                parts << filesVisitSideText(letter, !side.isEmpty(), side.value("records").toInt(),
                                            side.value("outcome").toString(), side.value("inBandShare").toDouble(-1));
            }
            lines << parts.join(' ');
        }
        QCOMPARE(lines, filesExpectedVisitLines(said));
    }
};

QTEST_GUILESS_MAIN(TestConvertCli)
#include "tst_convertcli.moc"
