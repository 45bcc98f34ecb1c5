// The SCSI devices the emulator reports: which is the cutter, which the emulation device. (Their
// 31-character identification lines are checked end to end.)
#include <gtest/gtest.h>
#include <vector>
#include "modules/DeviceTable.h"

TEST(DeviceTable, FindsCutterAndEmulationDevice)
{
    // Peripheral device types; 0xFF: the end (a real record never has its first four bytes all zero).
    const uint8_t disc = 0, pd = 7, writer = 4, scanner = 6, end = 0xFF;
    struct Case { const char* what; std::vector<uint8_t> types; int count; uint32_t cutter, emulation; };
    const Case cases[] = {
        {"empty", {}, 0, 0, 0},
        {"no cutter", {disc}, 1, 0, 1},
        {"usual", {disc, writer}, 2, 2, 1},
        {"two discs: the second", {disc, writer, disc}, 3, 2, 3},
        {"PD drive", {writer, scanner, pd}, 3, 1, 3},
        {"after the end", {disc, end, writer}, 1, 0, 1},
        {"seven at most", {scanner, scanner, scanner, scanner, scanner, scanner, writer}, 7, 7, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> table(252, 0);  // seven records
        for (size_t i = 0; i < c.types.size(); ++i)
            if (c.types[i] != end) table[i * DeviceRecordSize] = c.types[i], table[i * DeviceRecordSize + 2] = 2;  // SCSI-2
        uint32_t cutter = 99, emulation = 99;
        EXPECT_EQ(DeviceTableCount(table.data()), c.count) << c.what;
        FindDevices(table.data(), &cutter, &emulation);
        EXPECT_EQ(cutter, c.cutter) << c.what;
        EXPECT_EQ(emulation, c.emulation) << c.what;
    }
}
