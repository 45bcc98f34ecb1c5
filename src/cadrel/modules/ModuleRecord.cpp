// Module records: decoding to display texts, encoding back, walking and upgrading lists.
#include "modules/ModuleRecord.h"

#include <cstdio>
#include <cstring>

namespace {

const char SaturnName[] = "Sega Saturn";
const char PlaystationName[] = "Playstation (Dex)";

// Records taken from a list are not terminated at their ';', and a short one may end before
// the fixed fields: parse from a terminated copy of the meaningful characters only.
struct RecordCopy {
    char text[ModuleRecordLength + 1];
    RecordCopy(const char* record, int length)
    {
        std::memset(text, 0, sizeof text);
        for (int i = 0; i < length && i < ModuleRecordLength && record[i] != '\0'; ++i) text[i] = record[i];
    }
};

bool IsSaturnPrefix(const char* text)
{
    return std::strncmp(text, "sat", 3) == 0 || std::strncmp(text, "Sat", 3) == 0 ||
           std::strncmp(text, "SAT", 3) == 0;
}

// Copies at most width characters of text to record[offset...], never at or past length.
void PutField(char* record, int offset, const char* text, int width, int length)
{
    for (int i = 0; i < width && text[i] != '\0' && offset + i < length; ++i) record[offset + i] = text[i];
}

// The version as the upgrade compares it: up to three digits from offset 5; -1 when none.
int RecordVersion(const char* record)
{
    RecordCopy copy(record, ModuleRecordLength);
    int version = 0;
    if (std::sscanf(copy.text + 5, "%3d", &version) != 1) return -1;
    return version;
}

}  // namespace

void DecodeModuleRecord(const char* record, char* name, char* version, char* size, int* flag, int length)
{
    RecordCopy copy(record, length);
    if (name) std::snprintf(name, 18, "%s", IsSaturnPrefix(copy.text) ? SaturnName : PlaystationName);
    if (version) {
        float value = 0.0f;
        std::sscanf(copy.text + 5, "%3f", &value);
        const float scaled = value * 0.01f;  // single precision, as the version has always been shown
        std::snprintf(version, 8, "%4.2f", scaled);
    }
    if (size && length >= 13) {
        float value = 0.0f;
        std::sscanf(copy.text + 8, "%5f", &value);
        std::snprintf(size, 8, "%5.0f", value);
    }
    if (flag && length >= 14) {
        const char c = copy.text[13];
        if (c >= '0' && c <= '9') *flag = c - '0';
    }
}

void EncodeModuleRecord(char* record, const char* name, const char* version, const char* size,
                        const int* flag, int length)
{
    if (length < 0) length = 0;
    if (name && std::strcmp(name, SaturnName) == 0)
        PutField(record, 0, "SatCD", 5, length);
    else if (name && std::strcmp(name, PlaystationName) == 0)
        PutField(record, 0, "DexCD", 5, length);

    // Each field is cut to its width so a value out of range cannot run into the next field
    // or past the caller's buffer.
    char field[48];
    float value = 0.0f;
    if (version) std::sscanf(version, "%f", &value);
    std::snprintf(field, sizeof field, "%03.0f", value * 100.0);
    PutField(record, 5, field, 3, length);
    int end = 8;

    if (size && length >= 13) {
        value = 0.0f;
        std::sscanf(size, "%f", &value);
        std::snprintf(field, sizeof field, "%05.0f", double(value));
        PutField(record, 8, field, 5, length);
        end = 13;
    }
    if (flag && length >= 14) {
        std::snprintf(field, sizeof field, "%1d", *flag);
        PutField(record, 13, field, 1, length);
        end = 14;
    }
    record[end < length ? end : length] = '\0';
}

const char* NextModuleRecord(const char* list, size_t* position, size_t* recordLength)
{
    if (!list) return nullptr;
    const char* start = list + *position;
    const char* end = std::strchr(start, ';');
    if (!end) return nullptr;
    *recordLength = size_t(end - start);
    *position = size_t(end - list) + 1;
    return start;
}

int UpgradeInstalledModules(char* installed, const char* available)
{
    if (!installed || !available) return 0;
    int changed = 0;
    size_t position = 0;
    size_t length = 0;
    while (const char* found = NextModuleRecord(installed, &position, &length)) {
        char* record = installed + (found - installed);
        if (length != size_t(ModuleRecordLength) || record[13] != '0') continue;
        // Read once: with several newer records of the same target the last one listed stays.
        const int installedVersion = RecordVersion(record);
        size_t availablePosition = 0;
        size_t availableLength = 0;
        while (const char* candidate = NextModuleRecord(available, &availablePosition, &availableLength)) {
            if (availableLength != size_t(ModuleRecordLength)) continue;
            if (std::strncmp(candidate, record, 3) != 0) continue;
            const int version = RecordVersion(candidate);
            if (version > installedVersion) {
                std::memcpy(record, candidate, ModuleRecordLength - 1);
                changed = 1;
            }
        }
    }
    return changed;
}
