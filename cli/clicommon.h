// Pieces every unit command of kelmora-cli shares: its option parsing with
// --help, the port options, and opening and identifying the unit.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

class CliSession;

// stdout and stderr of the tool.
QTextStream& cliOut();
QTextStream& cliErr();

// Adds --port, --quiet and --verbose.
void addUnitOptions(QCommandLineParser& parser);

// Parses arguments for the named command. Returns -1 to go on; otherwise the
// exit code: CliDone after --help (printed on stdout), CliUsage after an
// error (printed on stderr with a hint).
int parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& arguments);

// Reports a usage error of the command and returns CliUsage.
int usageError(const QString& command, const QString& message);

// --unit: a serial number or "unknown", as the archive's unit folder; the
// unit stays empty when the option is not given. False when it is neither.
bool unitOption(const QCommandLineParser& parser, QString* unit);
// The archive listings take --unit and no other argument: -1 to go on with
// *unit read, else the usage exit code.
int readUnitArgument(const QCommandLineParser& parser, const QString& command, QString* unit);

// Opens --port and identifies the unit. Returns -1 when the session may go
// on, else the exit code (with its message on stderr).
int openAndIdentify(QCommandLineParser& parser, const QString& command, CliSession& session);
