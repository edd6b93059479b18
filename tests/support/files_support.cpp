#include "files_support.h"

#include "frame/texttable.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const prefixes[6] = {"Text", "Größe", "Élément", "Unità", "文本", "Señal"};

QStringList specialTexts(int n)
{
    switch (n) {
    case 54:
        return {"KELMORA export & data", "KELMORA Datenübersicht Zapfsäule",
                "Exportation KELMORA données", "Esportazione KELMORA", "KELMORA 数据导出",
                "Exportación KELMORA"};
    case 126:
        return {"Side A <left>", "Seite A (links)", "Côté A", "Lato A", "A 侧", "Lado A"};
    case 127:
        return {"Side B <right>", "Seite B (rechts)", "Côté B", "Lato B", "B 侧", "Lado B"};
    case 110:
        return {"Rate & class", "Rate & Klasse", "Taux & classe", "Tasso & classe", "比率 & 类",
                "Tasa & clase"};
    case 122:
        return {"Serial number", "Seriennummer", "Numéro de série", "Numero di serie", "序列号",
                "Número de serie"};
    default:
        return {};
    }
}

} // namespace

QString filesWriteTextTable(const QString& dir, bool sharedTitle)
{
    const QString path = dir + QStringLiteral("/qm7.loc");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << "# synthetic six-language table for the file tests\n\n";
    for (int n = 0; n < textTableEntries; ++n) {
        QStringList texts = specialTexts(n);
        if (texts.isEmpty()) {
            for (const char* prefix : prefixes)
                texts << QString::fromUtf8(prefix) + QLatin1Char(' ') + QString::number(n);
        }
        if (n == 54 && sharedTitle)
            texts = QStringList(6, QStringLiteral("KELMORA Diagnose"));
        out << "key" << n << ';' << texts.join(QLatin1Char(';')) << '\n';
    }
    out.flush();
    return file.error() == QFileDevice::NoError ? path : QString();
}

bool filesLoadSyntheticTexts(bool sharedTitle)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString path = filesWriteTextTable(dir.path(), sharedTitle);
    return !path.isEmpty() && loadTextTableFrom(path);
}

KelmoraFillingData filesRecord(int number)
{
    KelmoraFillingData r;
    std::memset(&r, 0, sizeof r);
    r.number = number;
    r.timestamp = quint32(QDateTime(QDate(2013, 12, 31), QTime(12, 0)).toSecsSinceEpoch()) + quint32(number) * 61;
    r.levelCode = quint16(number % 13);
    r.fillings = quint16(10 + number % 40);
    r.ratePercent = 90.0 + (number % 25) * 0.5;
    r.linePercent = 100.0 - (number % 7);
    r.temperature = 15.25 + (number % 11);
    r.integerPercent = quint16(95 + number % 9);
    r.auxValue = 0.125 * (number % 5);
    r.fuelFlow = 30.5 + (number % 17) * 0.25;
    r.optionalFirst = 1.5 + (number % 3);
    r.optionalSecond = -2.75 + (number % 4);
    static const qint32 limits[] = {0, -1, 3000, 70};
    r.limit = limits[quint32(number) % 4];  // numbers may be negative
    r.separator = number % 2 ? '.' : ':';
    return r;
}

KelmoraFillingData filesBandedRecord(int number)
{
    KelmoraFillingData r = filesRecord(number);
    if (number % 10 == 0)
        r.ratePercent = 80.0;
    else if (number % 10 == 5)
        r.ratePercent = 120.0;
    return r;
}

void filesInstallSide(char side, const QVector<KelmoraFillingData>& records)
{
    const size_t capacity = size_t(qMax(1, int(records.size())));
    auto* array = static_cast<KelmoraFillingData*>(std::malloc(capacity * sizeof(KelmoraFillingData)));
    if (!records.isEmpty())
        std::memcpy(array, records.constData(), size_t(records.size()) * sizeof(KelmoraFillingData));
    installSideRecords(side, array, quint16(records.size()));
}

QVector<KelmoraFillingData> filesSideRecords(char side)
{
    KelmoraFillingData* array = *sideRecordsVariable(side);
    const quint16 count = *sideCountVariable(side);
    QVector<KelmoraFillingData> result;
    for (int i = 0; array && i < count; ++i)
        result.append(array[i]);
    return result;
}

QString filesRecordDifference(const KelmoraFillingData& a, const KelmoraFillingData& b)
{
#define FILES_COMPARE(field)                                                                     \
    if (!(a.field == b.field))                                                                   \
        return QStringLiteral(#field " %1 != %2").arg(a.field).arg(b.field);
    FILES_COMPARE(number)
    FILES_COMPARE(integerPercent)
    FILES_COMPARE(timestamp)
    FILES_COMPARE(fillings)
    FILES_COMPARE(levelCode)
    FILES_COMPARE(fuelFlow)
    FILES_COMPARE(auxValue)
    FILES_COMPARE(temperature)
    FILES_COMPARE(ratePercent)
    FILES_COMPARE(linePercent)
    FILES_COMPARE(optionalFirst)
    FILES_COMPARE(optionalSecond)
    FILES_COMPARE(limit)
    FILES_COMPARE(separator)
#undef FILES_COMPARE
    return QString();
}

QList<FilesZipEntry> filesZipEntries(const QString& path)
{
    QList<FilesZipEntry> entries;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return entries;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly))
            break;
        entries.append({zip.getCurrentFileName(), file.readAll()});
        file.close();
    }
    zip.close();
    return entries;
}

bool filesRun(const QString& program, const QStringList& arguments, int timeoutMs,
              QByteArray* output, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return false;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    if (output)
        *output = process.readAll();
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

QString filesFindProgram(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

bool filesSofficeConvert(const QString& file, const QString& filter, const QString& outDir,
                         const QString& profileDir)
{
    const QString soffice = filesFindProgram(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return false;
    return filesRun(soffice,
                    {QStringLiteral("-env:UserInstallation=file://") + profileDir,
                     QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                     QStringLiteral("--outdir"), outDir, file},
                    240000);
}

QList<QStringList> filesParseCommaCsv(const QByteArray& data)
{
    QList<QStringList> rows;
    const QString textData = QString::fromUtf8(data);
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < textData.size(); ++i) {
        const QChar c = textData.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < textData.size() && textData.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

ExportContent filesStoredContent(const ExportIdentity& unit, bool sideA, bool sideB, bool formatNoA,
                                 bool formatNoB)
{
    ExportContent content;
    content.unit = unit;
    content.language = currentLanguage();
    if (sideA)
        content.sideA = storedSide('A', formatNoA);
    if (sideB)
        content.sideB = storedSide('B', formatNoB);
    return content;
}

ExportIdentity filesUnit()
{
    ExportIdentity unit;
    unit.serialNumber = 4711;
    unit.hardwareVersion = 2.5;
    unit.softwareVersion = QStringLiteral("V1.40");
    unit.pvnValue = 12;
    unit.pulseInput = 100;
    unit.countryCode = 49;
    unit.pcmText = QStringLiteral("PCM-7");
    unit.flags = 4;
    unit.statusSideA = 6;
    unit.statusSideB = 0;
    return unit;
}
