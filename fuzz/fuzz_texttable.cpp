// Any bytes as qm7.loc: the loader must never crash, overrun a slot or hang.
#include "frame/texttable.h"

#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open())
        return 0;
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.flush();
    if (loadTextTableFrom(file.fileName())) {
        for (int n = 0; n < textTableEntries; ++n) {
            const QString value = textIn(n, n % textTableLanguages);
            if (value.toUtf8().size() > 3 * (textTableSlotBytes - 1))
                __builtin_trap();
            wrapText(value, n % 12);
        }
    }
    return 0;
}
