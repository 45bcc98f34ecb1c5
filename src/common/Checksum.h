// The emulator's image checksum: 0xFFFFFFFF exclusive-or every little-endian 32-bit word.
#pragma once
#include <cstddef>
#include <cstdint>

// words points at count * 4 bytes; no alignment needed. A count of 0 gives 0xFFFFFFFF.
uint32_t XorChecksum(const uint8_t* words, size_t count);
