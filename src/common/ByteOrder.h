// Byte order helpers: numbers in emulator memory are big-endian, checksums little-endian.
#pragma once
#include <cstdint>

void StoreBE32(uint8_t* destination, uint32_t value);
void StoreLE32(uint8_t* destination, uint32_t value);
void StoreBE16(uint8_t* destination, uint16_t value);
uint32_t LoadBE32(const uint8_t* source);
uint32_t LoadLE32(const uint8_t* source);
uint16_t LoadBE16(const uint8_t* source);
