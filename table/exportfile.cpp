#include "table/exportfile.h"

#include "frame/messagebox.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"

#include <QCoreApplication>
#include <QFileDialog>

bool chooseExportFile(QFile& file, const QString& extension, bool open)
{
    const QString filter = QStringLiteral("*.") + extension;
    const QString name = QFileDialog::getSaveFileName(
        nullptr, filter, QCoreApplication::applicationDirPath(), filter);
    if (name.isEmpty())
        return false;
    file.setFileName(name);
    if (!open)
        return true;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        showMessage(messageBoxStyle, text(36), QString(),
                    {{MessageButtonRole::Acknowledge, text(83)}});
        return false;
    }
    return true;
}
