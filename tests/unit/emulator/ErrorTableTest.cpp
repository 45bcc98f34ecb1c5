// The Messages lines and status bar texts for the emulator's error codes. (The common codes, the
// unknown ones and a found file name are checked end to end, through the real window.)
#include <gtest/gtest.h>
#include <cstring>
#include "emulator/ErrorTable.h"

TEST(ErrorTable, FileNameFromTheDetailBlockAndUnknownCodes)
{
    struct Case { uint16_t code; const char stored[13]; const char *error, *solution; };
    const Case cases[] = {
        {0x8196, "AGEM        ", "Error 8196 - File GAME Not Found.", "Solution: Refresh Disc."},
        {0x8194, "AGEM  \x01 IB?N", "Error 8194 - Disc may be corrupt.", "Solution: Refresh Disc."},  // undecodable name
        {0x0001, "", "Error 1 - Unknown.", ""},
    };
    for (const Case& c : cases) {
        uint8_t detail[42] = {};  // bytes 30 to 41: name and extension as the emulator stores them
        std::memcpy(detail + 30, c.stored, 12);
        char error[ErrorLineSize] = "?", solution[ErrorLineSize] = "?";
        FormatErrorLines(c.code, detail, error, solution);
        EXPECT_STREQ(error, c.error);
        EXPECT_STREQ(solution, c.solution) << c.error;
    }
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
        if (c.result) EXPECT_STREQ(out, c.name);
    }
}
