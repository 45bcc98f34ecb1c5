// Arbitrary bytes where the library meets the outside: a record block and module directory in
// SRAM, a cutter image, a settings file and a scenario file. None of them may crash the library.
#include <cstring>
#include "model/VirtualEmulator.h"
#include "store/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Scenario scenario = DefaultScenario();
    ManualClock clock;
    FaultPlan faults;
    VirtualEmulator box(scenario, clock, faults);
    uint32_t handle = 0;
    box.AcquireHandle(&handle);

    // The first 512 bytes as the record block; the rest as a module image and a cutter image.
    std::vector<uint8_t> block(512, 0);
    std::memcpy(block.data(), data, size < 512 ? size : 512);
    box.WriteMemory(handle, VirtualEmulator::RecordBlock, block.data(), 512);
    if (size > 512) {
        std::vector<uint8_t> rest(data + 512, data + size);
        box.WriteMemory(handle, 0xF3E00 - uint32_t(rest.size() % 0x40000), rest.data(), uint32_t(rest.size() % 0x40000));
        box.DownloadCutterModule(handle, rest.data(), uint32_t(rest.size()));
    }
    uint8_t out[200];
    for (uint32_t kind = 0, n = 64; kind <= 4; ++kind, n = 64) box.GetStatus(handle, out, &n, kind);
    uint32_t n = sizeof out;
    box.GetTargetInfo(handle, out, &n);
    box.TakeMessages();

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, SettingsStore::Value> values;
    if (SettingsStore::Parse(text, values) == SettingsStore::LoadResult::Ok) {
        // What parses must write back to the same values.
        std::map<std::string, SettingsStore::Value> again;
        if (SettingsStore::Parse(SettingsStore::Format(values), again) != SettingsStore::LoadResult::Ok ||
            again.size() != values.size())
            __builtin_trap();
    }
    Scenario parsed = DefaultScenario();
    std::string error;
    ParseScenario(text, parsed, error);
    return 0;
}
