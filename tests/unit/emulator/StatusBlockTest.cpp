// What the main window shows for a status block: mode, activity, drive state and disc position.
#include <gtest/gtest.h>
#include <string>
#include "emulator/StatusBlock.h"

TEST(StatusBlock, DecodesModeActivityPositionAndError)
{
    struct Case { uint8_t b2, b7, b8, b9, b11, b12, b13; int mode, activity, hasPosition, m, s, f; uint16_t error; };
    const Case cases[] = {
        {0x01, 0x12, 0x34, 0x56, 0x03, 0x00, 0x00, 1, 2, 1, 12, 34, 56, 0},
        {0x21, 0x59, 0x59, 0x74, 0x06, 0x81, 0x90, 0, 6, 1, 59, 59, 74, 0x8190},  // only the low bits of byte 2
        {0x02, 0x00, 0x02, 0x10, 0x05, 0x82, 0x00, 1, 4, 0, 0, 2, 10, 0x8200},
        {0x00, 0x00, 0x00, 0x00, 0xF8, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0x0001},
    };
    for (const Case& c : cases) {
        uint8_t block[20] = {};
        block[2] = c.b2, block[7] = c.b7, block[8] = c.b8, block[9] = c.b9, block[10] = 3;
        block[11] = c.b11, block[12] = c.b12, block[13] = c.b13;
        const StatusView v = DecodeStatusBlock(block);
        const std::string at = "byte 11 " + std::to_string(c.b11);
        EXPECT_EQ(v.emulationMode, c.mode) << at;
        EXPECT_EQ(v.activity, c.activity) << at;
        EXPECT_EQ(v.state, 3) << at;
        EXPECT_EQ(v.hasPosition, c.hasPosition) << at;
        EXPECT_EQ(v.minutes * 10000 + v.seconds * 100 + v.frames, c.m * 10000 + c.s * 100 + c.f) << at;
        EXPECT_EQ(v.errorCode, c.error) << at;
    }
}

// Both targets' tables are checked end to end, through the status bar; here what the poll does not
// show yet: the cutter's states, and the kinds that read the PlayStation column.
TEST(StatusBlock, CutStatesAndOtherKindsStateTexts)
{
    EXPECT_STREQ(DriveStateText(0, 4), "Play");
    EXPECT_STREQ(DriveStateText(0xFF, 1), "Open");
    const char* const cut[] = {"Ready", "LeadIn", "Writing", "LeadOut", "Done", nullptr};
    for (uint8_t s = 0; s < 6; ++s)
        EXPECT_EQ(std::string(CutStateText(s) ? CutStateText(s) : "(none)"), cut[s] ? cut[s] : "(none)") << int(s);
}

// The target lines and messages are checked end to end, a row per kind.
TEST(StatusBlock, ModeWordCarriesDeviceConfigurationAndMode)
{
    EXPECT_EQ(ModeWord(1, 0, 1), 0x101u);
    EXPECT_EQ(ModeWord(3, 2, 0), 0x320u);
    EXPECT_EQ(ModeWord(0, 0, 1), 0x1u);
}
