// The file choice shared by the table page's CSV and ODS exports.
#pragma once

#include <QFile>
#include <QString>

// Asks for the target file with the save dialog ("*." + extension). Sets the
// file's name; opens it for writing when open is set (showing text 36 when
// that fails). True when the export may go on.
bool chooseExportFile(QFile& file, const QString& extension, bool open);
