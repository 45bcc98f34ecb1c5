// The text work of the module list views and the Module Manager.
#include "modules/ModuleListText.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include "modules/ModuleRecord.h"

std::vector<ModuleItem> ModuleItemsOf(const char* list)
{
    std::vector<ModuleItem> items;
    int flag = 0;
    size_t position = 0;
    size_t length = 0;
    while (const char* record = NextModuleRecord(list, &position, &length)) {
        char copy[ModuleRecordLength + 1] = {};
        std::memcpy(copy, record, length < size_t(ModuleRecordLength) ? length : size_t(ModuleRecordLength));
        ModuleItem item{};
        DecodeModuleRecord(copy, item.name, item.version, item.size, &flag, ModuleRecordLength);
        item.locked = flag;
        bool shown = false;
        for (const ModuleItem& other : items)
            shown = shown || (std::strcmp(other.name, item.name) == 0 && std::strcmp(other.version, item.version) == 0);
        if (!shown)
            items.push_back(item);
    }
    return items;
}

int AppendModuleRecord(char** text, uint32_t* capacity, size_t* length, const char* record)
{
    const size_t recordLength = std::strlen(record);
    const size_t needed = *length + recordLength + 2;  // the record, its ';' and the terminator
    uint64_t grown = *capacity ? *capacity : ModuleRecordLength + 2;
    while (grown < needed)
        grown *= 2;
    if (grown > UINT32_MAX)
        return 0;
    if (grown != *capacity || !*text) {
        char* bigger = new (std::nothrow) char[size_t(grown)]();
        if (!bigger)
            return 0;
        if (*text)
            std::memcpy(bigger, *text, *length);
        delete[] *text;
        *text = bigger;
        *capacity = uint32_t(grown);
    }
    std::memcpy(*text + *length, record, recordLength);
    *length += recordLength;
    (*text)[(*length)++] = ';';
    (*text)[*length] = '\0';
    return 1;
}

uint32_t SizeTextValue(const char* size)
{
    while (*size == ' ')
        ++size;
    unsigned value = 0;
    return std::sscanf(size, "%6u", &value) == 1 ? value : 0;
}

int HasTwoModulesForATarget(const char* list)
{
    size_t position = 0;
    size_t length = 0;
    while (const char* record = NextModuleRecord(list, &position, &length)) {
        if (length < 3)
            continue;
        const char prefix[4] = {record[0], record[1], record[2], '\0'};
        if (std::strstr(record + 3, prefix))
            return 1;
    }
    return 0;
}

int IsModuleFileName(const char* title)
{
    if (std::strlen(title) != 12)
        return 0;
    auto lower = [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); };
    const bool saturn = std::strncmp(title, "Sat", 3) == 0 || std::strncmp(title, "sat", 3) == 0 ||
                        std::strncmp(title, "SAT", 3) == 0;
    const bool dex = lower(title[0]) == 'd' && lower(title[1]) == 'e' && lower(title[2]) == 'x';
    if (!saturn && !dex)
        return 0;
    if (lower(title[3]) != 'c' || lower(title[4]) != 'd')
        return 0;
    for (int i = 5; i < 8; ++i)
        if (!std::isdigit(static_cast<unsigned char>(title[i])))
            return 0;
    return title[8] == '.' && lower(title[9]) == 'b' && lower(title[10]) == 'i' && lower(title[11]) == 'n';
}
