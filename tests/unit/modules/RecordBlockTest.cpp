// The record block as the emulator reads it after an upload, and as start-up reads it back.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
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
    const std::vector<uint8_t> image(ModuleImageMaximum, 0);
    uint32_t next = ModuleAreaTop;
    for (const auto& [name, bytes, count] : {std::tuple{"SatCD123", 40000, 1}, {"DexCD100", 30001, 2}}) {
        next -= ModuleImageLength(bytes);
        WriteRecordBlockHeader(block.data(), FreshFirstHeaderWord, uint16_t(count), count == 2, 0);
        FillModuleEntry(block.data(), name, next, ModuleImageLength(bytes), XorChecksum(image.data(), ModuleImageLength(bytes) / 4));
    }
    SealRecordBlock(block.data());
    EXPECT_EQ(LoadBE16(&block[0]), 4);
    EXPECT_EQ(LoadBE16(&block[2]), 2);
    EXPECT_EQ(LoadBE16(&block[4]), 2);   // the default module: the second
    EXPECT_EQ(LoadBE32(&block[18]), 0u);  // floor
    struct Entry { size_t offset; uint16_t code; uint8_t units, hundredths; uint32_t load, length; };
    const Entry entries[] = {{22, 0x0002, 1, 23, 0xEA1C0, 40000}, {42, 0x00FC, 1, 0, 0xE2C8C, 30004}};
    for (const Entry& e : entries) {
        const uint8_t* p = &block[e.offset];
        EXPECT_EQ(LoadBE16(p), e.code) << e.offset;
        EXPECT_EQ(p[2], e.units) << e.offset;
        EXPECT_EQ(p[3], e.hundredths) << e.offset;
        EXPECT_EQ(LoadBE32(p + 4), 0u) << e.offset;
        EXPECT_EQ(LoadBE32(p + 8), e.load) << e.offset;
        EXPECT_EQ(LoadBE32(p + 12), e.length) << e.offset;
        EXPECT_EQ(LoadLE32(p + 16), 0xFFFFFFFFu) << e.offset;  // zero image
    }
    EXPECT_EQ(LoadBE32(&block[62 + 8]), 0u);  // the directory ends after two entries
    EXPECT_EQ(block[256], 0xA5);               // device table untouched
    EXPECT_TRUE(RecordBlockIsSealed(block.data()));
    auto damaged = block;
    damaged[507] ^= 0x40;  // the last byte the checksum covers
    EXPECT_FALSE(RecordBlockIsSealed(damaged.data()));

    RecordBlockHeader header{0, 0, 0, ModuleAreaTop};
    EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), 1);
    EXPECT_EQ(header.firstHeaderWord, 4);
    EXPECT_EQ(header.moduleCount, 2);
    EXPECT_EQ(header.sramFloor, 0u);
    EXPECT_EQ(header.nextLoadAddress, 0xE2C8Cu);
}

TEST(RecordBlock, ImageLengthIsRoundedUpToWholeWords)
{
    const struct { size_t bytes; uint32_t length; } cases[] = {{0, 0}, {1, 4}, {4, 4}, {5, 8}, {30001, 30004}, {49152, 49152}};
    for (const auto& c : cases) EXPECT_EQ(ModuleImageLength(c.bytes), c.length) << c.bytes;
}

TEST(RecordBlock, ModuleEntryFields)
{
    std::vector<uint8_t> block(RecordBlockSize, 0);
    const uint8_t image[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(FillModuleEntry(block.data(), "DexCD207", 0xF3DFC, 4, XorChecksum(image, 1)), 22u);
    const uint8_t expected[20] = {0x00, 0xFC, 2, 7, 0, 0, 0, 0, 0x00, 0x0F, 0x3D, 0xFC, 0, 0, 0, 4, 0xFE, 0xFD, 0xFC, 0xFB};
    EXPECT_EQ(std::memcmp(&block[22], expected, 20), 0);

    // A name naming neither target leaves the code bytes as they were.
    block[42] = 0x12;
    block[43] = 0x34;
    EXPECT_EQ(FillModuleEntry(block.data(), "XyzCD1", 0xF0000, 8, 0), 42u);
    EXPECT_EQ(LoadBE16(&block[42]), 0x1234);
    EXPECT_EQ(block[44], 1);
    EXPECT_EQ(block[45], 0);
}

TEST(RecordBlock, FullDirectoryNeverReachesTheDeviceTable)
{
    std::vector<uint8_t> block(RecordBlockSize, 0);
    size_t filled = 0;
    for (uint32_t i = 0; i < 20; ++i)
        if (FillModuleEntry(block.data(), "SatCD100", 0xF0000 - i * 4, 4, 0)) ++filled;
    EXPECT_EQ(filled, 11u);  // entries at 22 to 222; one at 242 would cross 256
    for (size_t i = DeviceTableOffset; i < RecordBlockSize; ++i) ASSERT_EQ(block[i], 0) << i;

    RecordBlockHeader header{0, 0, 0, ModuleAreaTop};
    WriteRecordBlockHeader(block.data(), 4, 11, 0, 0xE0000);
    EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), 1);
    EXPECT_EQ(header.nextLoadAddress, 0xF0000u - 10 * 4);
    EXPECT_EQ(header.sramFloor, 0xE0000u);
}

TEST(RecordBlock, HeaderReadFromTheEmulator)
{
    struct Case { uint16_t word; int result; uint16_t expectWord, count; uint32_t floor, next; };
    const Case cases[] = {
        {1, 1, 1, 3, 0xE0001, 0xEA1C0},                     // floor at offset 6
        {4, 1, 4, 3, 0xE0004, 0xEA1C0},                     // floor at offset 18
        {0, 0, FreshFirstHeaderWord, 0, 0, 0xF3E00},        // no module record data
        {5, 0, FreshFirstHeaderWord, 0, 0, 0xF3E00},
        {0xFFFF, 0, FreshFirstHeaderWord, 0, 0, 0xF3E00},  // floor would lie far outside the block
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block(RecordBlockSize, 0);
        StoreBE16(&block[0], c.word);
        StoreBE16(&block[2], 3);
        if (c.word >= 1 && c.word <= 4) StoreBE32(&block[2 + 4 * c.word], 0xE0000 + c.word);
        StoreBE32(&block[22 + 8], 0xEA1C0);
        RecordBlockHeader header{0, 0, 0, 0xF3E00};
        EXPECT_EQ(ReadRecordBlockHeader(block.data(), &header), c.result) << c.word;
        EXPECT_EQ(header.firstHeaderWord, c.expectWord) << c.word;
        EXPECT_EQ(header.moduleCount, c.count) << c.word;
        EXPECT_EQ(header.sramFloor, c.floor) << c.word;
        EXPECT_EQ(header.nextLoadAddress, c.next) << c.word;
    }

    std::vector<uint8_t> empty(RecordBlockSize, 0);
    StoreBE16(&empty[0], 4);
    RecordBlockHeader header{0, 0, 0, 0xF3E00};
    EXPECT_EQ(ReadRecordBlockHeader(empty.data(), &header), 1);
    EXPECT_EQ(header.nextLoadAddress, 0xF3E00u);  // empty directory: unchanged
}
