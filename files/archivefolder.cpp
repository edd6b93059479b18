#include "files/archivefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString toolName = QStringLiteral("KELMORADiagnose");

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString defaultArchiveFolder()
{
    // The generic location plus the window's name: what the window's own
    // application data folder is, and the same for kelmora-cli.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(toolName + QStringLiteral("/downloads"));
}

QString archiveFolder()
{
    const QString fromEnvironment = qEnvironmentVariable(archiveFolderVariable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString fromSetting = toolSetting(archiveFolderSettingKey);
    if (!fromSetting.isEmpty())
        return fromSetting;
    return defaultArchiveFolder();
}

QString unitFolderName(qint32 serialNumber)
{
    return serialNumber > 0 ? QString::number(serialNumber) : QStringLiteral("unknown");
}

QString toolSetting(const char* key)
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, toolName, toolName);
    return settings.value(QLatin1String(key)).toString();
}

void setToolSetting(const char* key, const QString& value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, toolName, toolName);
    settings.setValue(QLatin1String(key), value);
}

QString openFileStartFolder(const QString& lastFolder, const QString& archive)
{
    if (isFolder(lastFolder))
        return lastFolder;
    if (isFolder(archive))
        return archive;
    return QDir::homePath();
}

QString openFileStartFolder()
{
    return openFileStartFolder(toolSetting(lastOpenFolderSettingKey), archiveFolder());
}

void rememberOpenFolder(const QString& openedFile)
{
    setToolSetting(lastOpenFolderSettingKey, QFileInfo(openedFile).absolutePath());
}
