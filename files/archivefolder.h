// Where the download archive lives and where the open-file dialog starts.
// The window and kelmora-cli share both, so they are kept under the tool's
// own names, not under whatever name the running program has.
#pragma once

#include <QString>
#include <QtGlobal>

// Moves the archive for one run (tests, a shared drive mounted for a day).
constexpr const char* archiveFolderVariable = "KELMORA_ARCHIVE_DIR";
// Moves the archive for good (in the tool's settings file).
constexpr const char* archiveFolderSettingKey = "archive/folder";
constexpr const char* lastOpenFolderSettingKey = "files/lastOpenFolder";

// The user's data folder of the tool + "/downloads".
QString defaultArchiveFolder();
// The environment variable if set, else the setting if set, else the default.
QString archiveFolder();

// The sub-folder of one unit: its serial number, or "unknown" when the
// serial number was never learnt (not positive).
QString unitFolderName(qint32 serialNumber);

// A value of the tool's settings (empty when unset), and storing one.
QString toolSetting(const char* key);
void setToolSetting(const char* key, const QString& value);

// The open-file dialog starts in the folder last opened from while it still
// exists, else in the archive once it exists, else in the home folder.
QString openFileStartFolder(const QString& lastFolder, const QString& archive);
// The same with the remembered folder and the archive in force.
QString openFileStartFolder();
// Remembers the folder of a file the user opened.
void rememberOpenFolder(const QString& openedFile);
