// The record block as the emulator reads it after an upload, and as start-up reads it back.
#include <gtest/gtest.h>
#include <cstring>
#include <tuple>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "modules/RecordBlock.h"

TEST(RecordBlock, TwoModulesLandBelowTheModuleAreaTop)
{
    // What a full upload does to the block, each module placed below the one before.
    std::vector<uint8_t> block(RecordBlockSize, 0xA5);  // upper half: what the emulator holds
    std::memset(block.data(), 0, RecordBlockUpperHalf);
    std::vector<uint8_t> image(ModuleImageMaximum, 0);
    image[0] = 1, image[1] = 2, image[2] = 3, image[3] = 4;  // the checksum is stored 0xFE 0xFD 0xFC 0xFB
    uint32_t next = ModuleAreaTop;
    for (const auto& [name, bytes, count] : {std::tuple{"SatCD123", 40000, 1}, {"DexCD100", 30001, 2}}) {
        next -= ModuleImageLength(bytes);
        WriteRecordBlockHeader(block.data(), FreshFirstHeaderWord, uint16_t(count), count == 2, 0);
        FillModuleEntry(block.data(), name, next, ModuleImageLength(bytes), XorChecksum(image.data(), ModuleImageLength(bytes) / 4));
    }
    SealRecordBlock(block.data());
    EXPECT_EQ(LoadBE16(&block[0]), 4);
    EXPECT_EQ(LoadBE16(&block[2]), 2);
    EXPECT_EQ(LoadBE16(&block[4]), 2);    // the default module: the second
    EXPECT_EQ(LoadBE32(&block[18]), 0u);  // floor
    struct Entry { size_t offset; uint16_t code; uint8_t units, hundredths; uint32_t load, length; };
    for (const Entry& e : {Entry{22, 0x0002, 1, 23, 0xEA1C0, 40000}, Entry{42, 0x00FC, 1, 0, 0xE2C8C, 30004}}) {
        const uint8_t* p = &block[e.offset];
        EXPECT_EQ(std::tuple(LoadBE16(p), p[2], p[3], LoadBE32(p + 4), LoadBE32(p + 8), LoadBE32(p + 12)),
                  std::tuple(e.code, e.units, e.hundredths, 0u, e.load, e.length)) << e.offset;
        EXPECT_EQ(LoadBE32(p + 16), 0xFEFDFCFBu) << e.offset;
    }
    EXPECT_EQ(LoadBE32(&block[62 + 8]), 0u);  // the directory ends after two entries
    EXPECT_EQ(block[256], 0xA5);              // device table untouched
    EXPECT_TRUE(RecordBlockIsSealed(block.data()));
    block[507] ^= 0x40;  // the last byte the checksum covers
    EXPECT_FALSE(RecordBlockIsSealed(block.data()));
    block[507] ^= 0x40;

    RecordBlockHeader header{0, 0, 0, ModuleAreaTop};
    EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), 1);
    EXPECT_EQ(std::tuple(header.firstHeaderWord, header.moduleCount, header.sramFloor, header.nextLoadAddress),
              std::tuple(uint16_t(4), uint16_t(2), 0u, 0xE2C8Cu));

    // Whether the box holds the installed modules: a start after a failed upload uploads again.
    const std::pair<const char*, int> lists[] = {
        {"SatCD123400000;DexCD100300011;", 1}, {"SatCD124400000;DexCD100300010;", 0}, {"SatCD123400000;", 0},
        {"SatCD123400000;DexCD100300010;SatCD100400000;", 0}, {"DexCD100300010;SatCD123400000;", 0}};
    for (const auto& [list, held] : lists)
        EXPECT_EQ(RecordBlockLists(block.data(), list), held) << list;
    block[300] ^= 1;
    EXPECT_EQ(RecordBlockLists(block.data(), lists[0].first), 0) << "a block whose checksum fails lists nothing";
}

TEST(RecordBlock, FullDirectoryNeverReachesTheDeviceTable)
{
    std::vector<uint8_t> block(RecordBlockSize, 0);
    size_t filled = 0;
    for (uint32_t i = 0; i < 20; ++i)  // a name naming neither target leaves the code bytes as they were
        if (FillModuleEntry(block.data(), "XyzCD207", 0xF0000 - i * 4, 4, 0)) ++filled;
    EXPECT_EQ(filled, 11u);  // entries at 22 to 222; one at 242 would cross 256
    EXPECT_EQ(std::tuple(LoadBE16(&block[22]), block[24], block[25]), std::tuple(uint16_t(0), uint8_t(2), uint8_t(7)));
    for (size_t i = DeviceTableOffset; i < RecordBlockSize; ++i) ASSERT_EQ(block[i], 0) << i;

    RecordBlockHeader header{0, 0, 0, ModuleAreaTop};
    WriteRecordBlockHeader(block.data(), 4, 11, 0, 0xE0000);
    EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), 1);
    EXPECT_EQ(header.nextLoadAddress, 0xF0000u - 10 * 4);
    EXPECT_EQ(header.sramFloor, 0xE0000u);
}

TEST(RecordBlock, HeaderReadFromTheEmulator)
{
    struct Case { uint16_t word; bool entry; int result; uint16_t expectWord, count; uint32_t floor, next; };
    const Case cases[] = {
        {1, true, 1, 1, 3, 0xE0001, 0xEA1C0},                     // floor at offset 6
        {4, true, 1, 4, 3, 0xE0004, 0xEA1C0},                     // floor at offset 18
        {0, true, 0, FreshFirstHeaderWord, 0, 0, 0xF3E00},        // no module record data
        {0xFFFF, true, 0, FreshFirstHeaderWord, 0, 0, 0xF3E00},  // floor would lie far outside the block
        {2, false, 1, 2, 3, 0xE0002, 0xF3E00},                    // empty directory: next load address unchanged
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block(RecordBlockSize, 0);
        StoreBE16(&block[0], c.word);
        StoreBE16(&block[2], 3);
        if (c.word >= 1 && c.word <= 4) StoreBE32(&block[2 + 4 * c.word], 0xE0000 + c.word);
        if (c.entry) StoreBE32(&block[22 + 8], 0xEA1C0);
        RecordBlockHeader header{9, 9, 9, 0xF3E00};  // what a read that fails must overwrite
        EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), c.result) << c.word;
        EXPECT_EQ(std::tuple(header.firstHeaderWord, header.moduleCount, header.sramFloor, header.nextLoadAddress),
                  std::tuple(c.expectWord, c.count, c.floor, c.next)) << c.word;
    }
}
