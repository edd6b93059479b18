#include "files/sidedownloadjson.h"

#include <QJsonArray>

QString sideOutcomeName(SideOutcome outcome)
{
    switch (outcome) {
    case SideOutcome::Complete: return QStringLiteral("complete");
    case SideOutcome::Interrupted: return QStringLiteral("interrupted");
    case SideOutcome::NoAnswer: return QStringLiteral("no-answer");
    case SideOutcome::NotRequested: break;
    }
    return QStringLiteral("not-requested");
}

QString archiveUseName(ArchiveUse use)
{
    switch (use) {
    case ArchiveUse::ChainBroken: return QStringLiteral("full: new records do not run on from the archive");
    case ArchiveUse::ArchiveGap: return QStringLiteral("full: archived records not consecutive");
    case ArchiveUse::NotOffered: return QStringLiteral("full");
    case ArchiveUse::Incremental: return QStringLiteral("incremental");
    case ArchiveUse::OverlapDiffers: return QStringLiteral("full: overlap differs");
    case ArchiveUse::NumbersWentBack: return QStringLiteral("full: numbers went back");
    case ArchiveUse::ProbeUnclear: return QStringLiteral("full: newest record unclear");
    case ArchiveUse::ArchiveTooShort: return QStringLiteral("full: archive too short");
    case ArchiveUse::AllNew: return QStringLiteral("full: all new");
    }
    return QStringLiteral("full");
}

QString sideMethodName(const SideDownload& side)
{
    // The archive served the older records and only part of the new ones came.
    if (side.archiveUse == ArchiveUse::Incremental && side.outcome != SideOutcome::Complete)
        return QStringLiteral("incremental: new records cut short");
    return archiveUseName(side.archiveUse);
}

namespace {

QString interruptCauseName(InterruptCause cause)
{
    switch (cause) {
    case InterruptCause::LineLost: return QStringLiteral("line-lost");
    case InterruptCause::CutInsideLine: return QStringLiteral("cut-inside-line");
    case InterruptCause::Overrun: return QStringLiteral("receive-overrun");
    case InterruptCause::NewRecordsCut: return QStringLiteral("new-records-cut");
    case InterruptCause::None: break;
    }
    return QStringLiteral("none");
}

} // namespace

// Never only in the log: what a side lost or skipped is in the JSON too.
QJsonObject sideFindings(const SideDownload& side)
{
    QJsonArray gaps;
    for (const NumberGap& gap : side.gaps)
        gaps.append(QJsonArray{gap.first, gap.last});
    QJsonObject findings{{QStringLiteral("cause"), interruptCauseName(side.cause)},
                         {QStringLiteral("overrunBytes"), double(side.overrunBytes)},
                         {QStringLiteral("unreadLines"), side.unreadLines},
                         {QStringLiteral("missingNumbers"), gaps}};
    if (side.newRecordsExpected >= 0)
        findings[QStringLiteral("newRecordsExpected")] = side.newRecordsExpected;
    return findings;
}
