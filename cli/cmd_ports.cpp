// kelmora-cli ports: the serial ports the tool can open, one a line.
#include "clicommand.h"
#include "clicommon.h"

#include "comm/com_serialport.h"

namespace {

int runPorts(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the serial ports, one a line."));
    const int parsed = parseCommand(parser, QStringLiteral("ports"), arguments);
    if (parsed >= 0)
        return parsed;
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("ports"), QStringLiteral("unexpected argument"));
    for (const QString& name : COM_SerialPort::scanPorts())
        cliOut() << name << "\n";
    cliOut().flush();
    return CliDone;
}

const CliRegistration registration(
    {QStringLiteral("ports"), QStringLiteral("List the serial ports"), runPorts});

} // namespace
