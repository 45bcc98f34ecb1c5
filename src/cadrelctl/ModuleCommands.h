// The Module Manager's work from the command line, by its rules and with its texts.
#pragma once
#include <string>

class Connection;

struct ModuleOptions {
    enum Action { List, Install, Delete, Add, Remove, Default, Lock, Unlock, Upload } action = List;
    std::string argument;  // the file, the module name or the target
    bool json = false;
};
int RunModules(Connection& connection, const ModuleOptions& options);

// 1 when name is a module name (SatCD123, with or without .bin, in any letter case as a file
// name may be); module receives it without .bin.
int ParseModuleName(const std::string& name, std::string* module);
