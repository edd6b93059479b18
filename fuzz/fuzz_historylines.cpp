// Any bytes as the unit's reply to a history request: the parser must never
// write past the record array it is given, never produce more records than
// there are history lines, and never more than a side's 16-bit count holds.
#include "model/historyparser.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Terminated lines that begin with a side tag, counted independently of the
// parser: every record needs one of them.
int terminatedHistoryLines(const QByteArray& bytes)
{
    int lines = 0;
    int start = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\r') {
            if (isHistoryLine(bytes.constData() + start, i - start))
                ++lines;
            start = i + 1;
        } else if (c == '\n' && start == i) {
            start = i + 1;  // line feeds in front of a line belong to no line
        }
    }
    return lines;
}

// Parses into an array of exactly capacity records (so ASan sees any write
// beyond it) and checks the bounds of the result.
int parseChecked(const QByteArray& bytes, int capacity)
{
    auto* records = static_cast<KelmoraFillingData*>(
        std::calloc(size_t(qMax(capacity, 1)), sizeof(KelmoraFillingData)));
    if (!records)
        return 0;
    bool formatNo = false;
    bool formatDecided = false;
    const int produced = parseHistoryLines(bytes, records, capacity, &formatNo, &formatDecided);
    if (produced < 0 || produced > capacity || produced > int(maxSideRecords))
        __builtin_trap();
    std::free(records);
    return produced;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The array the download allocates: one record per carriage return,
    // never more than a side can count.
    const int capacity = qMin(countLineEnds(bytes), int(maxSideRecords));
    const int produced = parseChecked(bytes, capacity);
    if (produced > terminatedHistoryLines(bytes))
        __builtin_trap();
    // A smaller array than the lines need: parsing must stop at its end.
    if (capacity > 1) {
        // The first records come out the same, so exactly the smaller of
        // the two counts.
        const int part = parseChecked(bytes, capacity / 2);
        if (part != qMin(produced, capacity / 2))
            __builtin_trap();
    }
    return 0;
}
