#include "modules/ModuleRules.h"
#include <cstring>
#include "modules/ModuleRecord.h"

const char ValidationCaption[] = "Validation Error";
const char ModuleDeleteCaption[] = "Module Delete";

namespace {
const char SaturnName[] = "Sega Saturn";
const char PlaystationName[] = "Playstation (Dex)";
}  // namespace

const char* InstalledSetRefusal(size_t count, const char* installedText)
{
    if (count == 0)
        return "You have not specified any Emulation Modules for download";
    if (HasTwoModulesForATarget(installedText))
        return "You can only download one module for each target";
    return nullptr;
}

const char* DeleteRefusal(size_t storedCount, bool installed)
{
    if (storedCount == 1)
        return "There must be at least ONE module stored on this machine.";
    if (installed)
        return "That module is currently in use.";
    return nullptr;
}

const char* DefaultTargetName(const char* value)
{
    if (strcmp(value, "Sat") == 0 || strcmp(value, "SAT") == 0)
        return SaturnName;
    if (strcmp(value, "Dex") == 0 || strcmp(value, "DEX") == 0)
        return PlaystationName;
    return "None";
}

const char* DefaultTargetValue(const char* name)
{
    return strcmp(name, SaturnName) == 0 ? "Sat" : strcmp(name, PlaystationName) == 0 ? "Dex" : "Nun";
}

// As the dialog always did: "Sega Saturn" holds "Sat"; an empty default is held by every name.
bool RemovesDefault(const char* name, const char* defaultValue)
{
    return strstr(name, defaultValue) != nullptr;
}

std::string ModuleListTextOf(const std::vector<ModuleItem>& items)
{
    std::string text;
    for (const ModuleItem& item : items) {
        char record[ModuleRecordLength + 1] = {};
        EncodeModuleRecord(record, item.name, item.version, item.size, &item.locked, ModuleRecordLength);
        text += record;
        text += ';';
    }
    return text;
}

std::string ModuleNameOf(const ModuleItem& item)
{
    char name[ModuleRecordLength + 1] = {};
    EncodeModuleRecord(name, item.name, item.version, nullptr, nullptr, ModuleNameLength);
    return name;
}
