#include "ModuleCommands.h"
#include <nlohmann/json.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>
#include "Connection.h"
#include "ExitCodes.h"
#include "control/ModuleFiles.h"
#include "modules/ModuleRecord.h"
#include "modules/ModuleRules.h"
#include "modules/RecordBlock.h"

namespace {

using Items = std::vector<ModuleItem>;

bool Same(const ModuleItem& a, const ModuleItem& b)
{
    return strcmp(a.name, b.name) == 0 && strcmp(a.version, b.version) == 0;
}

// The item a module name stands for, as the lists show it (name and version).
ModuleItem ItemNamed(const std::string& module)
{
    ModuleItem item{};
    DecodeModuleRecord(module.c_str(), item.name, item.version, nullptr, nullptr, ModuleNameLength);
    return item;
}

Items::iterator Find(Items& items, const ModuleItem& wanted)
{
    return std::find_if(items.begin(), items.end(), [&](const ModuleItem& item) { return Same(item, wanted); });
}

// Replaces a settings text; Write then stores it, as it differs from what was read.
void SetText(char*& text, DWORD& capacity, const std::string& value)
{
    delete[] text;
    text = new char[value.size() + 1];
    memcpy(text, value.c_str(), value.size() + 1);
    capacity = DWORD(value.size() + 1);
}

uint32_t SizeTotal(const Items& items)
{
    uint32_t total = 0;
    for (const ModuleItem& item : items)
        total += SizeTextValue(item.size);
    return total;
}

int List(Connection& c, const Items& available, const Items& installed, bool json)
{
    if (const int read = c.ReadRecordBlock())
        return read;
    const uint32_t memory = RecordBlockAddress - c.uploader.SramFloor();
    const uint32_t used = SizeTotal(installed);
    const char* path = c.settings.path ? c.settings.path : "";
    auto present = [&](const ModuleItem& item) {
        const std::string file = std::string(path) + "\\" + ModuleNameOf(item) + ".bin";
        return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    if (json) {
        auto entries = [&](const Items& items, bool stored) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const ModuleItem& item : items) {
                nlohmann::ordered_json entry = {{"name", ModuleNameOf(item)}, {"target", item.name}, {"version", item.version},
                                        {"size", SizeTextValue(item.size)}};
                if (stored)
                    entry["file"] = present(item);
                else
                    entry["locked"] = item.locked != 0;
                list.push_back(entry);
            }
            return list;
        };
        const nlohmann::ordered_json result = {
            {"directory", path},
            {"available", entries(available, true)},
            {"installed", entries(installed, false)},
            {"default", DefaultTargetValue(DefaultTargetName(c.settings.defaultModule))},
            {"defaultTarget", DefaultTargetName(c.settings.defaultModule)},
            {"memory", {{"total", memory}, {"used", used}, {"available", int64_t(memory) - int64_t(used)}}}};
        printf("%s\n", result.dump().c_str());
        return ExitDone;
    }
    printf("Modules Currently Available (in %s):\n", path);
    for (const ModuleItem& item : available)
        printf("  %s  %-17s  %s  %s%s\n", ModuleNameOf(item).c_str(), item.name, item.version, item.size,
               present(item) ? "" : "  (file missing)");
    printf("Modules Installed In Emulator:\n");
    for (const ModuleItem& item : installed)
        printf("  %s  %-17s  %s  %s%s\n", ModuleNameOf(item).c_str(), item.name, item.version, item.size,
               item.locked ? "  locked" : "");
    printf("Current Default Module: %s\n", DefaultTargetName(c.settings.defaultModule));
    printf("Memory Used: %d bytes\nMemory Available: %d bytes\n", int(used), int(memory - used));
    return ExitDone;
}

// After a change of the installed set: the upload, the reset and the bounded wait for the box.
int Upload(Connection& c)
{
    if (const int read = c.ReadRecordBlock())
        return read;
    if (const int held = c.Hold())
        return held;
    const ModuleUploader::ChangeEnd end = c.uploader.UploadAfterChange();
    c.Release();
    switch (end) {
    case ModuleUploader::ChangeDone: return ExitDone;
    case ModuleUploader::ChangeNotReady: return ExitBound;
    default: return ExitFailed;
    }
}

// A new installed set, checked by the Module Manager's rules before it is stored and uploaded.
int Install(Connection& c, const Items& installed)
{
    const std::string text = ModuleListTextOf(installed);
    if (const char* refusal = InstalledSetRefusal(installed.size(), text.c_str())) {
        ErrorLinef("%s. %s", refusal, installed.empty()
                                          ? "Add another module first ('cadrelctl modules add NAME')."
                                          : "Remove the target's other module first ('cadrelctl modules remove NAME').");
        return ExitFailed;
    }
    SetText(c.settings.installed, c.settings.installedSize, text);
    c.settings.Write(c.session.MachineKey());
    return Upload(c);
}

}  // namespace

int ParseModuleName(const std::string& name, std::string* module)
{
    std::string file = name;
    if (file.size() == ModuleNameLength)
        file += ".bin";
    if (!IsModuleFileName(file.c_str()))
        return 0;
    *module = file.substr(0, ModuleNameLength);
    return 1;
}

int RunModules(Connection& c, const ModuleOptions& options)
{
    c.settings.Read(c.session.MachineKey(), c.session.Front());
    Items available = ModuleItemsOf(c.settings.available);
    Items installed = ModuleItemsOf(c.settings.installed);
    std::string module;
    ModuleItem wanted{};
    if (options.action == ModuleOptions::Delete || options.action == ModuleOptions::Add ||
        options.action == ModuleOptions::Remove || options.action == ModuleOptions::Lock ||
        options.action == ModuleOptions::Unlock) {
        ParseModuleName(options.argument, &module);  // checked with the command line
        wanted = ItemNamed(module);
    }
    const bool needStored = options.action == ModuleOptions::Delete || options.action == ModuleOptions::Add;
    if (needStored && Find(available, wanted) == available.end()) {
        ErrorLinef("%s is not stored on this machine. 'cadrelctl modules list' shows the modules that are; "
                   "'cadrelctl modules install FILE' adds one.", module.c_str());
        return ExitFailed;
    }
    const bool needInstalled = options.action == ModuleOptions::Remove || options.action == ModuleOptions::Lock ||
                               options.action == ModuleOptions::Unlock;
    const auto inEmulator = Find(installed, wanted);
    if (needInstalled && inEmulator == installed.end()) {
        ErrorLinef("%s is not installed in the emulator. 'cadrelctl modules list' shows the modules that are.",
                   module.c_str());
        return ExitFailed;
    }

    switch (options.action) {
    case ModuleOptions::List:
        return List(c, available, installed, options.json);
    case ModuleOptions::Upload:
        return Upload(c);
    case ModuleOptions::Install: {
        const std::string& source = options.argument;
        const size_t slash = source.find_last_of("\\/:");
        const std::string title = slash == std::string::npos ? source : source.substr(slash + 1);
        char record[ModuleRecordLength + 1];
        char problem[MAX_PATH + 400];
        if (!InstallModuleFile(source.c_str(), title.c_str(), c.settings.path, record, problem, sizeof problem)) {
            ErrorLine(problem);
            return ExitFailed;
        }
        ModuleItem item{};
        DecodeModuleRecord(record, item.name, item.version, item.size, &item.locked, ModuleRecordLength);
        if (Find(available, item) == available.end())
            available.push_back(item);
        SetText(c.settings.available, c.settings.availableSize, ModuleListTextOf(available));
        c.settings.Write(c.session.MachineKey());
        return ExitDone;
    }
    case ModuleOptions::Delete: {
        if (const char* refusal = DeleteRefusal(available.size(), inEmulator != installed.end())) {
            ErrorLinef("%s %s", refusal, inEmulator != installed.end()
                                             ? "Remove it from the emulator first ('cadrelctl modules remove NAME')."
                                             : "Install another module first ('cadrelctl modules install FILE').");
            return ExitFailed;
        }
        const bool deleted = DeleteModuleFile(c.settings.path, wanted.name, wanted.version);
        // As in the Module Manager, the module leaves the list even when its file would not go.
        available.erase(Find(available, wanted));
        SetText(c.settings.available, c.settings.availableSize, ModuleListTextOf(available));
        c.settings.Write(c.session.MachineKey());
        if (!deleted) {
            ErrorLinef("Error removing module file %s\\%s.bin. Check that no other program holds it open, then "
                       "delete it by hand.", c.settings.path ? c.settings.path : "", module.c_str());
            return ExitFailed;
        }
        return ExitDone;
    }
    case ModuleOptions::Add: {
        if (inEmulator != installed.end()) {
            ErrorLinef("%s is installed in the emulator already: nothing to do.", module.c_str());
            return ExitDone;
        }
        ModuleItem item = *Find(available, wanted);
        item.locked = 0;
        installed.push_back(item);
        return Install(c, installed);
    }
    case ModuleOptions::Remove: {
        installed.erase(inEmulator);
        // Stored only with the set it belongs to: a refused set leaves the default as it was.
        if (RemovesDefault(wanted.name, c.settings.defaultModule))
            snprintf(c.settings.defaultModule, sizeof c.settings.defaultModule, "Nun");
        return Install(c, installed);
    }
    case ModuleOptions::Default: {
        const char* value = options.argument.c_str();  // "Sat", "Dex" or "Nun", checked with the command line
        const char* target = DefaultTargetName(value);
        const bool installedTarget = std::any_of(installed.begin(), installed.end(),
                                                 [&](const ModuleItem& item) { return strcmp(item.name, target) == 0; });
        if (strcmp(value, "Nun") != 0 && !installedTarget) {
            ErrorLinef("No %s module is installed in the emulator. Add one first ('cadrelctl modules add NAME').",
                       target);
            return ExitFailed;
        }
        if (c.settings.defaultModule[0] &&
            strcmp(DefaultTargetValue(DefaultTargetName(c.settings.defaultModule)), value) == 0)
            return ExitDone;
        snprintf(c.settings.defaultModule, sizeof c.settings.defaultModule, "%s", value);
        c.settings.Write(c.session.MachineKey());
        return Upload(c);
    }
    case ModuleOptions::Lock:
    case ModuleOptions::Unlock:
        // The lock keeps a module at its version when Cadrel starts: nothing to send to the box.
        inEmulator->locked = options.action == ModuleOptions::Lock;
        SetText(c.settings.installed, c.settings.installedSize, ModuleListTextOf(installed));
        c.settings.Write(c.session.MachineKey());
        return ExitDone;
    }
    return ExitDone;
}
