// Module records: the 14-character text form of one module and the ';'-terminated lists of them.
#pragma once
#include <cstddef>

constexpr int ModuleRecordLength = 14;   // code 5, version 3, size 5, lock flag 1
constexpr int ModuleNameLength = 8;      // code and version: also the image file's base name

// Display texts of a record. Any output may be null. name needs 18 bytes, version and size 8.
// flag is left as it was when offset 13 holds no digit. length: meaningful characters (14).
void DecodeModuleRecord(const char* record, char* name, char* version, char* size, int* flag, int length);

// The inverse. record needs length + 1 bytes; size and flag may be null (not written).
// Only "Sega Saturn" and "Playstation (Dex)" write a code; the record is NUL-terminated after
// the last field written (length 8 gives the module name).
void EncodeModuleRecord(char* record, const char* name, const char* version, const char* size,
                        const int* flag, int length);

// One step of a list walk: while a ';' occurs at or after *position, the text there is one
// record; returns it and moves *position past that ';'. Null when no record remains.
// *recordLength receives the record's length (characters before its ';').
const char* NextModuleRecord(const char* list, size_t* position, size_t* recordLength);

// Brings unlocked installed records up to the newest available record of the same target
// (same first three characters, higher version). Rewrites the first 13 characters of such a
// record in place; returns 1 when any record changed.
int UpgradeInstalledModules(char* installed, const char* available);
