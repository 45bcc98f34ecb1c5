// What the main window shows for a status block: mode, activity, disc position, error, and what
// the poll does not show yet: the cutter's states, and the mode word it sends.
#include <gtest/gtest.h>
#include <string>
#include "emulator/StatusBlock.h"

TEST(StatusBlock, DecodesModeActivityPositionAndError)
{
    struct Case { uint8_t b2, b7, b8, b9, b11, b12, b13; int mode, activity, hasPosition, msf; uint16_t error; };
    const Case cases[] = {
        {0x01, 0x12, 0x34, 0x56, 0x03, 0x00, 0x00, 1, 2, 1, 123456, 0},
        {0x21, 0x59, 0x59, 0x74, 0x06, 0x81, 0x90, 0, 6, 1, 595974, 0x8190},  // only the low bits of byte 2
        {0x02, 0x00, 0x02, 0x10, 0xF9, 0x82, 0x00, 1, 0, 0, 210, 0x8200},
    };
    for (const Case& c : cases) {
        uint8_t block[20] = {0, 0, c.b2, 0, 0, 0, 0, c.b7, c.b8, c.b9, 3, c.b11, c.b12, c.b13};
        const StatusView v = DecodeStatusBlock(block);
        EXPECT_EQ(v.emulationMode, c.mode) << c.msf;
        EXPECT_EQ(v.activity, c.activity) << c.msf;
        EXPECT_EQ(v.state, 3) << c.msf;
        EXPECT_EQ(v.hasPosition, c.hasPosition) << c.msf;
        EXPECT_EQ(v.minutes * 10000 + v.seconds * 100 + v.frames, c.msf) << c.msf;
        EXPECT_EQ(v.errorCode, c.error) << c.msf;
    }
}

TEST(StatusBlock, CutStatesAndModeWord)
{
    const char* const cut[] = {"Ready", "LeadIn", "Writing", "LeadOut", "Done", "(none)"};
    for (uint8_t s = 0; s < 6; ++s) EXPECT_STREQ(CutStateText(s) ? CutStateText(s) : "(none)", cut[s]) << int(s);
    EXPECT_EQ(ModeWord(3, 2, 1), 0x321u);  // device, configuration and mode, a hex digit each
}
