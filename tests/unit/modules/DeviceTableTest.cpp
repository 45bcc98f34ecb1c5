// The SCSI devices the emulator reports: which is the cutter, which the emulation device. (Their
// 31-character identification lines are checked end to end.)
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "modules/DeviceTable.h"

namespace {

DeviceRecord Device(uint8_t type, const char* vendor = "VENDOR  ", const char* product = "PRODUCT         ",
                    const char* revision = "1.00")
{
    DeviceRecord r{};
    r.bytes[0] = type;
    r.bytes[2] = 2;  // SCSI-2: a real record never has its first four bytes all zero
    std::memcpy(r.bytes + 8, vendor, 8);
    std::memcpy(r.bytes + 16, product, 16);
    std::memcpy(r.bytes + 32, revision, 4);
    return r;
}

std::vector<uint8_t> Table(const std::vector<DeviceRecord>& records)
{
    std::vector<uint8_t> table(252, 0);
    for (size_t i = 0; i < records.size() && i < 7; ++i)
        std::memcpy(&table[i * DeviceRecordSize], records[i].bytes, DeviceRecordSize);
    return table;
}

}  // namespace

TEST(DeviceTable, FindsCutterAndEmulationDevice)
{
    const DeviceRecord disc = Device(0), pd = Device(7), writer = Device(4), scanner = Device(6), end{};
    struct Case { const char* what; std::vector<DeviceRecord> records; int count; uint32_t cutter, emulation; };
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
        const auto table = Table(c.records);
        uint32_t cutter = 99, emulation = 99;
        EXPECT_EQ(DeviceTableCount(table.data()), c.count) << c.what;
        FindDevices(table.data(), &cutter, &emulation);
        EXPECT_EQ(cutter, c.cutter) << c.what;
        EXPECT_EQ(emulation, c.emulation) << c.what;
    }
}
