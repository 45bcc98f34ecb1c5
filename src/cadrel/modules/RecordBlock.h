// The emulator's record block (512 bytes at SRAM 0xFFE00) and module images: pure byte work.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t ModuleAreaTop = 0xF3E00;
constexpr uint32_t RecordBlockAddress = 0xFFE00;
constexpr uint32_t DeviceTableAddress = 0xFFF00;
constexpr size_t RecordBlockSize = 512;
constexpr size_t RecordBlockUpperHalf = 256;        // device table and checksum
constexpr size_t ModuleDirectoryOffset = 22;
constexpr size_t ModuleEntrySize = 20;
constexpr size_t DeviceTableOffset = 256;
constexpr size_t RecordChecksumOffset = 508;
constexpr size_t ModuleImageMaximum = 49152;
constexpr uint16_t FreshFirstHeaderWord = 4;

// What start-up takes from a block read from the emulator. A first header word outside 1 to 4
// is taken as "no module record data": count 0, floor 0, next load address left as given.
struct RecordBlockHeader {
    uint16_t firstHeaderWord;
    uint16_t moduleCount;
    uint32_t sramFloor;
    uint32_t nextLoadAddress;  // load address of the last directory entry
};
// Returns 0 (and the fresh values: word 4, count 0, floor 0, next load unchanged) when the
// first header word is outside 1 to 4; 1 otherwise. Never reads outside the 512 bytes.
int ReadRecordBlockHeader(const uint8_t* block, RecordBlockHeader* header);

// Image length for a file of bytesRead bytes: (bytesRead + 3) rounded down to a multiple of 4.
uint32_t ModuleImageLength(size_t bytesRead);

// Target code of a module name: 0x0002 when it contains Sat/SAT/sat, 0x00FC for Dex/DEX/dex,
// -1 when neither (the entry's code bytes are then left as they are).
int ModuleTargetCode(const char* moduleName);

// Header update after a module was placed: word N at 0, count at 2, count at 4 when it is the
// default, the floor at 2 + 4N (N of 1 to 4 only; other values write no floor).
void WriteRecordBlockHeader(uint8_t* block, uint16_t firstHeaderWord, uint16_t moduleCount, int isDefault,
                            uint32_t sramFloor);

// Fills the first directory entry whose load address is 0; returns its offset, or 0 when the
// directory (offsets 22 to 255) is full.
size_t FillModuleEntry(uint8_t* block, const char* moduleName, uint32_t loadAddress, uint32_t length,
                       uint32_t checksum);

// XorChecksum of bytes 0 to 507, stored little-endian at 508.
void SealRecordBlock(uint8_t* block);

// True when the checksum at 508 matches bytes 0 to 507.
bool RecordBlockIsSealed(const uint8_t* block);

// 1 when the block is sealed and its directory lists exactly the modules of the installed list,
// in order (each entry's target and version); the images themselves are the box's to check.
int RecordBlockLists(const uint8_t* block, const char* installedList);
