// Decoding of the emulator's 20-byte status block and the texts shown for it.
#pragma once
#include <cstdint>

enum Activity { ActivityTargetOff = 0, ActivityTargetActive = 2, ActivityCutting = 4, ActivityActiveReading = 6 };

// What the program reads of a status block. The position counts only when the box says it is
// current: it leaves it out while the drive seeks.
struct StatusView {
    int emulationMode;   // 1 emulation, 0 file transfer
    int activity;        // one of Activity
    uint8_t state;       // the drive's state while the target is active, the cut's while cutting
    int hasPosition;
    int minutes, seconds, frames;
    uint16_t errorCode;  // 0: no error
};

StatusView DecodeStatusBlock(const uint8_t* block);

// Two BCD digits: high nibble * 10 + low nibble.
int BcdValue(uint8_t value);

// Drive state text for the target kind (byte 39 of the target block: 1 or 2 Saturn, else
// PlayStation); null when the code has no text for that target.
const char* DriveStateText(uint8_t targetKind, uint8_t state);
// Cut state text (0 Ready to 4 Done); null otherwise.
const char* CutStateText(uint8_t state);

// ((device * 16) | configuration) * 16 | mode.
uint32_t ModeWord(uint32_t emulationDevice, uint32_t configuration, uint32_t mode);

// "Target" line and Messages line for byte 39 of the target block; both null for an unknown kind.
struct TargetTexts {
    const char* line;
    const char* message;
};
TargetTexts TargetTextsFor(uint8_t targetKind);
