// The text work of the module list views and the Module Manager: which items a list text shows,
// rebuilding a list text into a buffer that may have to grow, sizes, and the checks on a list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One item of a module list view: the display texts of a record.
struct ModuleItem {
    char name[18];
    char version[8];
    char size[8];
    int locked;
};

// The items a list text fills its view with, in text order; an item whose name and version are
// already shown is left out. The lock flag carries over from the record before when a record
// has no flag digit, as one variable serves the whole walk.
std::vector<ModuleItem> ModuleItemsOf(const char* list);

// Appends record and ";" to *text (holding length characters), doubling *capacity until the
// text and its terminator fit and moving the text to a new buffer (new[]) when it grew. A
// capacity of 0 (a value the settings store did not have) starts from one record's room.
// Returns 0, leaving everything as it was, only when no memory could be had.
int AppendModuleRecord(char** text, uint32_t* capacity, size_t* length, const char* record);

// A size column text read as the list views read it: leading blanks skipped, at most 6
// characters; 0 when no number.
uint32_t SizeTextValue(const char* size);

// 1 when two records of the list share their three-letter prefix: one module per target only.
int HasTwoModulesForATarget(const char* list);

// 1 when title is a module file name: Sat or Dex, CD, three digits, ".bin" (letter case as
// the list can keep it: "sAt" would read back as a Playstation module).
int IsModuleFileName(const char* title);
