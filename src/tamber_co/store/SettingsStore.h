// The settings store: one human-readable text file per key, replaced atomically on every change,
// so a reader finds either the old or the new file, never half of one.
//
// File form:
//   TamberSettings 1
//   Path=s"C:\\Tamber\\Modules"
//   WindowPos=x2C000000...
//   end
// Strings are quoted with \\, \" and \xHH escapes; binary values are hex. A file that does not
// have this form is damaged: reads report it, and the next write keeps it as <file>.damaged.
#pragma once
#include <cstdint>
#include <map>
#include <string>

class SettingsStore {
public:
    // Machine keys ("\\Machine\...") live under machineRoot, user keys under userRoot.
    SettingsStore(std::string machineRoot, std::string userRoot);

    // The key's file for a path such as "\\Machine\CDModules"; false for any other form.
    bool KeyFile(const std::string& keyPath, std::string& file) const;

    // QueryValue/QueryBinaryValue: size 0 or no buffer gives the size needed (a string's terminator
    // included); a missing value leaves size 0 and fails.
    int32_t Query(const std::string& file, const char* name, bool binary, uint8_t* buffer, uint32_t* size);
    // Durable when it returns. 1 (success) when a damaged file was set aside.
    int32_t Set(const std::string& file, const char* name, bool binary, const uint8_t* data, uint32_t size);

    struct Value {
        bool binary = false;
        std::string bytes;
    };
    enum class LoadResult { Ok, Missing, Damaged };
    static LoadResult Parse(const std::string& text, std::map<std::string, Value>& values);
    static std::string Format(const std::map<std::string, Value>& values);

private:
    std::string machineRoot_;
    std::string userRoot_;
};
