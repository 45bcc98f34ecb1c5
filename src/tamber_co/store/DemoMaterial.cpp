#include "store/DemoMaterial.h"
#include <cstdio>
#include <cstring>
#include "model/FaultPlan.h"
#include "store/AtomicFile.h"

const char* const DemoModuleList = "SatCD100400000;DexCD100300010;";

const std::vector<DemoFile>& DemoFiles()
{
    static const std::vector<DemoFile> files = {
        {"SatCD100.bin", 40000},
        {"DexCD100.bin", 30001},
        {"cutcd004.bin", 12288},
    };
    return files;
}

std::vector<uint8_t> DemoFileBytes(const DemoFile& file)
{
    std::vector<uint8_t> bytes(file.size);
    uint64_t seed = 0;
    for (const char* p = file.name; *p; ++p) seed = seed * 131 + uint8_t(*p);
    for (uint32_t i = 0; i < file.size; ++i) bytes[i] = uint8_t(MixBits(seed, i / 8) >> (8 * (i % 8)));
    // A readable header after byte 8: bytes 3 to 6 of the cutter module are overwritten by the
    // program with the device numbers, speed and test flag.
    char header[64];
    const int n = std::snprintf(header, sizeof header, "Tamber demo %s", file.name);
    if (file.size >= 8 + uint32_t(n)) std::memcpy(bytes.data() + 8, header, size_t(n));
    return bytes;
}

bool WriteDemoFiles(const std::string& folder)
{
    if (!MakeDirectories(folder)) return false;
    bool ok = true;
    for (const DemoFile& f : DemoFiles()) {
        const std::vector<uint8_t> bytes = DemoFileBytes(f);
        ok = ReplaceFileAtomically(JoinPath(folder, f.name), bytes.data(), bytes.size(), true) && ok;
    }
    return ok;
}

bool SeedDefaultSettings(SettingsStore& store, const std::string& keyFile, const std::string& moduleFolder,
                         const std::string& pathValue)
{
    uint32_t size = 0;
    const int32_t probe = store.Query(keyFile, "Path", false, nullptr, &size);
    if (probe >= 0 && size > 0) return false;
    if (!WriteDemoFiles(moduleFolder)) return false;
    std::string folder = pathValue;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    const auto set = [&](const char* name, const std::string& text) {
        return store.Set(keyFile, name, false, reinterpret_cast<const uint8_t*>(text.c_str()), uint32_t(text.size())) >= 0;
    };
    // Path last: a first run cut short is simply done again.
    return set("Modules", DemoModuleList) && set("ModsInstalled", DemoModuleList) && set("DefModule", "Sat") &&
           set("Path", folder);
}
