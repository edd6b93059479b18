#include "table/exportfile.h"

#include <QCoreApplication>
#include <QFileDialog>

QString chooseExportFile(const QString& extension)
{
    const QString filter = QStringLiteral("*.") + extension;
    return QFileDialog::getSaveFileName(nullptr, filter, QCoreApplication::applicationDirPath(), filter);
}
