// The line above each side's table and chart: the unit whose records the
// side holds, the other side's unit when that is another one, and how the
// side's download ended when it did not end completely, until a download
// or a file replaces the records.
#include "app/gui_kelmoradiagnose.h"

#include "chart/gui_displaychart.h"
#include "frame/sidenotetexts.h"
#include "frame/statustexts.h"
#include "frame/texttable.h"
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

// The side's line of the box shown after the download, as long as the
// records it brought are shown.
QString incompleteDownloadLine(const SideDownload& download)
{
    const int ending = download.outcome == SideOutcome::NoAnswer ? StatusText::sideNoAnswer
                                                                 : StatusText::sideInterrupted;
    return text(download.side == 'A' ? 21 : 22) + QStringLiteral(": ")
           + text(StatusText::recordsOfRequested).arg(download.received).arg(download.requested)
           + QStringLiteral(", ") + text(ending);
}

} // namespace

void GUI_KelmoraDiagnose::showSideNotes()
{
    for (int index = 0; index < 2; ++index) {
        const char side = index == 0 ? 'A' : 'B';
        const RecordOrigin& own = sideOrigin[index];
        const RecordOrigin& other = sideOrigin[1 - index];
        QString note;
        bool warning = false;
        if (holdsRecords(side)) {
            // "Serial number: 40711", as on the Home page.
            note = text(122) + QStringLiteral(": ") + serialText(own.unit);
            if (holdsRecords(index == 0 ? 'B' : 'A') && serialKnown(own.unit) && serialKnown(other.unit)
                && own.unit.serialNumber != other.unit.serialNumber) {
                note += QStringLiteral(". ") + text(SideNoteText::otherSideUnit) + QStringLiteral(": ")
                        + serialText(other.unit);
                warning = true;
            }
            const SideDownload& download = recordsDownload[index];
            if (download.outcome != SideOutcome::NotRequested && download.outcome != SideOutcome::Complete) {
                note += QLatin1Char('\n') + incompleteDownloadLine(download);
                warning = true;
            }
        }
        (index == 0 ? tableA : tableB)->setSideNote(note, warning);
        (index == 0 ? chartA : chartB)->setSideNote(note, warning);
    }
}
