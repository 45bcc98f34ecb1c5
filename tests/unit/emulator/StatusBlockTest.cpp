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

TEST(StatusBlock, StateTextsOfBothTargetsAndTheCutter)
{
    struct Case { uint8_t kind, state; const char* text; };
    const Case cases[] = {
        {1, 1, "Stop"}, {2, 2, "Seek"}, {1, 3, "Play"}, {2, 4, "Pause"}, {1, 5, "FF/FR"}, {2, 0x0B, "Sec"},
        {1, 0x0C, nullptr}, {2, 0x20, nullptr},
        {0xFC, 1, "Open"}, {0xFC, 2, "Stop"}, {0xFC, 3, nullptr}, {0xFC, 4, "Play"}, {0xFC, 0x0C, "Pause"},
        {0xFC, 0x14, "FF/FR"}, {0xFC, 0x20, "Access"}, {0xFC, 0x0B, nullptr},
        {0, 4, "Play"}, {0xFF, 1, "Open"},  // any kind but 1 and 2 reads the PlayStation column
    };
    for (const Case& c : cases) {
        const char* text = DriveStateText(c.kind, c.state);
        EXPECT_EQ(std::string(text ? text : "(none)"), std::string(c.text ? c.text : "(none)"))
            << "kind " << int(c.kind) << " state " << int(c.state);
    }
    const char* const cut[] = {"Ready", "LeadIn", "Writing", "LeadOut", "Done"};
    for (uint8_t s = 0; s < 5; ++s) EXPECT_STREQ(CutStateText(s), cut[s]);
    EXPECT_EQ(CutStateText(5), nullptr);
}

TEST(StatusBlock, ModeWordAndTargetLines)
{
    EXPECT_EQ(ModeWord(1, 0, 1), 0x101u);
    EXPECT_EQ(ModeWord(3, 2, 0), 0x320u);
    EXPECT_EQ(ModeWord(0, 0, 1), 0x1u);

    struct Case { uint8_t kind; const char* line; const char* message; };
    const Case cases[] = {
        {1, "Sega Saturn", "Emulator is in Sega Saturn mode"},
        {2, "Sega Saturn", "Emulator is in Sega Saturn mode"},
        {0xFC, "Sony DTL-H2000", "Emulator is in Sony DTL-H2000 (Playstation) mode"},
        {0xFF, "No Target", "No target is connected to the emulator"},
    };
    for (const Case& c : cases) {
        const TargetTexts t = TargetTextsFor(c.kind);
        EXPECT_STREQ(t.line, c.line);
        EXPECT_STREQ(t.message, c.message);
    }
    for (uint8_t kind : {0, 3, 0xFD}) EXPECT_EQ(TargetTextsFor(kind).line, nullptr) << int(kind);
}
