// Sub-commands of kelmora-cli. Each command file defines its function and
// registers it with a static CliRegistration.
#pragma once

#include <QList>
#include <QStringList>

enum CliExit { CliDone = 0, CliUnitFailed = 1, CliUsage = 2 };

struct CliCommand {
    QString name;
    QString summary;  // one line for the overview
    // Runs with the arguments after the command name; returns a CliExit.
    int (*run)(const QStringList& arguments);
};

QList<CliCommand>& cliCommands();

struct CliRegistration {
    explicit CliRegistration(const CliCommand& command) { cliCommands().append(command); }
};
