// The file choice shared by the table page's CSV and ODS exports.
#pragma once

#include <QString>

// Asks for the target file with the save dialog ("*." + extension). The
// name as chosen, empty when the dialog was cancelled. Nothing is opened
// here: the export replaces the file only once it is completely written.
QString chooseExportFile(const QString& extension);
