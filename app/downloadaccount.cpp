#include "app/downloadaccount.h"

#include "frame/statustexts.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "reader/sidedownloadtext.h"

#include <QStringList>

void DownloadAccount::started(bool both)
{
    bothSides = both;
    outcomeDelivered = false;
}

void DownloadAccount::readerEnded()
{
    bothSides = false;
}

void DownloadAccount::sidesDownloaded(const SideDownload& sideA, const SideDownload& sideB)
{
    last[0] = sideA;
    last[1] = sideB;
    resultPending = true;
    for (const SideDownload& side : {sideA, sideB}) {
        if (side.recordsReplaced)
            records[side.side == 'A' ? 0 : 1] = side;
    }
}

void DownloadAccount::sideFromFile(char side)
{
    records[side == 'B' ? 1 : 0] = SideDownload{};
}

bool DownloadAccount::takeResult()
{
    const bool result = resultPending;
    resultPending = false;
    outcomeDelivered = outcomeDelivered || result;
    return result;
}

bool DownloadAccount::lineLost()
{
    if (!bothSides || outcomeDelivered)
        return false;
    lineLostInDownload = true;
    return true;
}

QString DownloadAccount::outcomeText() const
{
    QStringList lines;
    for (const SideDownload& side : last) {
        if (side.outcome == SideOutcome::NotRequested)
            continue;
        QStringList parts{sideCountText(side), sideEndingText(side)};
        parts.append(sideNotes(side));
        lines.append(text(side.side == 'A' ? UiText::sideA : UiText::sideB) + QStringLiteral(": ")
                     + parts.join(QStringLiteral(", ")));
    }
    return lines.join(QStringLiteral("\r\n\r\n"));
}

QString DownloadAccount::sideSummary(char side, const QString& sideLine) const
{
    const QStringList notes = sideNotes(last[side == 'B' ? 1 : 0]);
    return sideLine + (notes.isEmpty() ? QString() : QStringLiteral(", ") + notes.join(QStringLiteral(", ")));
}

QString DownloadAccount::lineLossFirst(const QString& informative)
{
    if (!lineLostInDownload)
        return informative;
    lineLostInDownload = false;
    return text(StatusText::lineLost) + QLatin1Char(' ') + text(StatusText::checkCable) + QStringLiteral("\r\n\r\n")
           + informative;
}
