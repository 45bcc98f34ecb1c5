// The checksum as the emulator stores it. (The byte-order helpers are checked through the record
// block and status block tests, which compare whole stored bytes.)
#include <gtest/gtest.h>
#include <array>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"

TEST(XorChecksum, StoredBytesMatchTheEmulatorsExamples)
{
    struct Case { std::vector<uint8_t> data; std::array<uint8_t, 4> stored; };
    const Case cases[] = {
        {{}, {0xFF, 0xFF, 0xFF, 0xFF}},
        {{0x10, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0x80}, {0xEF, 0xDF, 0xFF, 0x7F}},
        {{0, 0x01, 0x02, 0x03, 0x04}, {0xFE, 0xFD, 0xFC, 0xFB}},  // odd start: no alignment assumed
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 4> out{};
        StoreLE32(out.data(), XorChecksum(c.data.data() + c.data.size() % 4, c.data.size() / 4));
        EXPECT_EQ(out, c.stored) << "for " << c.data.size() << " bytes";
    }
}
