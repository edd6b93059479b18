#include "unitsim_unit.h"

#include <QDateTime>

#include <algorithm>

namespace {

// Junk a real line picks up now and then: no CR, no upper-case letter and
// none of the register reply letters, so a sound reader skips it.
const QByteArray noiseBytes("\x00\x1b~#%\x7f\xfe*", 8);

bool toInt(const QByteArray& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

} // namespace

SimulatedUnitLogic::SimulatedUnitLogic(const UnitSimOptions& o)
    : options(o),
      historyA(generateHistory('A', o.recordsA, o)),
      historyB(generateHistory('B', o.recordsB, o))
{
}

int SimulatedUnitLogic::registerChecksum(const QByteArray& text)
{
    int sum = 0;
    for (char c : text)
        sum += static_cast<signed char>(c);
    while (sum > 255)
        sum -= 255;
    return sum + 1;
}

QByteArray SimulatedUnitLogic::singleLine(const QByteArray& text) const
{
    QByteArray out;
    if (options.noise)
        out += noiseBytes;
    out += text;
    if (!options.cutReply)
        out += "\r\n";
    return out;
}

UnitReply SimulatedUnitLogic::answer(const QByteArray& command)
{
    ++commandsSeen;
    if (options.vanishAfterCommands > 0 && commandsSeen >= options.vanishAfterCommands) {
        UnitReply gone;
        gone.closeLine = true;  // unplugged before this command is answered
        return gone;
    }
    if (commandsSeen <= options.silentFirst)
        return {};
    if (command.startsWith("GET.A.HIS") || command.startsWith("GET.B.HIS"))
        return answerHistory(command.at(4), command.mid(9));
    UnitReply reply;
    if (command.startsWith("R;") || command.startsWith("W;")) {
        const QByteArray line = answerRegister(command);
        if (!line.isEmpty())
            reply.bytes = singleLine(line);
        return reply;
    }
    reply.bytes = singleLine(answerNamed(command));
    return reply;
}

QByteArray SimulatedUnitLogic::answerNamed(const QByteArray& command)
{
    const QByteArray cmd = command.trimmed();
    if (cmd == "TXP.C.HVN")
        return "HVN.C:" + options.hardwareVersion.toLatin1();
    if (cmd == "TXP.C.SVN")
        return "SVN.C:" + options.softwareVersion.toLatin1();
    if (cmd == "TXP.C.IMP")
        return "IMP.C:" + QByteArray::number(options.pulseInput);
    if (cmd == "TXP.C.SNR")
        return "SNR.C:" + QByteArray::number(options.serialNumber);
    if (cmd == "GET.C.STS") {
        if (options.failStatus)
            return "STS.C:" + QByteArray::number(options.statusSideA);
        return "STS.C:" + QByteArray::number(options.statusSideA) + ' '
               + QByteArray::number(options.statusSideB);
    }
    if (cmd == "TXP.C.FLG")
        return "FLG.C:" + QByteArray::number(options.flags);
    if (cmd == "GET.C.PCM")
        return "PCM.C:" + options.pcmText.toLatin1();
    if (cmd == "STP.C.CON")
        return "STP.C:CON";
    if (cmd.startsWith("RXP.C.BTA ")) {
        const QList<QByteArray> args = cmd.mid(10).split(' ');
        int first = 0, second = 0;
        if (args.size() != 2 || !toInt(args[0], first) || !toInt(args[1], second))
            return "ERR.C:BTA";
        operationMode = first;
        return "BTA.C:" + QByteArray::number(first) + ' ' + QByteArray::number(second);
    }
    if (cmd.startsWith("RXP.C.IMP ")) {
        int value = 0;
        if (!toInt(cmd.mid(10), value) || value < 0)
            return "ERR.C:IMP";
        options.pulseInput = value;
        return "IMP.C:" + QByteArray::number(value);
    }
    return "ERR.C:UNKNOWN";
}

UnitReply SimulatedUnitLogic::answerHistory(char side, const QByteArray& countText)
{
    UnitReply reply;
    reply.history = true;
    int wanted = 0;
    if (!toInt(countText, wanted) || wanted <= 0 || side == options.silentSide)
        return reply;
    const QVector<SimRecord>& history = side == 'A' ? historyA : historyB;
    QJsonArray& sent = side == 'A' ? sentA : sentB;
    (side == 'A' ? sentAnyA : sentAnyB) = true;
    sent = QJsonArray();
    // The newest records, oldest of them first unless the unit lists them
    // the other way round.
    const int first = std::max(0, int(history.size()) - wanted);
    for (int n = first; n < history.size(); ++n) {
        const int i = options.newestFirst ? int(history.size()) - 1 - (n - first) : n;
        QByteArray line = historyLine(side, history[i], options);
        if (options.oddLine && n == first)
            line = QByteArray(1, side) + "=Nr.0 00:00:00 01.01.2024 1 2 3 4 5 6 7 8 9 10\r\n" + line;
        if (options.stallAfter >= 0 && historyBytesSent + line.size() > options.stallAfter) {
            // The stream stops in the middle of this line; the line stays up.
            const qint64 part = std::max<qint64>(0, options.stallAfter - historyBytesSent);
            reply.bytes += line.left(int(part));
            historyBytesSent += part;
            return reply;
        }
        if (options.cutAfter >= 0 && historyBytesSent + line.size() > options.cutAfter) {
            // The cable is pulled in the middle of this line.
            const qint64 part = options.cutAfter - historyBytesSent;
            reply.bytes += line.left(int(part));
            historyBytesSent += part;
            reply.closeLine = true;
            return reply;
        }
        reply.bytes += line;
        historyBytesSent += line.size();
        sent.append(recordJson(history[i], options.separator));
    }
    if (options.cutAfter >= 0 && historyBytesSent >= options.cutAfter)
        reply.closeLine = true;
    return reply;
}

QJsonObject SimulatedUnitLogic::sentRecords() const
{
    QJsonObject document;
    if (sentAnyA)
        document[QStringLiteral("sideA")] = sentA;
    if (sentAnyB)
        document[QStringLiteral("sideB")] = sentB;
    return document;
}

QByteArray SimulatedUnitLogic::registerReply(char kind, const QByteArray& address, const QByteArray& side,
                                             const QByteArray& fourth, const QList<QByteArray>& values) const
{
    QByteArray text;
    text += kind;
    text += ';' + address + ';' + side + ';' + fourth + ';';
    for (const QByteArray& v : values)
        text += v + ';';
    const int checksum = registerChecksum(text);
    if (options.textChecksumReply)
        return text + 'x';
    return text + QByteArray::number(options.badChecksumReply ? checksum + 1 : checksum);
}

QList<QByteArray> SimulatedUnitLogic::clockValues() const
{
    const QDateTime now = QDateTime::currentDateTime().addSecs(clockOffsetSecs);
    return {now.toString(QStringLiteral("yyMMdd")).toLatin1(), now.toString(QStringLiteral("hhmm")).toLatin1()};
}

bool SimulatedUnitLogic::setClock(const QList<QByteArray>& data)
{
    if (data.size() != 2 || data[0].size() != 6 || data[1].size() != 4)
        return false;
    const QDate date = QDate::fromString(QString::fromLatin1("20" + data[0]), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(QString::fromLatin1(data[1]), QStringLiteral("hhmm"));
    if (!date.isValid() || !time.isValid())
        return false;
    clockOffsetSecs = QDateTime::currentDateTime().secsTo(QDateTime(date, time));
    return true;
}

// "R;addr;side;reg;chk" and "W;addr;side;reg;data...;chk". A command for
// another address stays unanswered, as on a shared bus; a wrong checksum is
// error 1, an unknown register error 2, unusable data error 3.
QByteArray SimulatedUnitLogic::answerRegister(const QByteArray& command)
{
    const QList<QByteArray> fields = command.trimmed().split(';');
    const bool write = fields[0] == "W";
    const QByteArray address = fields.value(1);
    const QByteArray side = fields.value(2).isEmpty() ? QByteArray("C") : fields.value(2);
    const int lastSeparator = command.trimmed().lastIndexOf(';');
    int checksum = 0;
    if (fields.size() < (write ? 6 : 5) || !toInt(fields.last(), checksum)
        || checksum != registerChecksum(command.left(lastSeparator + 1)))
        return registerReply('e', address, side, "1", {});
    int addressValue = 0;
    if (!toInt(address, addressValue) || addressValue != options.serialNumber)
        return {};
    int reg = 0;
    if (!toInt(fields[3], reg))
        return registerReply('e', address, side, "2", {});
    const QList<QByteArray> data = fields.mid(4, fields.size() - 5);
    const char kind = write ? 'w' : 'r';
    if (reg == 101 && options.failRegister101 && !write)
        return registerReply('e', address, side, "3", {});
    if (reg == 101 || reg == 104) {
        int& value = reg == 101 ? options.register101 : options.register104;
        if (write) {
            int v = 0;
            if (data.size() != 1 || !toInt(data[0], v))
                return registerReply('e', address, side, "3", {});
            value = v;
        }
        return registerReply(kind, address, side, fields[3], {QByteArray::number(value)});
    }
    if (reg == 110) {
        if (write && !setClock(data))
            return registerReply('e', address, side, "3", {});
        return registerReply(kind, address, side, fields[3], write ? data : clockValues());
    }
    return registerReply('e', address, side, "2", {});
}
