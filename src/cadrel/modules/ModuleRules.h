// The Module Manager's rules, for its dialog and for cadrelctl alike: which installed sets and
// deletions are refused (with the texts the user is shown), how the default target is named, and
// the list text a set of items is stored as.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "modules/ModuleListText.h"

extern const char ValidationCaption[];
extern const char ModuleDeleteCaption[];

// The refusal of an installed set (count items, stored as installedText), or null when it may go:
// at least one module, and one per target.
const char* InstalledSetRefusal(size_t count, const char* installedText);
// The refusal of deleting a stored module, or null: one module must stay stored, and a module
// that is installed stays.
const char* DeleteRefusal(size_t storedCount, bool installed);

// The target a default value names: "Sega Saturn", "Playstation (Dex)" or "None".
const char* DefaultTargetName(const char* value);
// The default value of a target's name: "Sat", "Dex", or "Nun" for anything else.
const char* DefaultTargetValue(const char* name);
// Removing a module of this name (a target's name) takes the default away.
bool RemovesDefault(const char* name, const char* defaultValue);

// The list text of items: each item's record and ";", in order.
std::string ModuleListTextOf(const std::vector<ModuleItem>& items);
// The 8-character module name of an item, also its file's base name (SatCD100).
std::string ModuleNameOf(const ModuleItem& item);
