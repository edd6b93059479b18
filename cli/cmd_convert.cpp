// kelmora-cli convert: loads a raw history dump or a CSV export and writes
// it again as CSV, ODS and/or JSON.
#include "clicommand.h"

#include "files/atomicfile.h"
#include "files/csvwriter.h"
#include "files/import.h"
#include "files/odsexport.h"
#include "files/recordjson.h"
#include "frame/texttable.h"

#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

namespace {

const char* const usage =
    "Usage: kelmora-cli convert INPUT [--csv FILE] [--ods FILE] [--json FILE|-] [--lang 0..5] [--verbose]\n"
    "Loads INPUT (the unit's history lines saved as text, or a CSV export of this\n"
    "tool in any language) and writes the sides it holds to the files given.\n"
    "--lang picks the language of the texts in the written files (default 0).\n"
    "--verbose shows the debug traces of the import and the writers on stderr.\n";

struct ConvertOptions {
    QString input;
    QString csv;
    QString ods;
    QString json;
    int language = 0;
};

// False (with a message) for anything the command does not understand.
bool parseOptions(const QStringList& arguments, ConvertOptions& options, QTextStream& err)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        QString* target = nullptr;
        if (argument == QLatin1String("--verbose"))
            continue;  // taken by main()
        if (argument == QLatin1String("--csv"))
            target = &options.csv;
        else if (argument == QLatin1String("--ods"))
            target = &options.ods;
        else if (argument == QLatin1String("--json"))
            target = &options.json;
        if (target || argument == QLatin1String("--lang")) {
            if (!hasValue) {
                err << "convert: " << argument << " needs a value\n";
                return false;
            }
            const QString value = arguments.at(++i);
            if (target) {
                *target = value;
                continue;
            }
            bool ok = false;
            options.language = value.toInt(&ok);
            if (!ok || options.language < 0 || options.language >= textTableLanguages) {
                err << "convert: --lang takes 0 to 5\n";
                return false;
            }
        } else if (argument.startsWith(QLatin1String("--")) || !options.input.isEmpty()) {
            err << "convert: unexpected argument '" << argument << "'\n";
            return false;
        } else {
            options.input = argument;
        }
    }
    if (options.input.isEmpty() || (options.csv.isEmpty() && options.ods.isEmpty() && options.json.isEmpty())) {
        err << "convert: an input file and at least one output are needed\n";
        return false;
    }
    return true;
}

// The sides the file held, as the import read them.
ExportContent importedContent(const DataImport& import, int language)
{
    ExportContent content;
    content.unit = exportIdentityOf(import.unit);
    content.language = language;
    for (const ImportedSide& side : import.sides) {
        const SideRecords records{side.records.get(), side.count, side.recordFormatNo};
        (side.side == 'A' ? content.sideA : content.sideB) = records;
    }
    return content;
}

// "-" writes the document to standard output; a file is saved atomically.
bool writeJsonFile(const QString& name, const DataImport& import, const ExportContent& content,
                   QString* error)
{
    const QByteArray json =
        QJsonDocument(recordsDocument(import.unit, content.sideA, content.sideB)).toJson();
    if (name != QLatin1String("-")) {
        return saveFileAtomically(
            name, [&](QIODevice& device) { return device.write(json) == json.size(); }, error);
    }
    QFile out;
    const bool ok = out.open(stdout, QIODevice::WriteOnly) && out.write(json) == json.size() && out.flush();
    *error = ok ? QString() : out.errorString();
    return ok;
}

int runConvert(const QStringList& arguments)
{
    QTextStream err(stderr);
    if (arguments.contains(QLatin1String("--help"))) {
        QTextStream(stdout) << usage;
        return CliDone;
    }
    ConvertOptions options;
    if (!parseOptions(arguments, options, err)) {
        err << usage;
        return CliUsage;
    }
    if (!QFile::exists(options.input)) {
        err << "convert: " << options.input << " does not exist\n";
        return CliUnitFailed;
    }
    const DataImport import = readDataFile(options.input);
    if (import.result != ImportResult::Delivered || import.sides.empty()) {
        err << "convert: " << options.input << " could not be loaded ("
            << importResultName(import.result) << ")\n";
        return CliUnitFailed;
    }
    setCurrentLanguage(quint8(options.language));
    const ExportContent content = importedContent(import, options.language);
    bool ok = true;
    QString error;
    if (!options.csv.isEmpty() && !writeCsvFile(options.csv, content, &error)) {
        err << "convert: could not write " << options.csv << ": " << error << "\n";
        ok = false;
    }
    if (!options.ods.isEmpty() && !writeOds(options.ods, content, &error)) {
        err << "convert: could not write " << options.ods << ": " << error << "\n";
        ok = false;
    }
    if (!options.json.isEmpty() && !writeJsonFile(options.json, import, content, &error)) {
        err << "convert: could not write " << options.json << ": " << error << "\n";
        ok = false;
    }
    return ok ? CliDone : CliUnitFailed;
}

const CliRegistration registration({QStringLiteral("convert"),
                                    QStringLiteral("load a history dump or CSV export, write CSV/ODS/JSON"),
                                    runConvert});

} // namespace
