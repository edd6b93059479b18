// The file choice shared by the table page's CSV and ODS exports.
#pragma once

#include <QString>

// The tool's setting that keeps the folder of the last export between runs.
constexpr const char* lastExportFolderSettingKey = "files/lastExportFolder";

// Asks for the target file with the save dialog ("*." + extension), which
// starts in exportStartFolder(). The name as chosen with the format's
// extension made sure of, empty when the dialog was cancelled. Nothing is
// opened here: the export replaces the file only once it is completely
// written.
QString chooseExportFile(const QString& extension);

// The folder last exported to while it still exists, else the user's
// documents folder, else the home folder; never the program's own folder,
// where a technician may not write.
QString exportStartFolder(const QString& rememberedFolder);
QString exportStartFolder();
// Remembers the folder of a file an export has written.
void rememberExportFolder(const QString& writtenFile);

// The path with ".<extension>" added unless its name already ends so (any
// case): a name typed without the format's extension would otherwise be
// saved without it and be missed by the open dialog's filter.
QString withExportExtension(const QString& path, const QString& extension);
