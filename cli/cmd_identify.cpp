// kelmora-cli identify: connects, identifies the unit and prints what it
// learnt as JSON.
#include "clicommand.h"
#include "clicommon.h"
#include "clisession.h"

#include "files/recordjson.h"
#include "reader/app_kelmoradatareader.h"

#include <QJsonDocument>

namespace {

int runIdentify(const QStringList& arguments)
{
    const QString command = QStringLiteral("identify");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Identifies the unit on --port and prints its versions, serial number, pulse input,\n"
        "status words, flags, country code and PCM text as one JSON object on stdout."));
    addUnitOptions(parser);
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    if (!parser.positionalArguments().isEmpty())
        return usageError(command, QStringLiteral("unexpected argument"));
    CliSession session(parser.isSet(QStringLiteral("quiet")), parser.isSet(QStringLiteral("verbose")));
    const int identified = openAndIdentify(parser, command, session);
    if (identified >= 0)
        return identified;
    cliOut() << QJsonDocument(unitJson(session.reader().identity())).toJson(QJsonDocument::Indented);
    cliOut().flush();
    return CliDone;
}

const CliRegistration registration(
    {QStringLiteral("identify"), QStringLiteral("Identify the unit, print JSON"), runIdentify});

} // namespace
