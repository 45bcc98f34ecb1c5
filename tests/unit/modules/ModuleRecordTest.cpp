// Module records as the list views show them, and the lists start-up upgrades.
#include <gtest/gtest.h>
#include <string>
#include "modules/ModuleRecord.h"

TEST(DecodeModuleRecord, ShowsTheColumnsOfTheListViews)
{
    struct Case { const char* record; int length; const char* shown; };  // name|version|size|flag
    const Case cases[] = {
        {"SatCD123491520;DexCD100040961;", 14, "Sega Saturn|1.23|49152|0"},
        {"DexCD100040961;", 14, "Playstation (Dex)|1.00| 4096|1"},
        {"satcd050008121", 14, "Sega Saturn|0.50|  812|1"},
        {"sAtCD001000000", 14, "Playstation (Dex)|0.01|    0|0"},
        {"SatCD12349152x", 14, "Sega Saturn|1.23|49152|7"},   // no digit at 13: flag kept
        {"SatCD1234915211", 13, "Sega Saturn|1.23|49152|7"},  // length 13: flag not read
        {"SatCD1;DexCD999", 6, "Sega Saturn|0.01|?|7"},       // the next record's digits are not read
    };
    for (const Case& c : cases) {
        char name[18] = "?", version[8] = "?", size[8] = "?";
        int flag = 7;
        DecodeModuleRecord(c.record, name, version, size, &flag, c.length);
        EXPECT_EQ(std::string(name) + "|" + version + "|" + size + "|" + std::to_string(flag), c.shown) << c.record;
    }
}

TEST(EncodeModuleRecord, WritesTheRecordAndTheModuleName)
{
    struct Case { const char *name, *version, *size; int flag; int length; const char* record; };
    const Case cases[] = {
        {"Sega Saturn", "0.5", "812", 0, 14, "SatCD050008120"},
        {"Sega Saturn", "0.5", "812", 0, 8, "SatCD050"},
        {"Playstation (Dex)", "1.23", " 1234", 1, 14, "DexCD123012341"},
        {"Playstation (Dex)", "1.15", "49152", 0, 13, "DexCD11549152"},  // 1.15 is 114.99... in float
        {"Nintendo", "1.00", "100", 0, 14, "#####100001000"},  // other names leave the code
    };
    for (const Case& c : cases) {
        char record[16] = "###############";
        EncodeModuleRecord(record, c.name, c.version, c.size, &c.flag, c.length);
        EXPECT_STREQ(record, c.record) << c.name << " " << c.version << " length " << c.length;
    }
}

TEST(UpgradeInstalledModules, ReplacesOnlyUnlockedOlderModulesOfTheSameTarget)
{
    struct Case { const char* what; const char* installed; const char* available; const char* expected; int changed; };
    const Case cases[] = {
        {"newer available", "SatCD100040000;", "SatCD120049150;", "SatCD120049150;", 1},
        {"last newer one stays", "SatCD100040000;", "SatCD120049152;SatCD110030000;", "SatCD110030000;", 1},
        {"locked kept", "SatCD100040001;", "SatCD120049152;", "SatCD100040001;", 0},
        {"lock flag kept", "SatCD100040000;", "SatCD120049151;", "SatCD120049150;", 1},
        {"other target", "SatCD100040000;", "DexCD120049152;", "SatCD100040000;", 0},
        {"older available", "SatCD120040000;", "SatCD110049152;SatCD120000000;", "SatCD120040000;", 0},
        {"both targets", "DexCD100000010;SatCD100040000;", "SatCD101000010;DexCD200000020;", "DexCD200000020;SatCD101000010;", 1},
        {"short installed", "SatCD100;", "SatCD120049152;", "SatCD100;", 0},
        {"short available", "SatCD100040000;", "SatCD120;", "SatCD100040000;", 0},
        {"unterminated available", "SatCD100040000;", "SatCD120049152", "SatCD100040000;", 0},
    };
    for (const Case& c : cases) {
        std::string installed = c.installed;
        EXPECT_EQ(UpgradeInstalledModules(installed.data(), c.available), c.changed) << c.what;
        EXPECT_EQ(installed, c.expected) << c.what;
    }
}
