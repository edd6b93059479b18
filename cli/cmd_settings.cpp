// kelmora-cli reset-mode, set-pulse-input and set-time: the three settings
// of the unit, each after identifying it (the clock is written to the
// register address the unit's serial number gives).
#include "clicommand.h"
#include "clicommon.h"
#include "clisession.h"

#include "reader/app_kelmoradatareader.h"

#include <QDateTime>

#include <functional>

namespace {

using Request = std::function<void(APP_KelmoraDataReader&)>;

// Identifies the unit, runs the setting and reports its outcome.
int runSetting(QCommandLineParser& parser, const QString& command, const Request& request,
               const QString& done)
{
    CliSession session(parser.isSet(QStringLiteral("quiet")), parser.isSet(QStringLiteral("verbose")));
    const int identified = openAndIdentify(parser, command, session);
    if (identified >= 0)
        return identified;
    const bool ended = session.run(request, settingBoundMs);
    if (!ended || !session.resultArrived || !session.resultOk) {
        cliErr() << "kelmora-cli " << command << ": the unit did not accept the setting\n";
        cliErr().flush();
        return CliUnitFailed;
    }
    if (!parser.isSet(QStringLiteral("quiet"))) {
        cliErr() << done << "\n";
        cliErr().flush();
    }
    return CliDone;
}

int runResetMode(const QStringList& arguments)
{
    const QString command = QStringLiteral("reset-mode");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Resets the operation mode of the unit on --port."));
    addUnitOptions(parser);
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    if (!parser.positionalArguments().isEmpty())
        return usageError(command, QStringLiteral("unexpected argument"));
    return runSetting(parser, command, [](APP_KelmoraDataReader& r) { r.resetOperationMode(); },
                      QStringLiteral("operation mode reset"));
}

int runSetPulseInput(const QStringList& arguments)
{
    const QString command = QStringLiteral("set-pulse-input");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sets the pulse input (pulses per litre) of the unit on --port and reads back\n"
        "the value in force."));
    addUnitOptions(parser);
    parser.addPositionalArgument(QStringLiteral("VALUE"), QStringLiteral("Pulses per litre, a positive whole number."));
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList values = parser.positionalArguments();
    if (values.size() != 1)
        return usageError(command, QStringLiteral("exactly one VALUE is needed"));
    bool ok = false;
    const int value = values.first().toInt(&ok, 10);
    if (!ok || value < 1)
        return usageError(command, QStringLiteral("VALUE must be a positive whole number"));
    return runSetting(parser, command, [value](APP_KelmoraDataReader& r) { r.setPulseInput(value); },
                      QStringLiteral("pulse input set to %1").arg(value));
}

int runSetTime(const QStringList& arguments)
{
    const QString command = QStringLiteral("set-time");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sets the clock of the unit on --port to ISO-TIME (local time, e.g.\n"
        "2024-03-05T07:09:00), or to the current time of this computer."));
    addUnitOptions(parser);
    parser.addPositionalArgument(QStringLiteral("ISO-TIME"), QStringLiteral("The time to set; default now."),
                                 QStringLiteral("[ISO-TIME]"));
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList values = parser.positionalArguments();
    if (values.size() > 1)
        return usageError(command, QStringLiteral("at most one ISO-TIME"));
    QDateTime time = QDateTime::currentDateTime();
    if (!values.isEmpty()) {
        time = QDateTime::fromString(values.first(), Qt::ISODate);
        if (!time.isValid())
            return usageError(command, QStringLiteral("'%1' is not an ISO 8601 date and time").arg(values.first()));
    }
    // The unit keeps the year in two digits.
    const int year = time.toLocalTime().date().year();
    if (year < 2000 || year > 2099)
        return usageError(command, QStringLiteral("the unit's clock holds the years 2000 to 2099 only"));
    return runSetting(parser, command, [time](APP_KelmoraDataReader& r) { r.setUnitTime(time); },
                      QStringLiteral("clock set to ") + time.toLocalTime().toString(Qt::ISODate));
}

const CliRegistration resetRegistration(
    {QStringLiteral("reset-mode"), QStringLiteral("Reset the unit's operation mode"), runResetMode});
const CliRegistration pulseRegistration(
    {QStringLiteral("set-pulse-input"), QStringLiteral("Set the unit's pulse input"), runSetPulseInput});
const CliRegistration timeRegistration(
    {QStringLiteral("set-time"), QStringLiteral("Set the unit's clock"), runSetTime});

} // namespace
