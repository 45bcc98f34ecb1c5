// The module files in the module directory: installing one, and deleting one. An install never
// destroys a file: the copy is made beside its destination and takes its place only when whole,
// and a file that is already the destination is only listed.
#pragma once
#include <cstddef>
#include "modules/ModuleRecord.h"

// What the user is told when an install cannot even begin.
extern const char NoModuleDirectoryText[];

// Installs source (whose file name, without folders, is title) into directory. On success record holds the
// module's list record (not locked); on failure problem says why and what to do.
int InstallModuleFile(const char* source, const char* title, const char* directory,
                      char (&record)[ModuleRecordLength + 1], char* problem, size_t problemSize);

// Deletes the image file of the module named by its display texts; 0 when it could not.
int DeleteModuleFile(const char* directory, const char* name, const char* version);
