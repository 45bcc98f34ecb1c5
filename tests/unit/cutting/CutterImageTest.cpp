// The image that starts a cut, and what the cut panel shows of a running cut.
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>
#include "common/ByteOrder.h"
#include "cutting/CutProgress.h"
#include "cutting/CutterImage.h"

TEST(CutterImage, CarriesTheSettingsAndAChecksumTheEmulatorAccepts)
{
    struct Case {
        size_t fileLength;
        CutSettings settings;
        size_t sent;
        std::vector<uint8_t> bytes3to6;
    };
    const Case cases[] = {
        {1001, {3, 2, 1, 0}, 1008, {3, 2, 1, 0}},     // x2, real cut
        {49152, {3, 1, 2, 1}, 49156, {3, 1, 2, 1}},   // x4, test: the largest module
        {60000, {3, 1, 2, 1}, 49156, {3, 1, 2, 1}},   // longer files are cut to the largest
        {5, {0x103, 0x207, 0, 1}, 12, {3, 7, 0, 1}},  // only the numbers' low bytes fit
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image(CutterImageCapacity, 0xAA);  // the file, then what the buffer held
        const size_t sent = BuildCutterImage(image.data(), c.fileLength, c.settings);
        ASSERT_EQ(sent, c.sent) << c.fileLength;
        EXPECT_EQ(std::vector<uint8_t>(&image[3], &image[7]), c.bytes3to6) << c.fileLength;
        EXPECT_EQ(image[2], 0xAA) << "the file's own bytes stay";
        const size_t end = std::max<size_t>(std::min(c.fileLength, CutterModuleLimit), 7);
        EXPECT_EQ(size_t(std::count(&image[end], &image[sent - 4], 0)), sent - 4 - end) << "padding, " << c.fileLength;
        uint32_t all = 0;  // the emulator's test: every word, checksum included, gives 0xFFFFFFFF
        for (size_t i = 0; i < sent; i += 4)
            all ^= LoadLE32(&image[i]);
        EXPECT_EQ(all, 0xFFFFFFFFu) << c.fileLength;
    }
}

TEST(CutProgress, PositionBarAndTimeLeftFollowTheCut)
{
    struct Case {
        uint8_t bcd[3];  // minutes, seconds, frames as in bytes 7 to 9
        uint32_t total;
        int speedIndex;
        uint32_t position, bar, secondsLeft;
    };
    const Case cases[] = {
        {{0x12, 0x34, 0x56}, 333000, 0, 56606, 566, 3685},
        {{0x30, 0x00, 0x00}, 270000, 0, 135000, 1350, 1800},  // half way: 30:00 at x1,
        {{0x30, 0x00, 0x00}, 270000, 1, 135000, 1350, 900},   // 15:00 at x2,
        {{0x30, 0x00, 0x00}, 270000, 2, 135000, 1350, 450},   // 7:30 at x4
        {{0x00, 0x20, 0x00}, 1000, 2, 1500, 10, 0},           // past the end: a full bar, nothing left
        {{0x00, 0x00, 0x10}, 0, 0, 10, 0, 0},                 // no total yet
    };
    for (const Case& c : cases) {
        uint8_t status[20] = {};
        std::copy(c.bcd, c.bcd + 3, status + 7);
        const CutProgress p = ComputeCutProgress(status, c.total, c.speedIndex);
        EXPECT_EQ(std::vector<uint32_t>({p.position, p.barPosition, p.secondsLeft}),
                  std::vector<uint32_t>({c.position, c.bar, c.secondsLeft})) << c.total << " x" << c.speedIndex;
    }
    const uint8_t progress[12] = {0, 0, 0x03, 0xE8, 0, 0x05, 0x14, 0xC8};  // sectors 1000 to 333000
    EXPECT_EQ(CutTotal(progress), 332000u);
}
