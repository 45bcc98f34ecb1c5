// The record block: its header, module directory and checksum.
#include "modules/RecordBlock.h"

#include <cstring>

#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "modules/ModuleRecord.h"

namespace {

constexpr size_t LoadAddressInEntry = 8;

bool HeaderWordKeepsFloorClear(uint16_t word)
{
    // Only 1 to 4 put the floor between the default module number and the first entry.
    return word >= 1 && word <= 4;
}

// An entry is only looked at when all of it lies below the device table.
bool EntryFits(size_t offset)
{
    return offset + ModuleEntrySize <= DeviceTableOffset;
}

// Value of the leading decimal digits of name[from, to), 0 when it starts with none; stops at
// the name's end, which may come before 8 characters.
unsigned LeadingNumber(const char* name, size_t from, size_t to)
{
    for (size_t i = 0; i < from; ++i)
        if (name[i] == '\0') return 0;
    unsigned value = 0;
    for (size_t i = from; i < to && name[i] >= '0' && name[i] <= '9'; ++i) value = value * 10 + unsigned(name[i] - '0');
    return value;
}

}  // namespace

int ReadRecordBlockHeader(const uint8_t* block, RecordBlockHeader* header)
{
    const uint16_t word = LoadBE16(block);
    if (!HeaderWordKeepsFloorClear(word)) {
        header->firstHeaderWord = FreshFirstHeaderWord;
        header->moduleCount = 0;
        header->sramFloor = 0;
        return 0;
    }
    header->firstHeaderWord = word;
    header->moduleCount = LoadBE16(block + 2);
    header->sramFloor = LoadBE32(block + 2 + 4 * size_t(word));
    for (size_t offset = ModuleDirectoryOffset; EntryFits(offset); offset += ModuleEntrySize) {
        const uint32_t loadAddress = LoadBE32(block + offset + LoadAddressInEntry);
        if (loadAddress == 0) break;
        header->nextLoadAddress = loadAddress;
    }
    return 1;
}

uint32_t ModuleImageLength(size_t bytesRead)
{
    return uint32_t((bytesRead + 3) & ~size_t(3));
}

int ModuleTargetCode(const char* moduleName)
{
    if (std::strstr(moduleName, "Sat") || std::strstr(moduleName, "SAT") || std::strstr(moduleName, "sat")) return 0x0002;
    if (std::strstr(moduleName, "Dex") || std::strstr(moduleName, "DEX") || std::strstr(moduleName, "dex")) return 0x00FC;
    return -1;
}

void WriteRecordBlockHeader(uint8_t* block, uint16_t firstHeaderWord, uint16_t moduleCount, int isDefault,
                            uint32_t sramFloor)
{
    StoreBE16(block, firstHeaderWord);
    StoreBE16(block + 2, moduleCount);
    if (isDefault) StoreBE16(block + 4, moduleCount);
    if (HeaderWordKeepsFloorClear(firstHeaderWord)) StoreBE32(block + 2 + 4 * size_t(firstHeaderWord), sramFloor);
}

size_t FillModuleEntry(uint8_t* block, const char* moduleName, uint32_t loadAddress, uint32_t length,
                       uint32_t checksum)
{
    size_t offset = ModuleDirectoryOffset;
    while (EntryFits(offset) && LoadBE32(block + offset + LoadAddressInEntry) != 0) offset += ModuleEntrySize;
    if (!EntryFits(offset)) return 0;

    uint8_t* entry = block + offset;
    const int code = ModuleTargetCode(moduleName);
    if (code >= 0) StoreBE16(entry, uint16_t(code));
    entry[2] = uint8_t(LeadingNumber(moduleName, 5, 6));  // version units, name offset 5
    entry[3] = uint8_t(LeadingNumber(moduleName, 6, 8));  // hundredths, name offsets 6 and 7
    std::memset(entry + 4, 0, 4);
    StoreBE32(entry + 8, loadAddress);
    StoreBE32(entry + 12, length);
    StoreLE32(entry + 16, checksum);
    return offset;
}

void SealRecordBlock(uint8_t* block)
{
    StoreLE32(block + RecordChecksumOffset, XorChecksum(block, RecordChecksumOffset / 4));
}

bool RecordBlockIsSealed(const uint8_t* block)
{
    return LoadLE32(block + RecordChecksumOffset) == XorChecksum(block, RecordChecksumOffset / 4);
}

int RecordBlockLists(const uint8_t* block, const char* installedList)
{
    RecordBlockHeader header{};
    if (!RecordBlockIsSealed(block) || !ReadRecordBlockHeader(block, &header))
        return 0;
    size_t offset = ModuleDirectoryOffset;
    size_t position = 0;
    size_t recordLength = 0;
    while (const char* record = NextModuleRecord(installedList, &position, &recordLength)) {
        char name[ModuleNameLength + 1] = {};
        std::memcpy(name, record, recordLength < size_t(ModuleNameLength) ? recordLength : size_t(ModuleNameLength));
        if (!EntryFits(offset) || LoadBE32(block + offset + LoadAddressInEntry) == 0)
            return 0;
        const uint8_t* entry = block + offset;
        const int code = ModuleTargetCode(name);
        if ((code >= 0 && LoadBE16(entry) != code) || entry[2] != uint8_t(LeadingNumber(name, 5, 6)) ||
            entry[3] != uint8_t(LeadingNumber(name, 6, 8)))
            return 0;
        offset += ModuleEntrySize;
    }
    return !EntryFits(offset) || LoadBE32(block + offset + LoadAddressInEntry) == 0;
}
