#include "files_visits.h"

#include "files/downloadarchive.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

QDateTime at(int day, int hour)
{
    return QDateTime(QDate(2025, 6, day), QTime(hour, 0), Qt::UTC);
}

QString outcomeWord(SideOutcome outcome)
{
    switch (outcome) {
    case SideOutcome::Complete: return QStringLiteral("complete");
    case SideOutcome::Interrupted: return QStringLiteral("interrupted");
    case SideOutcome::NoAnswer: return QStringLiteral("no-answer");
    case SideOutcome::NotRequested: break;
    }
    return QStringLiteral("unknown");
}

} // namespace

QByteArray filesHistoryLine(char side, int number, double rate)
{
    return QByteArray(1, side) + "=Nr." + QByteArray::number(number) + " 12:10:00 31.12.2013 10 30 "
        + QByteArray::number(rate, 'f', 1) + " 100 22 99 0.5 34";
}

QList<FilesVisit> filesVisits()
{
    using O = SideOutcome;
    return {
        {"4711", at(10, 8), {{'A', O::Complete, {90, 100, 120, 80}}, {'B', O::Complete, {100, 101}}}},
        // 85 and 115 are in the band, 84.9 and 115.1 not.
        {"4711", at(12, 8), {{'A', O::Interrupted, {84.9, 85, 115, 115.1, 99}}, {'B', O::NoAnswer, {}}}},
        {"4711", at(14, 8), {{'A', O::Complete, {70}}}},
        {"815", at(13, 9), {{'A', O::Complete, {100}}, {'B', O::Complete, {100, 200}}}},
        {"99", at(11, 7), {{'B', O::Complete, {95, 96, 97}}}},
        {"99", at(15, 7), {{'A', O::Complete, {50, 100}}}},
    };
}

bool filesWriteVisitArchive(const QString& root, QString* error)
{
    for (const FilesVisit& visit : filesVisits()) {
        UnitIdentity unit;
        unit.serialNumber = visit.unit.toInt();
        QList<SideDownload> sides;
        for (const FilesVisitSide& side : visit.sides) {
            SideDownload download;
            download.side = side.side;
            download.outcome = side.outcome;
            download.requested = 10;
            for (int i = 0; i < side.rates.size(); ++i)
                download.historyLines.append(filesHistoryLine(side.side, 100 - i, side.rates.at(i)));
            download.received = int(download.historyLines.size());
            sides.append(download);
        }
        const ArchiveWrite written = archiveDownload(unit, sides, visit.ended, root);
        if (!written.ok()) {
            *error = written.error;
            return false;
        }
    }
    // The newest note of unit 99 cut short, as a full disk or an editor
    // might leave it.
    QFile note(QDir(root).filePath(QStringLiteral("99/20250615-070000Z.json")));
    if (!note.open(QIODevice::WriteOnly | QIODevice::Truncate) || note.write("{ \"sides\": [") < 0) {
        *error = note.errorString();
        return false;
    }
    return true;
}

double filesInBandShare(const QList<double>& rates)
{
    if (rates.isEmpty())
        return -1.0;
    const auto within = std::count_if(rates.begin(), rates.end(), [](double r) { return r >= 85.0 && r <= 115.0; });
    return double(within) / double(rates.size());
}

QString filesVisitSideText(char side, bool asked, int records, const QString& outcome, double share)
{
    if (!asked)
        return QStringLiteral("%1 -").arg(QLatin1Char(side));
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QLatin1Char(side))
        .arg(records)
        .arg(outcome, share < 0 ? QStringLiteral("none") : QString::number(share, 'f', 3));
}

QStringList filesExpectedVisitLines(const QString& unit)
{
    QList<FilesVisit> visits = filesVisits();
    std::sort(visits.begin(), visits.end(), [](const FilesVisit& a, const FilesVisit& b) { return a.ended > b.ended; });
    QStringList lines;
    for (const FilesVisit& visit : visits) {
        if (visit.unit != unit)
            continue;
        // The broken note took the outcome with it.
        const bool noteBroken = visit.unit == QLatin1String(filesBrokenNoteUnit) && visit.ended.date().day() == 15;
        QStringList parts{visit.ended.toString(Qt::ISODate)};
        for (char letter : {'A', 'B'}) {
            const auto side = std::find_if(visit.sides.begin(), visit.sides.end(),
                                           [letter](const FilesVisitSide& s) { return s.side == letter; });
            if (side == visit.sides.end())
                parts << filesVisitSideText(letter, false, 0, QString(), -1);
            else
                parts << filesVisitSideText(letter, true, int(side->rates.size()),
                                            noteBroken ? QStringLiteral("unknown") : outcomeWord(side->outcome),
                                            filesInBandShare(side->rates));
        }
        lines << parts.join(QLatin1Char(' '));
    }
    return lines;
}
