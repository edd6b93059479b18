// Any reply line to a register command: parsing must never crash and never
// decode a value the line does not carry.
#include "reader/registerframing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString reply = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    qint32 value = 0x5A5A5A5A;
    const quint8 result = RegisterFraming::parseRegisterReply(12345, 101, 'C', &value, reply);
    if (result > 4)
        __builtin_trap();
    if (result != 0 && value != 0x5A5A5A5A)
        __builtin_trap(); // a rejected reply must leave the destination alone
    RegisterFraming::registerChecksum(reply);
    return 0;
}
