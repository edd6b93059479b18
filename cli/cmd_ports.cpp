// kelmora-cli ports: the serial ports the tool can open, one a line.
#include "clicommand.h"
#include "clicommon.h"

#include "comm/com_portnames.h"

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
    // Where the system has a name for the port (Windows), it follows a tab.
    const QHash<QString, QString> descriptions = COM_PortNames::portDescriptions();
    for (const QString& name : COM_PortNames::scanPorts()) {
        const QString description = descriptions.value(name);
        cliOut() << name << (description.isEmpty() ? QString() : QStringLiteral("\t") + description) << "\n";
    }
    cliOut().flush();
    return CliDone;
}

const CliRegistration registration(
    {QStringLiteral("ports"), QStringLiteral("List the serial ports"), runPorts});

} // namespace
