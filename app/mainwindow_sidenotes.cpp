// The line above each side's table and chart: the unit whose records the
// side holds, the other side's unit when that is another one, and what the
// box after the side's download said (how it ended when not completely,
// what it lost, where its records came from), until a download or a file
// replaces the records.
#include "app/gui_kelmoradiagnose.h"

#include "chart/gui_displaychart.h"
#include "frame/sidenotetexts.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "reader/sidedownloadtext.h"
#include "table/gui_datatable.h"

namespace {

bool holdsRecords(char side)
{
    KelmoraFillingData** records = sideRecordsVariable(side);
    const quint16* count = sideCountVariable(side);
    return records && *records && count && *count > 0;
}

bool serialKnown(const UnitIdentity& unit)
{
    return unit.serialNumber > 0;
}

QString serialText(const UnitIdentity& unit)
{
    return serialKnown(unit) ? QString::number(unit.serialNumber) : text(SideNoteText::unknownSerial);
}

// The side's paragraph of the box shown after its download, as long as the
// records it brought are shown: how it ended, what it lost or skipped and
// where its records came from; empty for a complete download that has
// nothing more to say.
QString downloadLine(const SideDownload& download, bool* incomplete)
{
    *incomplete = download.outcome != SideOutcome::Complete;
    QStringList parts = sideNotes(download);
    if (*incomplete)
        parts = QStringList{sideCountText(download), sideEndingText(download)} + parts;
    if (parts.isEmpty())
        return QString();
    return text(download.side == 'A' ? UiText::sideA : UiText::sideB) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

} // namespace

void GUI_KelmoraDiagnose::showSideNotes()
{
    for (int index = 0; index < 2; ++index) {
        const char side = index == 0 ? 'A' : 'B';
        const RecordOrigin& own = sideSources.origin(side);
        const RecordOrigin& other = sideSources.origin(index == 0 ? 'B' : 'A');
        QString note;
        bool warning = false;
        if (holdsRecords(side)) {
            // "Serial number: 40711", as on the Home page.
            note = text(UiText::serialNumber) + QStringLiteral(": ") + serialText(own.unit);
            if (holdsRecords(index == 0 ? 'B' : 'A') && serialKnown(own.unit) && serialKnown(other.unit)
                && own.unit.serialNumber != other.unit.serialNumber) {
                note += QStringLiteral(". ") + text(SideNoteText::otherSideUnit) + QStringLiteral(": ")
                        + serialText(other.unit);
                warning = true;
            }
            const SideDownload& download = downloadAccount.recordsOf(index == 0 ? 'A' : 'B');
            bool incomplete = false;
            const QString line = download.outcome == SideOutcome::NotRequested
                ? QString() : downloadLine(download, &incomplete);
            if (!line.isEmpty())
                note += QLatin1Char('\n') + line;
            warning = warning || incomplete;
        }
        (index == 0 ? tableA : tableB)->setSideNote(note, warning);
        (index == 0 ? chartA : chartB)->setSideNote(note, warning);
    }
}
