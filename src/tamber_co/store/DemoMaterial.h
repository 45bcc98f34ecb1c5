// Demo material: module images for both targets and a cutter module, made by code so a fresh
// machine can start, upload and boot with no file from anywhere else.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "store/SettingsStore.h"

struct DemoFile {
    const char* name;   // file name in the module folder
    uint32_t size;
};
// SatCD100.bin (40,000 bytes), DexCD100.bin (30,001 bytes), cutcd004.bin.
const std::vector<DemoFile>& DemoFiles();

// The bytes of one demo file; the same name always gives the same bytes.
std::vector<uint8_t> DemoFileBytes(const DemoFile& file);

// Writes every demo file into folder (created if needed). False when one could not be written.
bool WriteDemoFiles(const std::string& folder);

// First run: when the machine key has no "Path", writes the demo files into moduleFolder and sets
// "Path" (to pathValue, the folder as the program names it), "Modules", "ModsInstalled" and
// "DefModule". Returns true when it seeded.
bool SeedDefaultSettings(SettingsStore& store, const std::string& machineKeyFile, const std::string& moduleFolder,
                         const std::string& pathValue);

extern const char* const DemoModuleList;   // "SatCD100400000;DexCD100300010;"
