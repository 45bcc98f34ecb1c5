// The file name in an error's detail block. (The error and solution lines, and which codes stay
// in the status bar, are checked end to end, through the real window.)
#include <gtest/gtest.h>
#include "emulator/ErrorTable.h"

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
