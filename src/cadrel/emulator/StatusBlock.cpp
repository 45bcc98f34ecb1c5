// The status block as the main window shows it.
#include "emulator/StatusBlock.h"

#include "common/ByteOrder.h"

StatusView DecodeStatusBlock(const uint8_t* block)
{
    StatusView view{};
    view.emulationMode = block[11] & 1;
    view.activity = block[11] & 6;
    view.state = block[10];
    view.hasPosition = (block[2] & 0x0F) == 1;
    view.minutes = BcdValue(block[7]);
    view.seconds = BcdValue(block[8]);
    view.frames = BcdValue(block[9]);
    view.errorCode = LoadBE16(block + 12);
    return view;
}

int BcdValue(uint8_t value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

const char* DriveStateText(uint8_t targetKind, uint8_t state)
{
    if (targetKind == 1 || targetKind == 2) {
        switch (state) {
        case 1: return "Stop";
        case 2: return "Seek";
        case 3: return "Play";
        case 4: return "Pause";
        case 5: return "FF/FR";
        case 0x0B: return "Sec";
        default: return nullptr;
        }
    }
    switch (state) {
    case 1: return "Open";
    case 2: return "Stop";
    case 4: return "Play";
    case 0x0C: return "Pause";
    case 0x14: return "FF/FR";
    case 0x20: return "Access";
    default: return nullptr;
    }
}

const char* CutStateText(uint8_t state)
{
    static const char* const texts[] = {"Ready", "LeadIn", "Writing", "LeadOut", "Done"};
    return state < sizeof texts / sizeof texts[0] ? texts[state] : nullptr;
}

uint32_t ModeWord(uint32_t emulationDevice, uint32_t configuration, uint32_t mode)
{
    return ((emulationDevice * 16) | configuration) * 16 | mode;
}

TargetTexts TargetTextsFor(uint8_t targetKind)
{
    switch (targetKind) {
    case 1:
    case 2: return {"Sega Saturn", "Emulator is in Sega Saturn mode"};
    case 0xFC: return {"Sony DTL-H2000", "Emulator is in Sony DTL-H2000 (Playstation) mode"};
    case 0xFF: return {"No Target", "No target is connected to the emulator"};
    default: return {nullptr, nullptr};
    }
}
