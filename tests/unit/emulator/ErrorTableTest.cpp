// The Messages lines and status bar texts for the emulator's error codes.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "emulator/ErrorTable.h"

namespace {

// A 42-byte detail block whose bytes 30 to 41 hold name and extension as the emulator stores them.
struct Detail {
    uint8_t bytes[42] = {};
    explicit Detail(const char (&stored)[13]) { std::memcpy(bytes + 30, stored, 12); }
};

}  // namespace

TEST(ErrorTable, LinesShownInTheMessagesList)
{
    const Detail game("AGEM    IB?N");
    const Detail bad("AGEM  \x01 IB?N");
    const Detail noExtension("AGEM        ");
    struct Case { uint16_t code; const uint8_t* detail; const char* error; const char* solution; };
    const Case cases[] = {
        {0x8000, nullptr, "Error 8000 - No Emulation Module for this Target.", "Solution: Install a Module via Module Manager."},
        {0x8010, nullptr, "Error 8010: No Disc is inserted.", "Solution: Insert a Disc."},
        {0x8103, nullptr, "Error 8103 - Cannot connect to Emulator Disc.", "Solution: Check SCSI connections & reboot."},
        {0x814c, nullptr, "Error 814c - File read error - Emulator Disc corrupt.", "Solution: Use scandisk on the Emulator Disc."},
        {0x8180, nullptr, "Error 8180 - Emulator Disc not formatted", "Solution: Format the disc using Windows."},
        {0x81AA, nullptr, "Error 81aa - Binary Map file corrupt.", "Solution: Refresh disc using Trawler."},
        {0x81B4, nullptr, "Error 81b4 - Emulator Disc too Fragmented.", "Solution: Defragment the disc."},
        {0x8382, nullptr, "Error 8382: Emulator internal memory corrupt.", "Switch the Emulator off then on again."},
        {0x83D1, nullptr, "Error 83d1: No Emulation Module for this target.", "Install Emulation Modules using Module Manager."},
        {0x8190, game.bytes, "Error 8190 - File GAME.BIN Not Found.", "Solution: Refresh Disc."},
        {0x8196, noExtension.bytes, "Error 8196 - File GAME Not Found.", "Solution: Refresh Disc."},
        {0x8194, bad.bytes, "Error 8194 - Disc may be corrupt.", "Solution: Refresh Disc."},
        {0x8190, nullptr, "Error 8190 - Disc may be corrupt.", "Solution: Refresh Disc."},
        {0x8141, nullptr, "Error 8141 - Unknown.", ""},
        {0x81AB, nullptr, "Error 81ab - Unknown.", ""},
        {0x0001, nullptr, "Error 1 - Unknown.", ""},
    };
    for (const Case& c : cases) {
        char error[ErrorLineSize] = "?", solution[ErrorLineSize] = "?";
        FormatErrorLines(c.code, c.detail, error, solution);
        EXPECT_STREQ(error, c.error);
        EXPECT_STREQ(solution, c.solution) << c.error;
    }
}

TEST(ErrorTable, CutterCodesGoToTheStatusBar)
{
    EXPECT_STREQ(CutterErrorText(0x8200), "Cutter is not ready");
    EXPECT_STREQ(CutterErrorText(0x8280), "Bad CDR100 Version > 1.07");
    EXPECT_STREQ(CutterErrorText(0x82FF), "Cut was aborted.");
    for (uint16_t code : {0x8000, 0x8201, 0x8190}) EXPECT_EQ(CutterErrorText(code), nullptr) << code;
}

TEST(ErrorTable, DiscFileNameFromSwappedWords)
{
    struct Case { const char stored[13]; int result; const char* name; };
    const Case cases[] = {
        {"AGEM    IBxN", 1, "GAME.BIN"},       // byte 10 is not part of the name
        {"OLGNEN1SXE E", 1, "LONGNES1.EXE"},
        {"AGEM     a b", 1, "GAME.a b"},       // spaces inside the extension stay
        {"AGEM    I.N ", 1, "GAME"},           // invalid extension: dropped
        {"AGEM    \x01\x01\x01\x01", 1, "GAME"},
        {"            ", 1, " "},              // the first character always stays
        {"A.EM    IB N", 0, ""},               // '.' is not a name character
        {"\xC9GEM    IB N", 0, ""},            // nor is a non-ASCII letter
    };
    for (const Case& c : cases) {
        char out[13] = "?";
        EXPECT_EQ(DecodeDiscFileName(out, reinterpret_cast<const uint8_t*>(c.stored)), c.result) << c.name;
        if (c.result) {
            EXPECT_STREQ(out, c.name);
        }
    }
}
