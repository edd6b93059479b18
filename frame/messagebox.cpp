#include "frame/messagebox.h"

#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::ButtonRole qtRole(MessageButtonRole role)
{
    switch (role) {
    case MessageButtonRole::Acknowledge: return QMessageBox::AcceptRole;
    case MessageButtonRole::Confirm: return QMessageBox::YesRole;
    case MessageButtonRole::Cancel: return QMessageBox::RejectRole;
    }
    return QMessageBox::AcceptRole;
}

QString internalName(MessageButtonRole role)
{
    switch (role) {
    case MessageButtonRole::Acknowledge: return QStringLiteral("accept");
    case MessageButtonRole::Confirm: return QStringLiteral("yes");
    case MessageButtonRole::Cancel: return QStringLiteral("reject");
    }
    return QString();
}

} // namespace

int showMessage(const QString& style, const QString& text, const QString& informative,
                const QList<MessageButton>& buttons)
{
    QMessageBox box;
    box.setStyleSheet(style);
    box.setText(text);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    box.setWindowFlags(Qt::FramelessWindowHint);
    QList<QAbstractButton*> added;
    for (const MessageButton& button : buttons) {
        QPushButton* pushButton = box.addButton(internalName(button.role), qtRole(button.role));
        pushButton->setObjectName(internalName(button.role));
        pushButton->setText(button.label);
        pushButton->setFocusPolicy(Qt::NoFocus);
        added << pushButton;
    }
    box.exec();
    return int(added.indexOf(box.clickedButton()));
}

void showNotice(const QString& text, const QString& informative)
{
    showMessage(messageBoxStyle, text, informative,
                {{MessageButtonRole::Confirm, ::text(UiText::ok)}});
}

std::optional<int> askRecordCount()
{
    QInputDialog dialog;
    dialog.setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    dialog.setStyleSheet(dialogStyle);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.setWindowTitle(QString());
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setLabelText(text(UiText::recordCountQuestion));
    dialog.setIntRange(recordCountMinimum, recordCountMaximum);
    dialog.setIntValue(recordCountDefault);
    dialog.setOkButtonText(text(UiText::ok));
    dialog.setCancelButtonText(text(UiText::cancel));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.intValue();
}
