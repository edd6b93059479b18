#include "unitsim_options.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

const char* const helpText =
    "Simulated Kelmora unit on a pseudo-terminal.\n"
    "Prints the device path of its line as the first line on stdout, announces\n"
    "itself to the tool's port list and answers the unit's commands until it\n"
    "gets SIGTERM or SIGINT.\n";

struct IntOption
{
    const char* name;
    const char* description;
    int* target;
};

bool readInt(const QCommandLineParser& parser, const QString& name, qint64 low, qint64 high, qint64& value)
{
    bool ok = false;
    const qint64 v = parser.value(name).toLongLong(&ok);
    if (!ok || v < low || v > high) {
        std::fprintf(stderr, "kelmora-unitsim: bad value for --%s: %s\n", qPrintable(name),
                     qPrintable(parser.value(name)));
        return false;
    }
    value = v;
    return true;
}

} // namespace

bool parseUnitSimOptions(const QStringList& arguments, UnitSimOptions& o, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(helpText));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    parser.addOption(help);

    const IntOption intOptions[] = {
        {"imp", "Pulse input (TXP.C.IMP), default 100.", &o.pulseInput},
        {"snr", "Serial number = register address (TXP.C.SNR), default 12345.", &o.serialNumber},
        {"status-a", "Status word of side A (GET.C.STS), default 5.", &o.statusSideA},
        {"status-b", "Status word of side B (GET.C.STS), default 6.", &o.statusSideB},
        {"flags", "Flags (TXP.C.FLG), default 0.", &o.flags},
        {"reg101", "Value of register 101, default 7.", &o.register101},
        {"reg104", "Value of register 104 (country code), default 49.", &o.register104},
        {"records-a", "History records kept for side A, default 300.", &o.recordsA},
        {"records-b", "History records kept for side B, default 300.", &o.recordsB},
        {"first-number", "Number of the oldest history record of each side (default: from the seed).\n"
                         "The same seed with more records adds newer records to the same history;\n"
                         "another seed with the same first number is a unit reset or replaced.", &o.firstNumber},
        {"skip-number", "Leave this record number out of the history (a gap the unit made).", &o.skipNumber},
        {"silent-first", "Ignore the first N commands (no reply), default 0.", &o.silentFirst},
        {"vanish-after-commands", "Close the line and exit on receiving the Nth command (adapter unplugged).", &o.vanishAfterCommands},
    };
    for (const IntOption& opt : intOptions)
        parser.addOption({QString::fromLatin1(opt.name), QString::fromLatin1(opt.description), QStringLiteral("N")});
    parser.addOptions({
        {QStringLiteral("hvn"), QStringLiteral("Hardware version text (TXP.C.HVN), default 1.2."), QStringLiteral("TEXT")},
        {QStringLiteral("svn"), QStringLiteral("Software version text (TXP.C.SVN), default 1.35."), QStringLiteral("TEXT")},
        {QStringLiteral("pcm"), QStringLiteral("PCM text (GET.C.PCM), default \"KLM-PCM 4.2\"."), QStringLiteral("TEXT")},
        {QStringLiteral("words"), QStringLiteral("Words per history line: 11, 12, 14 or mixed; default 14."), QStringLiteral("W")},
        {QStringLiteral("tag"), QStringLiteral("Record tag in word 0: Nr or No; default Nr."), QStringLiteral("TAG")},
        {QStringLiteral("separator"), QStringLiteral("Separator character before the record number; default \".\"."), QStringLiteral("C")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the generated history, default 1."), QStringLiteral("S")},
        {QStringLiteral("baud-pacing"), QStringLiteral("Send about one byte per 1.04 ms like a 9600-baud line (default).")},
        {QStringLiteral("no-pacing"), QStringLiteral("Send replies at once (fast tests).")},
        {QStringLiteral("newest-first"), QStringLiteral("List history replies newest record first.")},
        {QStringLiteral("odd-line"), QStringLiteral("Send one side-tagged line of 13 words (no record) in every history reply.")},
        {QStringLiteral("fail-status"), QStringLiteral("Answer GET.C.STS with a single number (no space).")},
        {QStringLiteral("fail-reg101"), QStringLiteral("Answer reads of register 101 with error code 3.")},
        {QStringLiteral("noise"), QStringLiteral("Send junk bytes (no CR, no letters) before every single-line reply.")},
        {QStringLiteral("cut-after"), QStringLiteral("Close the line and exit after this many history bytes (pulled cable)."), QStringLiteral("BYTES")},
        {QStringLiteral("stall-after"), QStringLiteral("Fall silent after this many history bytes, line kept open (cable cut behind the adapter)."), QStringLiteral("BYTES")},
        {QStringLiteral("silent-side"), QStringLiteral("Never answer the history request of this side (A or B)."), QStringLiteral("SIDE")},
        {QStringLiteral("bad-checksum-reply"), QStringLiteral("Register replies carry a wrong (numeric) checksum.")},
        {QStringLiteral("text-checksum-reply"), QStringLiteral("Register replies carry the checksum field \"x\".")},
        {QStringLiteral("cut-reply"), QStringLiteral("Single-line replies are sent without CR LF.")},
        {QStringLiteral("json-dump"), QStringLiteral("Write the history records sent, per side, as JSON to FILE."), QStringLiteral("FILE")},
        {QStringLiteral("write-history"), QStringLiteral("Write every history line the unit holds to PREFIX-A.txt and PREFIX-B.txt\n"
                                                         "at start, as a raw dump (what an earlier visit read)."), QStringLiteral("PREFIX")},
        {QStringLiteral("log"), QStringLiteral("Append one line per received command: <earliest ms> <latest ms> <command>, the window (ms since the epoch) in which its first byte arrived."), QStringLiteral("FILE")},
        {QStringLiteral("exit-with-parent"), QStringLiteral("End when the starting process ends.")},
    });

    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "kelmora-unitsim: %s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return false;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitCode = 0;
        return false;
    }
    exitCode = 2;
    for (const IntOption& opt : intOptions) {
        const QString name = QString::fromLatin1(opt.name);
        qint64 v = 0;
        if (parser.isSet(name)) {
            if (!readInt(parser, name, 0, 2147483647, v))
                return false;
            *opt.target = int(v);
        }
    }
    if (o.recordsA > 65535 || o.recordsB > 65535) {
        std::fputs("kelmora-unitsim: at most 65535 records per side\n", stderr);
        return false;
    }
    if (parser.isSet(QStringLiteral("hvn"))) o.hardwareVersion = parser.value(QStringLiteral("hvn"));
    if (parser.isSet(QStringLiteral("svn"))) o.softwareVersion = parser.value(QStringLiteral("svn"));
    if (parser.isSet(QStringLiteral("pcm"))) o.pcmText = parser.value(QStringLiteral("pcm"));
    if (parser.isSet(QStringLiteral("words"))) {
        o.words = parser.value(QStringLiteral("words"));
        if (!QStringList{"11", "12", "14", "mixed"}.contains(o.words)) {
            std::fputs("kelmora-unitsim: --words takes 11, 12, 14 or mixed\n", stderr);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("tag"))) {
        o.tag = parser.value(QStringLiteral("tag"));
        if (o.tag != QLatin1String("Nr") && o.tag != QLatin1String("No")) {
            std::fputs("kelmora-unitsim: --tag takes Nr or No\n", stderr);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("separator"))) {
        const QString s = parser.value(QStringLiteral("separator"));
        if (s.size() != 1 || s.at(0).unicode() < 0x21 || s.at(0).unicode() > 0x7e) {
            std::fputs("kelmora-unitsim: --separator takes one printable ASCII character\n", stderr);
            return false;
        }
        o.separator = char(s.at(0).unicode());
    }
    qint64 v = 0;
    if (parser.isSet(QStringLiteral("seed"))) {
        if (!readInt(parser, QStringLiteral("seed"), 0, 4294967295LL, v))
            return false;
        o.seed = quint32(v);
    }
    if (parser.isSet(QStringLiteral("cut-after"))) {
        if (!readInt(parser, QStringLiteral("cut-after"), 0, 1LL << 40, v))
            return false;
        o.cutAfter = v;
    }
    if (parser.isSet(QStringLiteral("stall-after"))) {
        if (!readInt(parser, QStringLiteral("stall-after"), 0, 1LL << 40, v))
            return false;
        o.stallAfter = v;
    }
    if (parser.isSet(QStringLiteral("silent-side"))) {
        const QString s = parser.value(QStringLiteral("silent-side")).toUpper();
        if (s != QLatin1String("A") && s != QLatin1String("B")) {
            std::fputs("kelmora-unitsim: --silent-side takes A or B\n", stderr);
            return false;
        }
        o.silentSide = char(s.at(0).unicode());
    }
    o.baudPacing = !parser.isSet(QStringLiteral("no-pacing"));
    o.failStatus = parser.isSet(QStringLiteral("fail-status"));
    o.failRegister101 = parser.isSet(QStringLiteral("fail-reg101"));
    o.noise = parser.isSet(QStringLiteral("noise"));
    o.newestFirst = parser.isSet(QStringLiteral("newest-first"));
    o.oddLine = parser.isSet(QStringLiteral("odd-line"));
    o.badChecksumReply = parser.isSet(QStringLiteral("bad-checksum-reply"));
    o.textChecksumReply = parser.isSet(QStringLiteral("text-checksum-reply"));
    o.cutReply = parser.isSet(QStringLiteral("cut-reply"));
    o.exitWithParent = parser.isSet(QStringLiteral("exit-with-parent"));
    o.jsonDumpPath = parser.value(QStringLiteral("json-dump"));
    o.logPath = parser.value(QStringLiteral("log"));
    o.historyFilePrefix = parser.value(QStringLiteral("write-history"));
    exitCode = 0;
    return true;
}
