// Opening saved data: the open-file dialog for raw history dumps and CSV
// exports, a file read into the sides it holds with the unit it names, and
// the files of an archived download chosen in the Visits dialog.
#include "app/gui_kelmoradiagnose.h"

#include "app/archivetexts.h"
#include "app/gui_visitsdialog.h"
#include "files/archivefolder.h"
#include "files/archivevisits.h"
#include "files/import.h"
#include "frame/texttable.h"
#include "reader/app_kelmoradatareader.h"

#include <QFileDialog>
#include <QFileInfo>

QString GUI_KelmoraDiagnose::dataFileFilter()
{
    return text(textDataFiles) + QStringLiteral(" (*.txt *.csv)");
}

void GUI_KelmoraDiagnose::openDataFile()
{
    if (refuseWhileBusy())
        return;
    const QString filter = dataFileFilter();
    const QString path =
        QFileDialog::getOpenFileName(nullptr, filter, openFileStartFolder(), filter);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    rememberOpenFolder(path);
    // The import replaces a side's array; while a download runs the reader
    // thread may be replacing it too.
    if (refuseWhileBusy())
        return;
    loadDataFile(path);
}

void GUI_KelmoraDiagnose::loadDataFile(const QString& path)
{
    DataImport import = readDataFile(path);
    // The pages of each side read get the unit the file names and the
    // layout of that side's lines; the other side's pages keep theirs.
    for (const ImportedSide& side : import.sides) {
        sideSources.readFromFile(side.side, RecordOrigin{import.unitOf(side), side.recordFormatNo},
                                 QFileInfo(path).fileName());
        downloadAccount.sideFromFile(side.side);
    }
    dataReader->installImport(import);
}

// Not modal: the dialog lists the archive on threads of its own while the
// window goes on answering.
void GUI_KelmoraDiagnose::openVisits()
{
    visits->refresh(unitOnLine.serialNumber > 0 ? unitFolderName(unitOnLine.serialNumber) : QString());
    visits->show();
    visits->raise();
    visits->activateWindow();
}

bool GUI_KelmoraDiagnose::openArchivedDownload(const ArchivedDownload& download)
{
    // The import replaces a side's array; while a download runs the reader
    // thread may be replacing it too.
    if (refuseWhileBusy())
        return false;
    for (const QString& path : download.filesToOpen())
        loadDataFile(path);
    return true;
}
