#include "common/ByteOrder.h"

void StoreBE32(uint8_t* d, uint32_t v)
{
    d[0] = uint8_t(v >> 24);
    d[1] = uint8_t(v >> 16);
    d[2] = uint8_t(v >> 8);
    d[3] = uint8_t(v);
}

void StoreLE32(uint8_t* d, uint32_t v)
{
    d[0] = uint8_t(v);
    d[1] = uint8_t(v >> 8);
    d[2] = uint8_t(v >> 16);
    d[3] = uint8_t(v >> 24);
}

void StoreBE16(uint8_t* d, uint16_t v)
{
    d[0] = uint8_t(v >> 8);
    d[1] = uint8_t(v);
}

uint32_t LoadBE32(const uint8_t* s)
{
    return uint32_t(s[0]) << 24 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 8 | s[3];
}

uint32_t LoadLE32(const uint8_t* s)
{
    return uint32_t(s[3]) << 24 | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
}

uint16_t LoadBE16(const uint8_t* s)
{
    return uint16_t(s[0] << 8 | s[1]);
}
