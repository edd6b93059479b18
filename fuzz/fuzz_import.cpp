// Any bytes as a data file the user loads: the import must never crash, must
// answer with one of its result codes, and every count it hands out must fit
// the array beside it and the lines the file has.
#include "reader/app_kelmoradatareader.h"
#include "files/import.h"
#include "model/kelmorafillingdata.h"
#include "frame/texttable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QBuffer>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

using R = APP_KelmoraDataReader;

struct Delivery {
    KelmoraFillingData* records;
    quint16* count;
    quint8 code;
};

QCoreApplication* application = nullptr;
APP_KelmoraDataReader* reader = nullptr;
QVector<Delivery> deliveries;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// A broken promise of the import: says which one, then stops the run.
void require(bool holds, const char* promise, const Delivery& d)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz_import: broken: %s (code %d, records %p, count %p = %d, "
                 "A %p/%d, B %p/%d)\n", promise, d.code, static_cast<void*>(d.records),
                 static_cast<void*>(d.count), d.count ? int(*d.count) : -1,
                 static_cast<void*>(sideARecords), int(sideACount),
                 static_cast<void*>(sideBRecords), int(sideBCount));
    __builtin_trap();
}

// Reads every record the count claims, so ASan sees an array shorter than
// its count.
double touchRecords(const KelmoraFillingData* records, quint16 count)
{
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += records[i].number + records[i].timestamp + records[i].fuelFlow;
    return sum;
}

void checkDelivery(const Delivery& d, qsizetype lineBound)
{
    require(d.code == R::DataFailed || d.code == R::DataDelivered || d.code == R::DataNoSideSelected,
            "result code failed, delivered or no side selected", d);
    require(d.code != R::DataNoSideSelected || (!d.records && !d.count),
            "no side selected: no array and no count", d);
    require(d.code != R::DataDelivered || d.count, "records delivered with their count", d);
    if (!d.count)
        return;
    const bool sideA = d.count == &sideACount;
    require(sideA || d.count == &sideBCount, "a count that belongs to a side", d);
    KelmoraFillingData* const array = sideA ? sideARecords : sideBRecords;
    require(d.records == array, "the array of the counted side", d);
    require(*d.count == 0 || array, "an array for a count above 0", d);
    require(*d.count <= lineBound, "no more records than lines", d);
    volatile double sink = touchRecords(array, *d.count);
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    application = new QCoreApplication(*argc, *argv);
    // The texts the CSV export writes, so CSV files get past their header.
    const QString texts = QFileInfo(QString::fromLocal8Bit((*argv)[0])).absolutePath()
        + QStringLiteral("/qm7.loc");
    if (!loadTextTableFrom(texts) || textIn(54, 0).isEmpty()) {
        std::fprintf(stderr, "fuzz_import: no text table at %s\n", qPrintable(texts));
        std::exit(2);
    }
    qInstallMessageHandler(quiet);
    reader = new APP_KelmoraDataReader;
    QObject::connect(reader, &APP_KelmoraDataReader::dataReady, reader,
                     [](KelmoraFillingData* records, quint16* count, quint8 code) {
                         deliveries.append({records, count, code});
                     }, Qt::DirectConnection);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    resetSideStorage();
    deliveries.clear();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     qsizetype(size));
    // The bytes are read where they lie, as the window's import reads a file.
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    DataImport import = readDataFile(device);
    reader->installImport(import);

    // Every record comes from a line of its own, whatever ends the lines.
    const qsizetype lineBound = bytes.count('\r') + bytes.count('\n') + 1;
    // One delivery for a raw file or a failure; a CSV file with a side A
    // section followed by a side B title delivers side A first.
    if (deliveries.isEmpty() || deliveries.size() > 2) {
        std::fprintf(stderr, "fuzz_import: broken: %d deliveries\n", int(deliveries.size()));
        __builtin_trap();
    }
    if (deliveries.size() == 2) {
        require(deliveries.at(0).count == &sideACount && deliveries.at(0).code == R::DataDelivered,
                "side A delivered first", deliveries.at(0));
        // Then side B, or the failure of a broken side B section, which
        // still names side A, the side this import selected last.
        const Delivery& second = deliveries.at(1);
        require(second.count == &sideBCount || (second.code == R::DataFailed && second.count == &sideACount),
                "side B or a failure delivered second", second);
    }
    for (const Delivery& d : deliveries)
        checkDelivery(d, lineBound);
    return 0;
}
