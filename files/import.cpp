// Loading a saved data file: the unit's history lines as a text dump, or the
// tool's own CSV export in any of the six languages.
#include "files/import.h"
#include "files/filetexts.h"

#include "model/filetime.h"
#include "model/historyparser.h"
#include "model/kelmorafillingdata.h"
#include "frame/texttable.h"
#include "files/csvfields.h"
#include "files/csvrecord.h"
#include "files/datalines.h"
#include "model/recordtimes.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QStringList>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcImport, "kelmora.import", QtInfoMsg)

constexpr qint64 headerBytes = 32;

// A record array under construction: malloc'd, grown as rows come, never
// beyond what a 16-bit count can hold. Handed over whole to the storage.
class RecordBuffer
{
public:
    RecordBuffer() = default;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer() { std::free(records); }

    bool full() const { return count == maxSideRecords; }
    bool failed() const { return allocationFailed; }

    // Room for the next record, or null when the side is full or memory ran out.
    KelmoraFillingData* next()
    {
        if (full() || allocationFailed || !reserve(count + 1))
            return nullptr;
        return &records[count];
    }
    void commit() { ++count; }
    int size() const { return count; }
    void settleTimes(RepeatedHourRecords& repeated) { repeated.settle(records, count); }

    // Hands the array over as the side's records (at least one slot, so a
    // side with no records still has an array and never looks unfilled).
    bool handOver(ImportedSide& side)
    {
        if (allocationFailed || !reserve(1))
            return false;
        side.records.reset(records);
        side.count = quint16(count);
        records = nullptr;
        count = capacity = 0;
        return true;
    }

private:
    bool reserve(int wanted)
    {
        if (wanted <= capacity)
            return true;
        const int grown = qMin(int(maxSideRecords), qMax(wanted, qMax(256, capacity * 2)));
        void* block = std::realloc(records, size_t(grown) * sizeof(KelmoraFillingData));
        if (!block) {
            allocationFailed = true;
            return false;
        }
        records = static_cast<KelmoraFillingData*>(block);
        capacity = grown;
        return true;
    }

    KelmoraFillingData* records = nullptr;
    int count = 0;
    int capacity = 0;
    bool allocationFailed = false;
};

// One import under way: the device it reads and what it has read so far.
struct ImportState {
    ImportState(DataImport& i, QIODevice& f) : import(i), file(f) {}
    DataImport& import;
    QIODevice& file;
    LocalTimeCache times;
};

void selectSide(ImportState& state, char side)
{
    state.import.selectedSide = side;
}

// The buffer's records become the import's side; false when memory ran out.
bool addSide(ImportState& state, RecordBuffer& buffer, char side, bool recordFormatNo)
{
    ImportedSide imported;
    imported.side = side;
    imported.recordFormatNo = recordFormatNo;
    if (!buffer.handOver(imported))
        return false;
    state.import.sides.push_back(std::move(imported));
    return true;
}

// Raw dump: history lines as the unit prints them. Lines may end in LF,
// CR LF or a lone CR (the unit's own line end).
ImportResult importRaw(ImportState& state, char headerSide)
{
    UnitIdentity& unit = state.import.unit;
    unit.hardwareVersion = -1.0;
    unit.softwareVersion = QStringLiteral("-1");
    unit.pvnValue = -1;
    unit.pulseInput = -1;
    unit.serialNumber = -1;
    unit.statusSideA = 0;
    unit.statusSideB = 0;
    unit.pcmText = QStringLiteral("-1");
    unit.countryCode = -99; // marks a test line not read yet
    bool recordFormatNo = false;
    const char side = headerSide == 'A' ? 'A' : 'B';
    selectSide(state, side);

    RecordBuffer buffer;
    HistoryTimes times;
    bool testLineSeen = false;
    bool tagDecided = false;
    RawLines lines(state.file);
    QByteArray piece;
    while (lines.next(piece) && !buffer.failed()) {
        if (!testLineSeen) {
            // A first line of 12 words comes from a unit that writes the
            // long line format.
            testLineSeen = true;
            qCDebug(lcImport) << "TESTLINE aus RAW Daten" << QString::fromUtf8(piece);
            unit.flags = piece.count(' ') + 1 == 12 ? 4 : 0;
            unit.countryCode = -1;
        }
        if (!isHistoryLine(piece.constData(), int(piece.size())))
            continue;
        // The same line parser as the download: a dump reads exactly as
        // the unit's reply would.
        KelmoraFillingData* record = buffer.next();
        KelmoraFillingData spare;
        if (record)
            std::memset(record, 0, sizeof *record);
        const int words = parseHistoryLine(piece.constData(), int(piece.size()), record ? record : &spare, times,
                                           buffer.size(), &recordFormatNo, &tagDecided);
        if (record && (words == 14 || words == 12 || words == 11))
            buffer.commit();
    }
    buffer.settleTimes(times.repeated);
    if (!addSide(state, buffer, side, recordFormatNo))
        return ImportResult::Failed;
    return ImportResult::Delivered;
}

// A line that begins with text t; a first field in quotes counts without
// them. An empty text (a table without that entry) never matches.
bool lineStartsWith(const QString& line, const QString& t)
{
    if (t.isEmpty())
        return false;
    if (line.startsWith(t))
        return true;
    return line.startsWith(QLatin1Char('"')) && splitCsvRecord(line).constFirst().startsWith(t);
}

// The lines of a CSV export, checked against the texts of its language.
class CsvLines
{
public:
    CsvLines(QIODevice& file, int language) : file(file), language(language) {}

    bool next()
    {
        QByteArray raw;
        QByteArray terminator;
        have = readLine(file, raw, &terminator);
        current = have ? QString::fromUtf8(raw) : QString();
        // A byte order mark put there by another editor is no part of text 54.
        if (current.startsWith(QChar(0xFEFF)))
            current.remove(0, 1);
        if (have && csvRecordOpen(current))
            joinQuotedLines(terminator);
        return have;
    }
    const QString& line() const { return current; }
    QStringList fields() const { return splitCsvRecord(current); }
    // An empty text (a table without that entry) never matches.
    bool startsWithText(int n)
    {
        return have && lineStartsWith(current, textOf(n));
    }
    // Looked up once: the side B title is compared with every data row.
    const QString& textOf(int n)
    {
        auto known = texts.find(n);
        if (known == texts.end())
            known = texts.insert(n, textIn(n, language));
        return *known;
    }

private:
    // A quoted field holds a line break: the following lines belong to this
    // record, with the line ends they had. A quote that never closes within
    // a few lines is no quoted field; the lines after it are read again.
    void joinQuotedLines(QByteArray terminator)
    {
        const qint64 resume = file.pos();
        QString joined = current;
        QByteArray raw;
        for (int extra = 0; extra < maxJoinedLines; ++extra) {
            joined += QString::fromUtf8(terminator);
            QByteArray nextTerminator;
            if (!readLine(file, raw, &nextTerminator))
                break;
            joined += QString::fromUtf8(raw);
            if (!csvRecordOpen(joined)) {
                current = joined;
                return;
            }
            terminator = nextTerminator;
        }
        file.seek(resume);
    }

    static constexpr int maxJoinedLines = 64;
    QIODevice& file;
    int language;
    QHash<int, QString> texts;
    QString current;
    bool have = false;
};

// A whole-number field that must be there and convert.
bool requiredInteger(const QStringList& f, int index, qint32& out, int base = 10)
{
    if (index >= f.size())
        return false;
    bool ok = false;
    const qint32 value = f.at(index).trimmed().toInt(&ok, base);
    if (ok)
        out = value;
    return ok;
}

// A field of the identity line: a missing one keeps its default, a present
// one must convert.
bool optionalInteger(const QStringList& f, int index, qint32& out)
{
    return index >= f.size() || requiredInteger(f, index, out);
}

bool optionalDecimal(const QStringList& f, int index, double& out)
{
    if (index >= f.size())
        return true;
    double value = 0.0;
    const bool ok = csvDecimal(f.at(index), value);
    if (ok)
        out = value;
    return ok;
}

bool readIdentity(UnitIdentity& unit, const QStringList& f)
{
    double pvn = -1.0;
    if (!optionalDecimal(f, 1, unit.hardwareVersion) || !optionalDecimal(f, 5, pvn)
        || !std::isfinite(pvn) || std::fabs(pvn) > 2147483647.0)
        return false;
    unit.pvnValue = qint32(std::lround(pvn));
    if (f.size() > 3)
        unit.softwareVersion = f.at(3);
    if (f.size() > 11)
        unit.pcmText = f.at(11);
    return optionalInteger(f, 7, unit.pulseInput) && optionalInteger(f, 9, unit.countryCode)
        && optionalInteger(f, 13, unit.flags);
}

// The serial number a side's title line names after the title, when the
// side's records came from another unit than the header's; 0 when none.
qint32 otherUnitOnTitle(CsvLines& lines)
{
    const QStringList fields = lines.fields();
    qint32 serial = 0;
    if (fields.size() < 3 || fields.at(1) != lines.textOf(FileText::serialNumber)
        || !requiredInteger(fields, 2, serial))
        return 0;
    return serial;
}

// The title line of a side is already current: reads its status word line
// (binary) and its column header row.
bool readSectionHeader(CsvLines& lines, qint32& status, bool& recordFormatNo)
{
    if (!lines.next() || !lines.startsWithText(FileText::statusWord)
        || !requiredInteger(lines.fields(), 1, status, 2))
        return false;
    if (!lines.next() || !lines.startsWithText(FileText::recordNumber))
        return false;
    const QStringList header = lines.fields();
    recordFormatNo = header.size() > 8 && header.at(8) == lines.textOf(FileText::auxValueNo);
    return true;
}

// Data rows of one side up to the side B title (when stopAtSideB) or the end
// of the file; then the side's array is replaced. Rows beyond what a side
// can hold are read past, never wrapped into the count.
ImportResult readRows(ImportState& state, CsvLines& lines, char side, bool recordFormatNo,
                      bool stopAtSideB, bool* reachedSideB)
{
    RecordBuffer buffer;
    RowTimes times{state.times, {}};
    bool atSideB = false;
    int rows = 0;
    while (lines.next()) {
        if (stopAtSideB && lines.startsWithText(FileText::sectionSideB)) {
            qCDebug(lcImport) << "LINE B";
            atSideB = true;
            break;
        }
        qCDebug(lcImport) << " Line: " << lines.line();
        if (lines.line().isEmpty())
            continue;
        ++rows;
        KelmoraFillingData* record = buffer.next();
        if (record && recordFromCsvFields(lines.fields(), *record, times, buffer.size()))
            buffer.commit();
    }
    if (reachedSideB)
        *reachedSideB = atSideB;
    // Rows of which not one converts are no records of this tool (a file
    // saved again in some other layout): the side keeps what it had.
    if (rows > 0 && buffer.size() == 0 && !buffer.failed())
        return ImportResult::Failed;
    selectSide(state, side);
    buffer.settleTimes(times.repeated);
    return addSide(state, buffer, side, recordFormatNo) ? ImportResult::Delivered
                                                        : ImportResult::Failed;
}

ImportResult importCsv(ImportState& state, int language)
{
    UnitIdentity& unit = state.import.unit;
    unit.hardwareVersion = -1.0;
    unit.pvnValue = -1;
    unit.pulseInput = -1;
    unit.serialNumber = -1;
    unit.statusSideA = 0;
    unit.statusSideB = 0;
    unit.softwareVersion = QStringLiteral("-1");
    unit.pcmText = QStringLiteral("-1");
    unit.countryCode = -1;
    unit.flags = 0;

    CsvLines lines(state.file, language);
    if (!lines.next() || !lines.startsWithText(FileText::exportTitle))
        return ImportResult::Failed;
    if (!lines.next() || !lines.startsWithText(FileText::serialNumber)
        || !requiredInteger(lines.fields(), 1, unit.serialNumber))
        return ImportResult::Failed;
    if (!lines.next() || !lines.startsWithText(FileText::hardwareVersion)
        || !readIdentity(unit, lines.fields()))
        return ImportResult::Failed;
    qCDebug(lcImport) << "Bis hier 1";
    if (!lines.next())
        return ImportResult::Failed;
    if (lines.startsWithText(FileText::sectionSideA)) {
        qCDebug(lcImport) << "Bis hier 2";
        bool formatNo = false;
        const qint32 otherUnitA = otherUnitOnTitle(lines);
        if (!readSectionHeader(lines, unit.statusSideA, formatNo))
            return ImportResult::Failed;
        bool reachedSideB = false;
        const ImportResult result = readRows(state, lines, 'A', formatNo, true, &reachedSideB);
        if (result == ImportResult::Delivered)
            state.import.sides.back().otherSerialNumber = otherUnitA;
        if (result != ImportResult::Delivered || !reachedSideB)
            return result;
        state.import.sides.back().announcedBeforeEnd = true;
    }
    if (!lines.startsWithText(FileText::sectionSideB))
        return ImportResult::Failed;
    qCDebug(lcImport) << "LINE A";
    bool formatNo = false;
    const qint32 otherUnitB = otherUnitOnTitle(lines);
    if (!readSectionHeader(lines, unit.statusSideB, formatNo))
        return ImportResult::Failed;
    const ImportResult result = readRows(state, lines, 'B', formatNo, false, nullptr);
    if (result == ImportResult::Delivered)
        state.import.sides.back().otherSerialNumber = otherUnitB;
    return result;
}

// The first lines of a CSV export, enough to tell its language.
QStringList leadingLines(QIODevice& file, int count)
{
    QStringList result;
    QByteArray raw;
    file.seek(0);
    while (result.size() < count && readLine(file, raw))
        result.append(QString::fromUtf8(raw));
    if (!result.isEmpty() && result.first().startsWith(QChar(0xFEFF)))
        result.first().remove(0, 1);
    return result;
}

bool headerInLanguage(const QStringList& lines, int language)
{
    auto starts = [&](int line, int n) { return line < lines.size() && lineStartsWith(lines.at(line), textIn(n, language)); };
    using namespace FileText;
    return starts(0, exportTitle) && starts(1, serialNumber) && starts(2, hardwareVersion)
           && (starts(3, sectionSideA) || starts(3, sectionSideB));
}

// The language of a CSV export: a language whose text 54 occurs in the
// header. Several languages may share that title (a product name), so the
// first whose texts also begin lines 2 to 4 wins; -1 when none occurs.
// The first line counts as header too, since a title may be longer than
// the 32 header bytes.
int csvLanguage(QIODevice& file, const QByteArray& header)
{
    const QString headerText = QString::fromUtf8(header);
    const QStringList lines = leadingLines(file, 4);
    const QString firstLine = lines.value(0);
    int firstCandidate = -1;
    for (int language = 0; language < textTableLanguages; ++language) {
        const QString title = textIn(FileText::exportTitle, language);
        if (title.isEmpty() || (!headerText.contains(title) && !firstLine.contains(title)))
            continue;
        if (headerInLanguage(lines, language))
            return language;
        if (firstCandidate < 0)
            firstCandidate = language;
    }
    return firstCandidate;
}

ImportResult importOpenFile(ImportState& state)
{
    QByteArray header = state.file.read(headerBytes);
    if (header.size() < headerBytes)
        return ImportResult::Failed;
    // A dump saved by an editor that marks UTF-8 (Notepad, PowerShell)
    // starts with a byte order mark; the history lines follow it.
    const QByteArray byteOrderMark("\xEF\xBB\xBF");
    const qint64 rawStart = header.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    if (rawStart > 0 && state.file.seek(rawStart)) {
        const QByteArray afterMark = state.file.read(headerBytes);
        if (afterMark.size() == headerBytes)
            header = afterMark;
    }
    const QByteArray tag = header.mid(1, 3);
    if (tag == "=Nr" || tag == "=No") {
        if (!state.file.seek(rawStart))
            return ImportResult::Failed;
        return importRaw(state, header.at(0));
    }
    const int language = csvLanguage(state.file, header);
    if (language < 0 || !state.file.seek(0))
        return ImportResult::Failed;
    return importCsv(state, language);
}

} // namespace

QString importResultName(ImportResult result)
{
    switch (result) {
    case ImportResult::Delivered:
        return QStringLiteral("read");
    case ImportResult::FileUnreadable:
        return QStringLiteral("not readable");
    case ImportResult::Failed:
        break;
    }
    return QStringLiteral("not a data file of this tool");
}

UnitIdentity DataImport::unitOf(const ImportedSide& imported) const
{
    if (imported.otherSerialNumber <= 0)
        return unit;
    UnitIdentity other;
    other.serialNumber = imported.otherSerialNumber;
    other.softwareVersion = other.pcmText = QStringLiteral("-1");
    other.pvnValue = other.pulseInput = -1;
    // The side's block carried that unit's status word.
    other.statusSideA = unit.statusSideA;
    other.statusSideB = unit.statusSideB;
    return other;
}

const ImportedSide* DataImport::side(char letter) const
{
    for (const ImportedSide& imported : sides) {
        if (imported.side == letter)
            return &imported;
    }
    return nullptr;
}

DataImport readDataFile(QIODevice& device)
{
    DataImport import;
    ImportState state(import, device);
    import.result = importOpenFile(state);
    return import;
}

DataImport readDataFile(const QString& path)
{
    QFile file(path);
    // Only regular files: opening a named pipe would wait for a writer
    // that never comes.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        DataImport unreadable;
        unreadable.result = ImportResult::FileUnreadable;
        return unreadable;
    }
    return readDataFile(file);
}
