// The image that starts a cut, and what the cut panel shows of a running cut.
#include <gtest/gtest.h>
#include <vector>
#include "common/ByteOrder.h"
#include "cutting/CutProgress.h"
#include "cutting/CutterImage.h"

TEST(CutterImage, CarriesTheSettingsPaddingAndAChecksumTheEmulatorAccepts)
{
    struct Case {
        size_t fileLength;
        CutSettings settings;
        size_t sent;
        uint8_t bytes3to6[4];
    };
    const Case cases[] = {
        {1001, {3, 2, 1, 0}, 1008, {3, 2, 1, 0}},      // x2, real cut: padded to a word, then the checksum
        {12288, {3, 1, 2, 1}, 12292, {3, 1, 2, 1}},    // x4, test
        {49152, {4, 7, 0, 1}, 49156, {4, 7, 0, 1}},    // the largest module
        {60000, {4, 7, 0, 1}, 49156, {4, 7, 0, 1}},    // longer files are cut to the largest
        {5, {0x103, 0x207, 2, 0}, 12, {3, 7, 2, 0}},   // only the numbers' low bytes fit
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image(CutterImageCapacity, 0xAA);  // whatever the buffer held before
        for (size_t i = 0; i < c.fileLength && i < CutterModuleLimit; ++i)
            image[i] = uint8_t(i * 13 + 5);
        const size_t sent = BuildCutterImage(image.data(), c.fileLength, c.settings);
        ASSERT_EQ(sent, c.sent) << c.fileLength << " bytes";
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(image[3 + i], c.bytes3to6[i]) << c.fileLength << " bytes, byte " << 3 + i;
        EXPECT_EQ(image[0], 5) << "the file's own bytes stay";
        const size_t fileEnd = c.fileLength < CutterModuleLimit ? c.fileLength : CutterModuleLimit;
        for (size_t i = fileEnd > 7 ? fileEnd : 7; i < sent - 4; ++i)
            ASSERT_EQ(image[i], 0) << c.fileLength << " bytes: padding at " << i;
        // The emulator's test: every word, checksum included, exclusive-ors to 0xFFFFFFFF.
        uint32_t all = 0;
        for (size_t i = 0; i < sent; i += 4)
            all ^= LoadLE32(&image[i]);
        EXPECT_EQ(all, 0xFFFFFFFFu) << c.fileLength << " bytes";
    }
}

TEST(CutProgress, PositionBarAndTimeLeftFollowTheCut)
{
    struct Case {
        uint8_t minutes, seconds, frames;  // BCD, as in the status block
        uint32_t total;
        int speedIndex;
        uint32_t position, bar, secondsLeft;
    };
    const Case cases[] = {
        {0x12, 0x34, 0x56, 333000, 0, 56606, 566, 3685},
        {0x30, 0x00, 0x00, 270000, 0, 135000, 1350, 1800},  // half way: 30:00 at x1
        {0x30, 0x00, 0x00, 270000, 1, 135000, 1350, 900},   // 15:00 at x2
        {0x30, 0x00, 0x00, 270000, 2, 135000, 1350, 450},   // 7:30 at x4
        {0x00, 0x20, 0x00, 1000, 2, 1500, 10, 0},           // past the end: a full bar, nothing left
        {0x00, 0x00, 0x10, 0, 0, 10, 0, 0},                 // no total yet
    };
    for (const Case& c : cases) {
        uint8_t status[20] = {};
        status[7] = c.minutes;
        status[8] = c.seconds;
        status[9] = c.frames;
        const CutProgress p = ComputeCutProgress(status, c.total, c.speedIndex);
        EXPECT_EQ(p.position, c.position) << "total " << c.total;
        EXPECT_EQ(p.barPosition, c.bar) << "total " << c.total;
        EXPECT_EQ(p.secondsLeft, c.secondsLeft) << "total " << c.total << " speed " << c.speedIndex;
    }
}

TEST(CutProgress, TotalIsEndSectorMinusFirst)
{
    const uint8_t fromStart[12] = {0, 0, 0, 0, 0, 0x05, 0x14, 0xC8};  // 0 to 333000
    const uint8_t fromLater[12] = {0, 0, 0x03, 0xE8, 0, 0x05, 0x14, 0xC8};  // 1000 to 333000
    EXPECT_EQ(CutTotal(fromStart), 333000u);
    EXPECT_EQ(CutTotal(fromLater), 332000u);
}
