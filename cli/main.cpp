// kelmora-cli: scripted downloads, settings and file conversions.
#include "clicommand.h"
#include "frame/texttable.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <algorithm>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QList<CliCommand>& cliCommands()
{
    static QList<CliCommand> commands;
    return commands;
}

namespace {

void printOverview(QTextStream& out)
{
    out << "Usage: kelmora-cli COMMAND [OPTIONS]\n\n"
           "Talks to a Kelmora vapour-recovery monitoring unit over a serial line and\n"
           "converts its data files. Commands:\n";
    QList<CliCommand> commands = cliCommands();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    for (const CliCommand& command : commands)
        out << "  " << command.name.leftJustified(16) << command.summary << "\n";
    out << "\n'kelmora-cli COMMAND --help' explains a command.\n"
           "Exit codes: 0 done, 1 the unit or the file failed, 2 usage.\n";
}

// The visit report paints with Qt Gui (fonts, the PDF writer); every other
// command does without it, so that it runs where no display or platform
// plugin is at hand.
bool paintsReport(int argc, char* argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], "report") == 0)
        return true;
    for (int i = 2; i < argc; ++i) {
        if (qstrcmp(argv[i], "--report-pdf") == 0)
            return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[])
{
    if (!paintsReport(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
#ifndef Q_OS_WIN
    // A report made over ssh or from a script has no display to draw on.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // What we print is UTF-8 (the texts' umlauts, a user's folder name); the
    // console shows it as such instead of in its OEM code page.
    SetConsoleOutputCP(CP_UTF8);
#endif
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelmora-cli"));
    loadTextTable();
    QStringList arguments = app->arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help")
        || arguments.first() == QLatin1String("-h")) {
        printOverview(arguments.isEmpty() ? err : out);
        return arguments.isEmpty() ? CliUsage : CliDone;
    }
    const QString name = arguments.takeFirst();
    // The debug traces of the core (kelmora.* logging categories) are off
    // unless asked for, here or through QT_LOGGING_RULES.
    if (arguments.contains(QLatin1String("--verbose")))
        QLoggingCategory::setFilterRules(QStringLiteral("kelmora.*.debug=true"));
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name)
            return command.run(arguments);
    }
    err << "kelmora-cli: unknown command '" << name << "'\n\n";
    printOverview(err);
    return CliUsage;
}
