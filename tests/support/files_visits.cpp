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

} // namespace

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
                download.historyLines.append(QByteArray(1, side.side) + "=Nr." + QByteArray::number(100 - i)
                                             + " 12:10:00 31.12.2013 10 30 " + QByteArray::number(side.rates.at(i))
                                             + " 100 22 99 0.5 34");
            download.received = int(download.historyLines.size());
            sides.append(download);
        }
        const ArchiveWrite written = archiveDownload(unit, sides, visit.ended, root);
        if (!written.ok()) {
            *error = written.error;
            return false;
        }
    }
    QFile note(QDir(root).filePath(QStringLiteral("99/20250615-070000Z.json")));
    if (!note.open(QIODevice::WriteOnly | QIODevice::Truncate) || note.write("{ \"sides\": [") < 0) {
        *error = note.errorString();
        return false;
    }
    return true;
}

double filesInBandShare(const QList<double>& rates)
{
    const auto within = std::count_if(rates.begin(), rates.end(), [](double r) { return r >= 85.0 && r <= 115.0; });
    return rates.isEmpty() ? -1.0 : double(within) / double(rates.size());
}

QString filesVisitSideText(char side, bool asked, int records, const QString& outcome, double share)
{
    if (!asked)
        return QStringLiteral("%1 -").arg(QLatin1Char(side));
    return QStringLiteral("%1 %2 %3 %4").arg(QLatin1Char(side)).arg(records).arg(
        outcome, share < 0 ? QStringLiteral("none") : QString::number(share, 'f', 3));
}

QStringList filesExpectedVisitLines(const QString& unit)
{
    const QStringList outcomes = {"unknown", "complete", "interrupted", "no-answer"};
    QStringList lines;
    for (const FilesVisit& visit : filesVisits()) {
        if (visit.unit != unit)
            continue;
        const bool noteCut = visit.unit == QLatin1String(filesBrokenNoteUnit) && visit.ended.date().day() == 15;
        QStringList parts{visit.ended.toString(Qt::ISODate)};
        for (char letter : {'A', 'B'}) {
            const auto side = std::find_if(visit.sides.begin(), visit.sides.end(),
                                           [letter](const FilesVisitSide& s) { return s.side == letter; });
            const bool asked = side != visit.sides.end();
            parts << filesVisitSideText(letter, asked, asked ? int(side->rates.size()) : 0,
                                        asked && !noteCut ? outcomes.at(int(side->outcome)) : outcomes.at(0),
                                        asked ? filesInBandShare(side->rates) : -1);
        }
        lines.prepend(parts.join(QLatin1Char(' ')));  // filesVisits() runs oldest first per unit
    }
    return lines;
}
