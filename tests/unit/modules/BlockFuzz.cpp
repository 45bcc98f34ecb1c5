// Feeds arbitrary emulator blocks and settings texts to the readers that meet them first.
#include <cstring>
#include <string>
#include <vector>
#include "emulator/ErrorTable.h"
#include "modules/ModuleRecord.h"
#include "modules/RecordBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exact-size heap copies, so any read past a block is caught.
    std::vector<uint8_t> block(RecordBlockSize, 0);
    std::memcpy(block.data(), data, size < RecordBlockSize ? size : RecordBlockSize);
    RecordBlockHeader header{0, 0, 0, ModuleAreaTop};
    ReadRecordBlockHeader(block.data(), &header);

    std::vector<uint8_t> stored(12, 0);
    std::memcpy(stored.data(), data, size < 12 ? size : 12);
    char name[13];
    DecodeDiscFileName(name, stored.data());

    // The text halves as the two settings lists; the first also walked and decoded record by record.
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string installed = text.substr(0, size / 2).c_str();
    const std::string available = text.substr(size / 2).c_str();
    size_t position = 0, length = 0;
    while (const char* record = NextModuleRecord(installed.c_str(), &position, &length)) {
        char shown[18], version[8], bytes[8];
        int flag = 0;
        DecodeModuleRecord(record, shown, version, bytes, &flag, int(length < 14 ? length : 14));
        std::vector<char> encoded(size_t(ModuleRecordLength) + 1);
        EncodeModuleRecord(encoded.data(), shown, version, bytes, &flag, ModuleRecordLength);
    }
    UpgradeInstalledModules(installed.data(), available.c_str());
    return 0;
}
