// Emulator error codes: the texts shown for them and the file name some of them carry.
#pragma once
#include <cstdint>

constexpr int ErrorLineSize = 512;

// The Messages line when a reset the program asked for fails.
inline constexpr char ResetFailedWarning[] = "WARNING, Reset Failed! Switch Emulator off then on again.";

// Status bar text for the cutter's codes; null for every other code.
const char* CutterErrorText(uint16_t code);

// The Messages lines for a code that is not a cutter code. detail is the 42-byte error detail
// block (bytes 30 to 41 are read for the file-not-found codes). solution is empty when the code
// has no solution line.
void FormatErrorLines(uint16_t code, const uint8_t* detail, char (&error)[ErrorLineSize],
                      char (&solution)[ErrorLineSize]);

// The 8.3 name stored as byte-swapped 16-bit words (12 source bytes). out needs 13 bytes.
// Returns 0 when the name characters are not letters, digits or spaces.
int DecodeDiscFileName(char* out, const uint8_t* source);
