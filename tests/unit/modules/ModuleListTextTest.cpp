// What the Module Manager's lists show of a list text, and the text they write back.
#include <gtest/gtest.h>
#include <string>
#include "modules/ModuleListText.h"

TEST(ModuleItemsOf, ShowsEachModuleOnceInTextOrder)
{
    struct Case { const char* list; const char* shown; };
    const Case cases[] = {
        {"SatCD123491520;DexCD100040961;", "Sega Saturn 1.23 49152 0|Playstation (Dex) 1.00  4096 1|"},
        {"SatCD050008120;SatCD050008121;satcd050008120;", "Sega Saturn 0.50   812 0|"},
        {"SatCD050008120;SatCD060008120;", "Sega Saturn 0.50   812 0|Sega Saturn 0.60   812 0|"},
        // A record without its flag digit takes the flag of the one before.
        {"DexCD100040961;SatCD12349152;", "Playstation (Dex) 1.00  4096 1|Sega Saturn 1.23 49152 1|"},
        {"DexCD100040960;SatCD1234", "Playstation (Dex) 1.00  4096 0|"},  // text after the last ';'
        {"SatCD123491520", ""}, {nullptr, ""},  // a record counts only with its ';'
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const ModuleItem& item : ModuleItemsOf(c.list))
            shown += std::string(item.name) + " " + item.version + " " + item.size + " " + std::to_string(item.locked) + "|";
        EXPECT_EQ(shown, c.shown) << (c.list ? c.list : "(none)");
    }
}

TEST(AppendModuleRecord, GrowsTheTextByDoublingAndKeepsWhatItHeld)
{
    struct Case { uint32_t capacity; int records; uint32_t grownTo; bool moved; };
    const Case cases[] = {
        {15, 1, 30, true},  // 14 characters, ';' and the terminator need 16
        {16, 1, 16, false}, {30, 2, 60, true}, {200, 3, 200, false},
        {0, 3, 64, true},  // a value the store did not have still takes modules
    };
    const char* records[3] = {"SatCD050008120", "DexCD100040961", "SatCD123491520"};
    for (const Case& c : cases) {
        char* text = new char[c.capacity ? c.capacity : 1]();
        const char* original = text;
        uint32_t capacity = c.capacity;
        size_t length = 0;
        std::string expected;
        for (int i = 0; i < c.records; ++i, expected += std::string(records[i - 1]) + ";")
            ASSERT_EQ(AppendModuleRecord(&text, &capacity, &length, records[i]), 1);
        EXPECT_EQ(capacity, c.grownTo) << c.capacity << " with " << c.records;
        EXPECT_EQ(text != original, c.moved) << c.capacity << " with " << c.records;
        EXPECT_EQ(std::string(text), expected);
        delete[] text;
    }
}

TEST(SizeTextValue, ReadsTheSizesShown)
{
    // A column holds at most six digits.
    for (const auto& [size, value] : {std::pair<const char*, uint32_t>{" 4096", 4096}, {"", 0}, {"x", 0}, {"1234567", 123456}})
        EXPECT_EQ(SizeTextValue(size), value) << size;
}

TEST(IsModuleFileName, TakesOnlyNamesThatMakeAGoodRecord)
{
    const std::pair<const char*, int> cases[] = {
        {"SatCD050.bin", 1}, {"DexCD100.bin", 1}, {"SATCD050.BIN", 1}, {"dexcd100.bin", 1},
        {"sAtCD050.bin", 0},  // would be listed as a Playstation module
        {"FooCD050.bin", 0}, {"SatCD05.bin", 0}, {"SatCD0500.bin", 0}, {"SatXX050.bin", 0},
        {"SatCD05a.bin", 0}, {"SatCD050.txt", 0}, {"cutcd004.bin", 0}, {"", 0},
    };
    for (const auto& [title, module] : cases) EXPECT_EQ(IsModuleFileName(title), module) << title;
}
