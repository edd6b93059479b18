// The common styled message box and the record-count dialog.
#pragma once

#include <QList>
#include <QString>

#include <optional>

enum class MessageButtonRole { Acknowledge, Confirm, Cancel };

struct MessageButton {
    MessageButtonRole role;
    QString label;
};

// Runs a frameless modal message box with one or two buttons and returns the
// position (0 or 1) of the pressed button, in the order given. A box closed
// without a button (Escape with no cancel button) answers -1.
int showMessage(const QString& style, const QString& text, const QString& informative,
                const QList<MessageButton>& buttons);

// Shortcut for the frequent one-button box: main text, informative text and a
// confirm button labelled text 83.
void showNotice(const QString& text, const QString& informative);

constexpr int recordCountMinimum = 1;
constexpr int recordCountMaximum = 5000;
constexpr int recordCountDefault = 200;

// Asks how many history records to download (1 to 5000, 200 at first).
// Nothing when the user cancels.
std::optional<int> askRecordCount();
