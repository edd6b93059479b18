// Answers the modal boxes and dialogs of the window from a timer, so that a
// test that makes the window ask something never blocks.
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QDialog;
class QTimer;

class DialogAnswerer : public QObject
{
    Q_OBJECT

public:
    struct SeenMessage {
        QString text;
        QString informative;
        QStringList buttons;
    };

    // Polls every few milliseconds while it lives.
    explicit DialogAnswerer(QObject* parent = nullptr);

    // Message boxes: 0 presses the first (acknowledge or confirm) button,
    // 1 the cancel button. Used for every box from now on.
    int messageAnswer = 0;
    // Record-count dialog: the count to enter, or a negative number to cancel.
    int recordCount = 200;
    // File dialogs: the path to choose; empty cancels.
    QString filePath;
    // The visit report's dialog: technician and site to enter (a null
    // technician cancels); the dialog's picture is saved to reportDialogShot
    // when that is set.
    QString technician;
    QString site;
    QString reportDialogShot;
    int reportDialogs = 0;

    QList<SeenMessage> messages;
    int recordCountDialogs = 0;
    int fileDialogs = 0;
    QStringList fileDialogFolders;  // the folder each file dialog opened in

    void clear();

private:
    void answerOpenDialogs();
    void answerReportDialog(QDialog* dialog);

    QTimer* timer = nullptr;
    QSet<QWidget*> seenVisible;
};
