#include "table/exportfile.h"

#include "files/archivefolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QString chooseExportFile(const QString& extension)
{
    const QString filter = QStringLiteral("*.") + extension;
    const QString chosen = QFileDialog::getSaveFileName(nullptr, filter, exportStartFolder(), filter);
    return chosen.isEmpty() ? chosen : withExportExtension(chosen, extension);
}

QString exportStartFolder(const QString& rememberedFolder)
{
    if (!rememberedFolder.isEmpty() && QFileInfo(rememberedFolder).isDir())
        return rememberedFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString exportStartFolder()
{
    return exportStartFolder(toolSetting(lastExportFolderSettingKey));
}

void rememberExportFolder(const QString& writtenFile)
{
    setToolSetting(lastExportFolderSettingKey, QFileInfo(writtenFile).absolutePath());
}

QString withExportExtension(const QString& path, const QString& extension)
{
    const QString suffix = QLatin1Char('.') + extension;
    if (path.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    // "name." would become "name..csv".
    QString trimmed = path;
    while (trimmed.endsWith(QLatin1Char('.')))
        trimmed.chop(1);
    return trimmed + suffix;
}
