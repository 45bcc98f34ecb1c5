// Checksums and byte order as the emulator stores them.
#include <gtest/gtest.h>
#include <array>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"

TEST(XorChecksum, StoredBytesMatchTheEmulatorsExamples)
{
    struct Case { std::vector<uint8_t> data; std::array<uint8_t, 4> stored; };
    const Case cases[] = {
        {{}, {0xFF, 0xFF, 0xFF, 0xFF}},                                 // no words
        {{0x01, 0x02, 0x03, 0x04}, {0xFE, 0xFD, 0xFC, 0xFB}},           // one word
        {{0x01, 0x02, 0x03, 0x04, 0x01, 0x02, 0x03, 0x04}, {0xFF, 0xFF, 0xFF, 0xFF}},
        {{0x10, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0x80}, {0xEF, 0xDF, 0xFF, 0x7F}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 4> out{};
        StoreLE32(out.data(), XorChecksum(c.data.data(), c.data.size() / 4));
        EXPECT_EQ(out, c.stored) << "for " << c.data.size() << " bytes";
    }
}

TEST(XorChecksum, ByteKIsFFXorEveryByteAtOffsetKModulo4)
{
    std::vector<uint8_t> data(4096 + 3);  // odd start: no alignment assumed
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 37 + 11);
    const uint8_t* words = data.data() + 3;
    std::array<uint8_t, 4> expected{0xFF, 0xFF, 0xFF, 0xFF};
    for (size_t i = 0; i < 4096; ++i) expected[i % 4] ^= words[i];
    std::array<uint8_t, 4> out{};
    StoreLE32(out.data(), XorChecksum(words, 1024));
    EXPECT_EQ(out, expected);
}

TEST(ByteOrder, StoresAndLoadsRoundTrip)
{
    uint8_t b[4];
    StoreBE32(b, 0x000F3E00);
    EXPECT_EQ((std::array<uint8_t, 4>{b[0], b[1], b[2], b[3]}), (std::array<uint8_t, 4>{0x00, 0x0F, 0x3E, 0x00}));
    EXPECT_EQ(LoadBE32(b), 0x000F3E00u);
    StoreLE32(b, 0xFBFCFDFE);
    EXPECT_EQ((std::array<uint8_t, 4>{b[0], b[1], b[2], b[3]}), (std::array<uint8_t, 4>{0xFE, 0xFD, 0xFC, 0xFB}));
    EXPECT_EQ(LoadLE32(b), 0xFBFCFDFEu);
    StoreBE16(b, 0x00FC);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0xFC);
    EXPECT_EQ(LoadBE16(b), 0x00FC);
}
