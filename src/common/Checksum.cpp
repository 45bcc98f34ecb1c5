#include "common/Checksum.h"
#include "common/ByteOrder.h"

uint32_t XorChecksum(const uint8_t* words, size_t count)
{
    uint32_t sum = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i)
        sum ^= LoadLE32(words + 4 * i);
    return sum;
}
