#include "clicommon.h"

#include "files/archivefolder.h"

#include "clicommand.h"
#include "clisession.h"

#include "reader/app_kelmoradatareader.h"

#include <cstdio>

QTextStream& cliOut()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& cliErr()
{
    static QTextStream stream(stderr);
    return stream;
}

void addUnitOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Serial port of the unit (e.g. COM3, ttyUSB0 or a device path)."),
                      QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("quiet"), QStringLiteral("No progress on stderr.")});
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Show every reply line of the unit and the debug traces on stderr.")});
}

int parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& arguments)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // The parser wants the program name first; the command stands in for it.
    if (!parser.parse(QStringList{command} + arguments))
        return usageError(command, parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        const int options = text.indexOf(QLatin1String("[options]"));
        if (options >= 0) {
            const int lineStart = text.lastIndexOf(QLatin1Char(':'), options) + 1;
            text.replace(lineStart, options - lineStart,
                         QLatin1String(" kelmora-cli ") + command + QLatin1Char(' '));
        }
        cliOut() << text;
        cliOut().flush();
        return CliDone;
    }
    return -1;
}

int usageError(const QString& command, const QString& message)
{
    cliErr() << "kelmora-cli " << command << ": " << message << "\n"
             << "'kelmora-cli " << command << " --help' shows the options.\n";
    cliErr().flush();
    return CliUsage;
}

int openAndIdentify(QCommandLineParser& parser, const QString& command, CliSession& session)
{
    const QString portName = parser.value(QStringLiteral("port"));
    if (portName.isEmpty())
        return usageError(command, QStringLiteral("--port is required"));
    if (!session.open(portName)) {
        cliErr() << "kelmora-cli " << command << ": cannot open port " << portName << "\n";
        cliErr().flush();
        return CliUnitFailed;
    }
    const bool ended = session.run([](APP_KelmoraDataReader& reader) { reader.connectUnit(); },
                                   identifyBoundMs);
    if (!ended || !session.resultArrived || !session.resultOk) {
        cliErr() << "kelmora-cli " << command << ": the unit on " << portName
                 << (ended ? " did not identify itself" : " did not answer in time") << "\n";
        cliErr().flush();
        return CliUnitFailed;
    }
    return -1;
}

bool unitOption(const QCommandLineParser& parser, QString* unit)
{
    if (!parser.isSet(QStringLiteral("unit")))
        return true;
    const QString value = parser.value(QStringLiteral("unit"));
    if (value == QLatin1String("unknown")) {
        *unit = value;
        return true;
    }
    bool ok = false;
    const qint32 serial = value.toInt(&ok, 10);
    if (!ok || serial <= 0)
        return false;
    *unit = unitFolderName(serial);
    return true;
}

int readUnitArgument(const QCommandLineParser& parser, const QString& command, QString* unit)
{
    if (!parser.positionalArguments().isEmpty())
        return usageError(command, QStringLiteral("unexpected argument"));
    if (!unitOption(parser, unit))
        return usageError(command, QStringLiteral("--unit takes a serial number or 'unknown'"));
    return -1;
}
