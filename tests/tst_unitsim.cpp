// The simulated unit as the reader's peer: its replies, its checks of the
// register checksum, the history lines and the faults it plays.
#include "sim_rawline.h"
#include "sim_unit.h"

#include <QDateTime>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

QByteArray ask(RawLine& line, const QByteArray& command, int maxMs = 2000)
{
    line.write(command + "\r\n");
    return line.readLine(maxMs);
}

QByteArray registerCommand(const QByteArray& body)
{
    return body + QByteArray::number(testRegisterChecksum(body));
}

// Splits a register reply and checks its trailing checksum.
QList<QByteArray> checkedRegisterReply(const QByteArray& reply)
{
    const int last = reply.lastIndexOf(';');
    if (last < 0 || reply.mid(last + 1).toInt() != testRegisterChecksum(reply.left(last + 1)))
        return {};
    return reply.split(';');
}

QList<QByteArray> historyLines(RawLine& line, const QByteArray& request)
{
    line.write(request + "\r\n");
    const QByteArray all = line.readUntilSilent(400, 10000);
    QList<QByteArray> lines = all.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Started
{
    SimulatedUnit unit;
    RawLine line;
};

} // namespace

class TestUnitSim : public QObject
{
    Q_OBJECT

private slots:
    void helpAndBadOptions();
    void identityReplies();
    void settingCommandsAnswerAndStore();
    void registerReadsCarryAValidChecksum();
    void wrongChecksumAnswersErrorOne();
    void clockWriteIsReadBack();
    void historyLineFormats_data();
    void historyLineFormats();
    void historyValuesAreRealistic();
    void historyIsDeterministicPerSeed();
    void jsonDumpMatchesTheLines();
    void cutAfterClosesTheLine();
    void silentFirstIgnoresQueries();
    void faultRepliesAsConfigured();
    void pacingFollowsTheBaudRate();
    void logCarriesCommandTimes();

private:
    bool startUnit(Started& s, QStringList args)
    {
        if (!s.unit.start(args)) {
            qWarning() << s.unit.error();
            return false;
        }
        return s.line.openDevice(s.unit.devicePath());
    }
};

void TestUnitSim::helpAndBadOptions()
{
    QProcess help;
    help.start(SimulatedUnit::program(), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char* option : {"--records-a", "--words", "--cut-after", "--silent-first", "--json-dump",
                               "--log", "--no-pacing", "--bad-checksum-reply", "--noise"})
        QVERIFY2(text.contains(option), option);

    for (const QStringList& bad : {QStringList{"--words", "13"}, QStringList{"--tag", "Nx"},
                                   QStringList{"--records-a", "many"}, QStringList{"--no-such-option"}}) {
        QProcess run;
        run.start(SimulatedUnit::program(), bad);
        QVERIFY(run.waitForFinished(5000));
        QCOMPARE(run.exitCode(), 2);
        QVERIFY(run.readAllStandardOutput().isEmpty()); // no device path printed
    }
}

void TestUnitSim::identityReplies()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--hvn", "2.5", "--svn", "B1.36", "--imp", "250", "--snr", "4711",
                          "--status-a", "17", "--status-b", "0", "--flags", "3", "--pcm", "PCM TEXT"}));
    QCOMPARE(ask(s.line, "TXP.C.HVN"), QByteArray("HVN.C:2.5"));
    QCOMPARE(ask(s.line, "TXP.C.SVN"), QByteArray("SVN.C:B1.36"));
    QCOMPARE(ask(s.line, "TXP.C.IMP"), QByteArray("IMP.C:250"));
    QCOMPARE(ask(s.line, "TXP.C.SNR"), QByteArray("SNR.C:4711"));
    QCOMPARE(ask(s.line, "GET.C.STS"), QByteArray("STS.C:17 0"));
    QCOMPARE(ask(s.line, "TXP.C.FLG"), QByteArray("FLG.C:3"));
    QCOMPARE(ask(s.line, "GET.C.PCM"), QByteArray("PCM.C:PCM TEXT"));
    QCOMPARE(ask(s.line, "XYZ.C.ABC"), QByteArray("ERR.C:UNKNOWN"));
}

void TestUnitSim::settingCommandsAnswerAndStore()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing"}));
    QCOMPARE(ask(s.line, "RXP.C.BTA 1 1"), QByteArray("BTA.C:1 1"));
    QCOMPARE(ask(s.line, "STP.C.CON"), QByteArray("STP.C:CON"));
    QCOMPARE(ask(s.line, "RXP.C.IMP 320"), QByteArray("IMP.C:320"));
    QCOMPARE(ask(s.line, "TXP.C.IMP"), QByteArray("IMP.C:320"));
    QCOMPARE(ask(s.line, "RXP.C.IMP abc"), QByteArray("ERR.C:IMP"));
    QCOMPARE(ask(s.line, "TXP.C.IMP"), QByteArray("IMP.C:320"));
}

void TestUnitSim::registerReadsCarryAValidChecksum()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--reg101", "42", "--reg104", "44"}));
    QCOMPARE(registerCommand("R;12345;C;110;"), QByteArray("R;12345;C;110;22"));
    const QList<QByteArray> r101 = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;101;")));
    QCOMPARE(r101, (QList<QByteArray>{"r", "12345", "C", "101", "42", r101.value(5)}));
    const QList<QByteArray> r104 = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;104;")));
    QCOMPARE(r104.value(4), QByteArray("44"));
    // Another unit's address: a unit on a shared line keeps quiet.
    s.line.write(registerCommand("R;999;C;101;") + "\r\n");
    QVERIFY(s.line.readUntilSilent(300, 600).isEmpty());
    // Unknown register: error 2.
    const QList<QByteArray> unknown = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;555;")));
    QCOMPARE(unknown.mid(0, 4), (QList<QByteArray>{"e", "12345", "C", "2"}));
}

void TestUnitSim::wrongChecksumAnswersErrorOne()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing"}));
    for (const QByteArray& bad : {QByteArray("R;12345;C;110;23"), QByteArray("R;12345;C;110;21"),
                                  QByteArray("R;12345;C;110;x"), QByteArray("W;12345;C;110;240305;0709;1")}) {
        const QList<QByteArray> reply = checkedRegisterReply(ask(s.line, bad));
        QCOMPARE(reply.mid(0, 4), (QList<QByteArray>{"e", "12345", "C", "1"}));
    }
}

void TestUnitSim::clockWriteIsReadBack()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing"}));
    const QList<QByteArray> now = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;110;")));
    QCOMPARE(now.size(), 7);
    QCOMPARE(now.value(4), QDateTime::currentDateTime().toString("yyMMdd").toLatin1());

    const QList<QByteArray> written =
        checkedRegisterReply(ask(s.line, registerCommand("W;12345;C;110;240305;0709;")));
    QCOMPARE(written.mid(0, 6), (QList<QByteArray>{"w", "12345", "C", "110", "240305", "0709"}));
    const QList<QByteArray> after = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;110;")));
    QCOMPARE(after.value(4), QByteArray("240305"));
    QVERIFY2(after.value(5) == "0709" || after.value(5) == "0710", after.value(5));

    const QList<QByteArray> invalid =
        checkedRegisterReply(ask(s.line, registerCommand("W;12345;C;110;241305;0709;")));
    QCOMPARE(invalid.mid(0, 4), (QList<QByteArray>{"e", "12345", "C", "3"}));
}

void TestUnitSim::historyLineFormats_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QList<int>>("wordCounts");
    QTest::addColumn<QString>("firstWord");
    QTest::newRow("14 words") << QStringList{} << QList<int>{14} << "A=Nr\\.\\d+";
    QTest::newRow("12 words") << QStringList{"--words", "12"} << QList<int>{12} << "A=Nr\\.\\d+";
    QTest::newRow("11 words, No, colon") << QStringList{"--words", "11", "--tag", "No", "--separator", ":"}
                                         << QList<int>{11} << "A=No:\\d+";
    QTest::newRow("mixed") << QStringList{"--words", "mixed"} << QList<int>{11, 12, 14} << "A=Nr\\.\\d+";
}

void TestUnitSim::historyLineFormats()
{
    QFETCH(QStringList, args);
    QFETCH(QList<int>, wordCounts);
    QFETCH(QString, firstWord);
    Started s;
    QVERIFY(startUnit(s, args + QStringList{"--no-pacing", "--records-a", "60", "--records-b", "5"}));
    const QList<QByteArray> lines = historyLines(s.line, "GET.A.HIS40");
    QCOMPARE(lines.size(), 40);
    const QRegularExpression word0(QStringLiteral("^") + firstWord + QStringLiteral("$"));
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QRegularExpression date(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"));
    QSet<int> seenCounts;
    for (const QByteArray& raw : lines) {
        QVERIFY2(raw.endsWith('\r'), raw.constData()); // every line ends in CR LF
        const QStringList words = QString::fromLatin1(raw.chopped(1)).split(QLatin1Char(' '));
        QVERIFY2(wordCounts.contains(words.size()), raw.constData());
        seenCounts.insert(int(words.size()));
        QVERIFY2(word0.match(words[0]).hasMatch(), qPrintable(words[0]));
        QVERIFY(time.match(words[1]).hasMatch());
        QVERIFY(date.match(words[2]).hasMatch());
        QVERIFY(QDateTime::fromString(words[2] + " " + words[1], "dd.MM.yyyy hh:mm:ss").isValid());
        if (words.size() == 14)
            QVERIFY(words[13] == "NOLIM" || words[13] == "SWOFF" || words[13].toUInt() > 0);
    }
    QCOMPARE(seenCounts.size(), wordCounts.size());
    // Asking for more than the unit holds sends what it has.
    QCOMPARE(historyLines(s.line, "GET.B.HIS200").size(), 5);
    QVERIFY(historyLines(s.line, "GET.B.HIS200").first().startsWith("B=N"));
}

void TestUnitSim::historyValuesAreRealistic()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--records-a", "300", "--seed", "9"}));
    const QList<QByteArray> lines = historyLines(s.line, "GET.A.HIS300");
    QCOMPARE(lines.size(), 300);
    int previousNumber = -1;
    QDateTime previousTime;
    bool lowLevel = false, highLevel = false;
    for (const QByteArray& raw : lines) {
        const QStringList w = QString::fromLatin1(raw.trimmed()).split(QLatin1Char(' '));
        const int number = w[0].mid(5).toInt();
        QVERIFY(number > previousNumber);
        previousNumber = number;
        const QDateTime time = QDateTime::fromString(w[2] + " " + w[1], "dd.MM.yyyy hh:mm:ss");
        QVERIFY(!previousTime.isValid() || time > previousTime);
        previousTime = time;
        lowLevel |= w[3].toInt() < 11;
        highLevel |= w[3].toInt() > 11;
        QVERIFY(w[5].toDouble() >= 80 && w[5].toDouble() <= 120);
        QVERIFY(w[7].toDouble() >= 5 && w[7].toDouble() <= 35);
        QVERIFY(w[10].toDouble() >= 20 && w[10].toDouble() <= 45);
        for (int i = 5; i <= 12; ++i)
            QVERIFY2(w[i].toDouble() >= 0 && w[i].toDouble() <= 200, qPrintable(w[i]));
    }
    QVERIFY(lowLevel && highLevel);
}

void TestUnitSim::historyIsDeterministicPerSeed()
{
    Started a, b, c;
    QVERIFY(startUnit(a, {"--no-pacing", "--seed", "5"}));
    QVERIFY(startUnit(b, {"--no-pacing", "--seed", "5"}));
    QVERIFY(startUnit(c, {"--no-pacing", "--seed", "6"}));
    const QList<QByteArray> first = historyLines(a.line, "GET.B.HIS20");
    QCOMPARE(first.size(), 20);
    QCOMPARE(historyLines(b.line, "GET.B.HIS20"), first);
    QVERIFY(historyLines(c.line, "GET.B.HIS20") != first);
    QVERIFY(historyLines(a.line, "GET.A.HIS20") != first);
}

void TestUnitSim::jsonDumpMatchesTheLines()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--words", "mixed", "--records-a", "30", "--records-b", "30"}));
    const QList<QByteArray> lines = historyLines(s.line, "GET.B.HIS12");
    const QJsonArray sideB = s.unit.jsonDump().value("sideB").toArray();
    QVERIFY(!s.unit.jsonDump().contains("sideA"));
    QCOMPARE(sideB.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList w = QString::fromLatin1(lines[i].trimmed()).split(QLatin1Char(' '));
        const QJsonObject r = sideB[i].toObject();
        QCOMPARE(r.value("number").toInt(), w[0].mid(5).toInt());
        QCOMPARE(r.value("separator").toString(), w[0].mid(4, 1));
        QCOMPARE(r.value("timestamp").toString(),
                 QDateTime::fromString(w[2] + " " + w[1], "dd.MM.yyyy hh:mm:ss").toString(Qt::ISODate));
        QCOMPARE(r.value("levelCode").toInt(), w[3].toInt());
        QCOMPARE(r.value("ratePercent").toDouble(), w[5].toDouble());
        QCOMPARE(r.value("fuelFlow").toDouble(), w[10].toDouble());
        QCOMPARE(r.value("optionalFirst").toDouble(), w.size() >= 12 ? w[11].toDouble() : 0.0);
        const int limit = w.size() < 14 ? 0 : w[13] == "NOLIM" ? 0 : w[13] == "SWOFF" ? -1 : w[13].toInt();
        QCOMPARE(r.value("limit").toInt(), limit);
    }
}

void TestUnitSim::cutAfterClosesTheLine()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--cut-after", "500"}));
    const QString device = s.unit.devicePath();
    QCOMPARE(ask(s.line, "TXP.C.HVN"), QByteArray("HVN.C:1.2")); // single replies do not count
    s.line.write("GET.A.HIS100\r\n");
    const QByteArray received = s.line.readUntilSilent(500, 5000);
    QCOMPARE(received.size(), 500);
    Started whole;
    QVERIFY(startUnit(whole, {"--no-pacing"}));
    whole.line.write("GET.A.HIS100\r\n");
    QCOMPARE(received, whole.line.readUntilSilent(500, 5000).left(500));
    QVERIFY(s.unit.waitForExit(3000));
    s.line.readUntilSilent(50, 200);
    QVERIFY(s.line.hungUp());
    // Only complete lines are in the dump.
    QCOMPARE(s.unit.jsonDump().value("sideA").toArray().size(), received.count("\r\n"));
}

void TestUnitSim::silentFirstIgnoresQueries()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing", "--silent-first", "2"}));
    bool complete = true;
    QCOMPARE(s.line.readLine(0), QByteArray());
    s.line.write("TXP.C.HVN\r\n");
    QVERIFY(s.line.readLine(400, &complete).isEmpty() && !complete);
    s.line.write("TXP.C.HVN\r\n");
    QVERIFY(s.line.readLine(400, &complete).isEmpty() && !complete);
    QCOMPARE(ask(s.line, "TXP.C.HVN"), QByteArray("HVN.C:1.2"));
    QCOMPARE(s.unit.logEntries().size(), 3); // ignored commands are still logged
}

void TestUnitSim::faultRepliesAsConfigured()
{
    {
        Started s;
        QVERIFY(startUnit(s, {"--no-pacing", "--fail-status", "--fail-reg101"}));
        QCOMPARE(ask(s.line, "GET.C.STS"), QByteArray("STS.C:5"));
        const QList<QByteArray> e = checkedRegisterReply(ask(s.line, registerCommand("R;12345;C;101;")));
        QCOMPARE(e.mid(0, 4), (QList<QByteArray>{"e", "12345", "C", "3"}));
    }
    {
        Started s;
        QVERIFY(startUnit(s, {"--no-pacing", "--noise"}));
        const QByteArray reply = ask(s.line, "TXP.C.SNR");
        QVERIFY(reply.endsWith("SNR.C:12345"));
        const QByteArray junk = reply.chopped(11);
        QVERIFY(!junk.isEmpty());
        for (char c : junk)
            QVERIFY(!(c >= 'A' && c <= 'Z') && c != '\r' && c != 'r' && c != 'w' && c != 'e');
    }
    {
        Started s;
        QVERIFY(startUnit(s, {"--no-pacing", "--cut-reply"}));
        s.line.write("TXP.C.SNR\r\n");
        QCOMPARE(s.line.readUntilSilent(300, 1000), QByteArray("SNR.C:12345"));
    }
    {
        Started s;
        QVERIFY(startUnit(s, {"--no-pacing", "--bad-checksum-reply"}));
        const QByteArray reply = ask(s.line, registerCommand("R;12345;C;101;"));
        QVERIFY(reply.startsWith("r;12345;C;101;7;"));
        QVERIFY(checkedRegisterReply(reply).isEmpty());
    }
    {
        Started s;
        QVERIFY(startUnit(s, {"--no-pacing", "--text-checksum-reply"}));
        QCOMPARE(ask(s.line, registerCommand("R;12345;C;101;")), QByteArray("r;12345;C;101;7;x"));
    }
}

void TestUnitSim::pacingFollowsTheBaudRate()
{
    Started s;
    QVERIFY(startUnit(s, {"--records-a", "10"}));
    s.line.write("GET.A.HIS10\r\n");
    const QList<RawLine::Arrival> arrivals = s.line.readTimed(5000, 10 * 60);
    QVERIFY(!arrivals.isEmpty());
    int total = 0;
    for (const RawLine::Arrival& a : arrivals)
        total += a.bytes.size();
    QVERIFY(total >= 600);
    // 960 bytes per second at most, like a 9600-baud line.
    const qint64 spanMs = arrivals.last().ms - arrivals.first().ms;
    QVERIFY2(spanMs >= (total - 20) * 1000 / 960 - 20, qPrintable(QString::number(spanMs)));
}

void TestUnitSim::logCarriesCommandTimes()
{
    Started s;
    QVERIFY(startUnit(s, {"--no-pacing"}));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    ask(s.line, "TXP.C.HVN");
    QThread::msleep(300);
    ask(s.line, "TXP.C.SNR");
    const QList<SimulatedUnit::LogEntry> log = s.unit.logEntries();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].command, QByteArray("TXP.C.HVN"));
    QCOMPARE(log[1].command, QByteArray("TXP.C.SNR"));
    QVERIFY(log[0].ms >= before - 5);
    QVERIFY(log[1].ms - log[0].ms >= 290);
}

QTEST_GUILESS_MAIN(TestUnitSim)
#include "tst_unitsim.moc"
