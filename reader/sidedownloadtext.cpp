#include "reader/sidedownloadtext.h"

#include "frame/integritytexts.h"
#include "frame/statustexts.h"
#include "frame/texttable.h"

namespace {

constexpr int gapsNamed = 5;

} // namespace

QString sideEndingText(const SideDownload& side)
{
    switch (side.outcome) {
    case SideOutcome::Complete:
        return text(StatusText::sideComplete);
    case SideOutcome::NoAnswer:
        return text(StatusText::sideNoAnswer);
    case SideOutcome::Interrupted:
        if (side.cause == InterruptCause::Overrun)
            return text(IntegrityText::causeOverrun).arg(side.overrunBytes);
        if (side.cause == InterruptCause::CutInsideLine)
            return text(IntegrityText::causeCutLine);
        return text(StatusText::sideInterrupted);
    case SideOutcome::NotRequested:
        break;
    }
    return QString();
}

QString numberGapsText(const QList<NumberGap>& gaps)
{
    QStringList parts;
    for (const NumberGap& gap : gaps.mid(0, gapsNamed)) {
        parts.append(gap.first == gap.last ? QString::number(gap.first)
                                           : QStringLiteral("%1–%2").arg(gap.first).arg(gap.last));
    }
    if (gaps.size() > gapsNamed)
        parts.append(QStringLiteral("…"));
    return parts.join(QStringLiteral(", "));
}

QStringList sideNotes(const SideDownload& side)
{
    QStringList notes;
    if (side.unreadLines > 0)
        notes.append(text(IntegrityText::unreadLines).arg(side.unreadLines));
    if (!side.gaps.isEmpty())
        notes.append(text(IntegrityText::missingNumbers).arg(numberGapsText(side.gaps)));
    if (side.fromArchive > 0)
        notes.append(text(IntegrityText::fromUnitAndArchive)
                         .arg(side.received - side.fromArchive)
                         .arg(side.fromArchive));
    return notes;
}

QString sideCountText(const SideDownload& side)
{
    if (side.newRecordsExpected >= 0 && side.outcome != SideOutcome::Complete)
        return text(IntegrityText::newOfNew)
            .arg(side.received - side.fromArchive)
            .arg(side.newRecordsExpected);
    return text(StatusText::recordsOfRequested).arg(side.received).arg(side.requested);
}
