#include "reader_fakeunit.h"
#include "sim_rawline.h"

#include <QList>
#include <QThread>

namespace {

QByteArray withChecksum(const QByteArray& body)
{
    return body + QByteArray::number(testRegisterChecksum(body)) + "\r\n";
}

} // namespace

QByteArray fakeHistoryLine(char side, int number)
{
    return QByteArray(1, side) + "=Nr." + QByteArray::number(number) + " 12:"
           + QByteArray::number(10 + number % 50) + ":00 05.03.2024 " + QByteArray::number(number % 20)
           + " " + QByteArray::number(number) + " 98.5 101.5 17.25 95 3.5 38.75";
}

ReaderPtyPeer::Handler ReaderFakeUnit::handler()
{
    return [this](ReaderPtyPeer& peer, const QByteArray& line) { answer(peer, line); };
}

QByteArray ReaderFakeUnit::registerReply(const QByteArray& line) const
{
    const QList<QByteArray> fields = line.split(';');
    if (fields.size() < 5)
        return QByteArray();
    const QByteArray head = fields.at(1) + ";" + fields.at(2) + ";";
    const QByteArray number = fields.at(3);
    if (fields.at(0) == "W")
        return withChecksum("w;" + head + number + ";" + fields.at(4) + ";" + fields.value(5) + ";");
    if (number == "101")
        return register101.isEmpty() ? withChecksum("e;" + head + "1;")
                                     : withChecksum("r;" + head + "101;" + register101 + ";");
    if (number == "104")
        return withChecksum("r;" + head + "104;" + register104 + ";");
    if (number == "110")
        return withChecksum("r;" + head + "110;" + clockValues + ";");
    return withChecksum("e;" + head + "2;");
}

void ReaderFakeUnit::answer(ReaderPtyPeer& peer, const QByteArray& line)
{
    QMutexLocker guard(&mutex);
    if (ignoreCommands > 0) {
        --ignoreCommands;
        return;
    }
    if (!hangUpOnCommand.isEmpty() && line == hangUpOnCommand) {
        peer.hangUp();
        return;
    }
    QByteArray reply;
    if (line == "TXP.C.HVN")
        reply = "HVN.C:" + hardwareVersion;
    else if (line == "TXP.C.SVN")
        reply = "SVN.C: " + softwareVersion + " ";
    else if (line == "TXP.C.IMP" || line.startsWith("RXP.C.IMP "))
        reply = "IMP.C:" + (line.size() > 10 ? (pulseInput = line.mid(10)) : pulseInput);
    else if (line == "TXP.C.SNR")
        reply = "SNR.C:" + serialNumber;
    else if (line == "GET.C.STS")
        reply = "STS.C:" + status;
    else if (line == "TXP.C.FLG")
        reply = "FLG.C:" + flags;
    else if (line == "GET.C.PCM")
        reply = pcmReply;
    else if (line.startsWith("RXP.C.BTA "))
        reply = "BTA.C:OK";
    else if (line == "STP.C.CON")
        reply = "STP.C:OK";
    else if (line.startsWith("GET.A.HIS"))
        return sendHistory(peer, historyA, line.mid(9).toInt());
    else if (line.startsWith("GET.B.HIS"))
        return sendHistory(peer, historyB, line.mid(9).toInt());
    else if (line.startsWith("R;") || line.startsWith("W;"))
        return peer.send(registerReply(line));
    if (!reply.isEmpty())
        peer.send(reply + "\r\n");
}

void ReaderFakeUnit::sendHistory(ReaderPtyPeer& peer, const QList<QByteArray>& lines, int count)
{
    if (lines.isEmpty())
        return;  // a side without history stays silent
    QByteArray stream = "History\r\n";
    for (int i = 0; i < lines.size() && (ignoreRequestedCount || i < count); ++i) {
        if (i == stallAfterLines) {
            stream += lines.at(i).left(lines.at(i).size() / 2);  // stops inside the record
            break;
        }
        stream += lines.at(i) + "\r\n";
    }
    // Sent in slices of 10 ms worth of bytes, as a serial line would.
    const int slice = qMax(1, historyBytesPerSecond / 100);
    int lineEnds = 0;
    for (int at = 0; at < stream.size(); at += slice) {
        const QByteArray part = stream.mid(at, slice);
        peer.send(part);
        lineEnds += int(part.count('\n'));
        historyLinesSent = lineEnds - 1;
        if (hangUpAfterLines >= 0 && lineEnds - 1 >= hangUpAfterLines) {
            peer.hangUp();
            return;
        }
        QThread::msleep(10);
    }
}
