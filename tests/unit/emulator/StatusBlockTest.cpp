// What the main window shows for a status block: mode, activity, disc position and error. (The
// cutter's states and the mode word sent are checked end to end.)
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>
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
        EXPECT_EQ(std::tuple(v.emulationMode, v.activity, v.state, v.hasPosition, v.minutes * 10000 + v.seconds * 100 + v.frames, v.errorCode),
                  std::tuple(c.mode, c.activity, 3, c.hasPosition, c.msf, c.error)) << c.msf;
    }
}

// A drive state is read by the target's own table (1 or 2 Saturn, any other kind PlayStation); a
// state missing from it has no text, so the window keeps the one it showed.
TEST(StatusBlock, DriveStatesAreReadByTheTargetsTable)
{
    const struct { uint8_t kind; std::vector<int> states; std::vector<std::string> texts; } cases[] = {
        {2, {1, 2, 3, 4, 5, 11, 12, 32}, {"Stop", "Seek", "Play", "Pause", "FF/FR", "Sec", "", ""}},
        {1, {3, 20}, {"Play", ""}},
        {0xFC, {1, 2, 4, 12, 20, 32, 3, 11}, {"Open", "Stop", "Play", "Pause", "FF/FR", "Access", "", ""}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> texts;
        for (int state : c.states)
            texts.push_back(DriveStateText(c.kind, uint8_t(state)) ? DriveStateText(c.kind, uint8_t(state)) : "");
        EXPECT_EQ(texts, c.texts) << int(c.kind);
    }
}
