// The emulator's error codes and the lines shown for them.
#include "emulator/ErrorTable.h"

#include <cstdio>

namespace {

// The line is "Error %x" followed by the rest; the rows differ in their separator.
struct ErrorRow {
    uint16_t code;
    const char* rest;
    const char* solution;
};

const char ConnectRest[] = " - Cannot connect to Emulator Disc.";
const char ConnectSolution[] = "Solution: Check SCSI connections & reboot.";
const char ReadRest[] = " - File read error - Emulator Disc corrupt.";
const char ScandiskSolution[] = "Solution: Use scandisk on the Emulator Disc.";
const char MapRest[] = " - Binary Map file corrupt.";
const char MapSolution[] = "Solution: Refresh disc using Trawler.";
const char SupportSolution[] = "Solution: Contact Tamber Tech Support.";
const char CorruptRest[] = " - Emulator Disc corrupt.";
const char MemoryRest[] = ": Emulator internal memory corrupt.";
const char SwitchSolution[] = "Switch the Emulator off then on again.";
const char InstallSolution[] = "Install Emulation Modules using Module Manager.";

const ErrorRow ErrorRows[] = {
    {0x8000, " - No Emulation Module for this Target.", "Solution: Install a Module via Module Manager."},
    {0x8010, ": No Disc is inserted.", "Solution: Insert a Disc."},
    {0x8020, " - Target is on, but Emulator is in standby mode.", "Solution: Switch Target off then on again."},
    {0x8100, " - Hello Ferrin!!!", "Solution: Stop buggering about."},
    {0x8101, ConnectRest, ConnectSolution},
    {0x8102, ConnectRest, ConnectSolution},
    {0x8103, ConnectRest, ConnectSolution},
    {0x8110, ConnectRest, ConnectSolution},
    {0x8140, ReadRest, ScandiskSolution},
    {0x8142, ReadRest, ScandiskSolution},
    {0x8144, ReadRest, ScandiskSolution},
    {0x8146, ReadRest, ScandiskSolution},
    {0x8148, ReadRest, ScandiskSolution},
    {0x814A, ReadRest, ScandiskSolution},
    {0x814C, ReadRest, ScandiskSolution},
    {0x8180, " - Emulator Disc not formatted", "Solution: Format the disc using Windows."},
    {0x8188, " - No active partition on Emulator Disc.", "Solution: Select a Partition using Windows."},
    {0x81A0, MapRest, MapSolution},
    {0x81A2, MapRest, MapSolution},
    {0x81A8, MapRest, MapSolution},
    {0x81AA, MapRest, MapSolution},
    {0x81AC, " - Too many subdirectories on disc.", SupportSolution},
    {0x81AD, " - Too many files on disc.", SupportSolution},
    {0x81B0, CorruptRest, ScandiskSolution},
    {0x81B8, CorruptRest, ScandiskSolution},
    {0x81B4, " - Emulator Disc too Fragmented.", "Solution: Defragment the disc."},
    {0x8380, MemoryRest, SwitchSolution},
    {0x8382, MemoryRest, SwitchSolution},
    {0x8384, ": Corrupt data in Emulator SRAM.", SwitchSolution},
    {0x83D0, ": No Emulation Modules installed.", InstallSolution},
    {0x83D1, ": No Emulation Module for this target.", InstallSolution},
};

struct CutterRow {
    uint16_t code;
    const char* text;
};

const CutterRow CutterRows[] = {
    {0x8200, "Cutter is not ready"},
    {0x8210, "Mode Select Error"},
    {0x8214, "Mode Sense Error"},
    {0x8216, "Mode Sense Data Is Bad"},
    {0x8220, "WriteTOC Illegal Request"},
    {0x8221, "WriteTOC Illegal Medium"},
    {0x8230, "WriteTrack Error"},
    {0x8238, "CDR Buffer Underflow"},
    {0x8280, "Bad CDR100 Version > 1.07"},
    {0x82FF, "Cut was aborted."},
};

bool IsFileNotFoundCode(uint16_t code)
{
    return code == 0x8190 || code == 0x8194 || code == 0x8196;
}

// ASCII only: the emulator's directory names are plain FAT names, whatever the locale.
bool IsNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ';
}

constexpr size_t FileNameOffset = 30;

}  // namespace

const char* CutterErrorText(uint16_t code)
{
    for (const CutterRow& row : CutterRows)
        if (row.code == code) return row.text;
    return nullptr;
}

void FormatErrorLines(uint16_t code, const uint8_t* detail, char (&error)[ErrorLineSize],
                      char (&solution)[ErrorLineSize])
{
    const unsigned shown = code;
    if (IsFileNotFoundCode(code)) {
        char name[13];
        if (detail && DecodeDiscFileName(name, detail + FileNameOffset))
            std::snprintf(error, ErrorLineSize, "Error %x - File %s Not Found.", shown, name);
        else
            std::snprintf(error, ErrorLineSize, "Error %x - Disc may be corrupt.", shown);
        std::snprintf(solution, ErrorLineSize, "%s", "Solution: Refresh Disc.");
        return;
    }
    for (const ErrorRow& row : ErrorRows) {
        if (row.code == code) {
            std::snprintf(error, ErrorLineSize, "Error %x%s", shown, row.rest);
            std::snprintf(solution, ErrorLineSize, "%s", row.solution);
            return;
        }
    }
    std::snprintf(error, ErrorLineSize, "Error %x - Unknown.", shown);
    solution[0] = '\0';
}

int DecodeDiscFileName(char* out, const uint8_t* source)
{
    // The emulator keeps the directory name as big-endian 16-bit words: each pair is swapped.
    static const int nameOrder[8] = {1, 0, 3, 2, 5, 4, 7, 6};
    static const int extensionOrder[3] = {9, 8, 11};  // byte 10 is not part of the name
    char name[9];
    char extension[4];
    for (int i = 0; i < 8; ++i) name[i] = char(source[nameOrder[i]]);
    for (int i = 0; i < 3; ++i) extension[i] = char(source[extensionOrder[i]]);
    name[8] = '\0';
    extension[3] = '\0';

    out[0] = '\0';
    for (int i = 0; i < 8; ++i)
        if (!IsNameCharacter(name[i])) return 0;
    bool hasExtension = true;
    for (int i = 0; i < 3; ++i)
        if (!IsNameCharacter(extension[i])) hasExtension = false;
    if (extension[0] == ' ' && extension[1] == ' ' && extension[2] == ' ') hasExtension = false;

    int last = 7;  // the first character stays even when it is a space
    while (last > 0 && name[last] == ' ') --last;
    name[last + 1] = '\0';
    if (hasExtension)
        std::snprintf(out, 13, "%s.%s", name, extension);
    else
        std::snprintf(out, 13, "%s", name);
    return 1;
}
