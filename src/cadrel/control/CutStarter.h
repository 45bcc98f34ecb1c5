// Starting a gold disc cut: the image built from the cutter module file, its download, the wait
// for the box to begin cutting (with a prompt for a blank) and giving that wait up; and reading
// a running cut's settings back.
#pragma once
#include <cstdint>
#include <vector>
#include "control/BoundedWait.h"

class EmulatorSession;
class Presenter;

// How long the wait for a cut to begin may go on before it gives up.
struct CutWaitBounds {
    DWORD noCutterMs = 20000;   // while the box shows no sign of the cutter at all
    DWORD noBlankMs = 120000;   // after the prompt for a Gold Disc
};

class CutStarter {
public:
    // The device numbers are the cut's, fixed now; moduleDirectory points at the module path,
    // which the settings may replace later. again: how the user starts a cut again.
    CutStarter(EmulatorSession& session, CutWaitBounds bounds, uint32_t cutter, uint32_t emulationDevice,
               char* const* moduleDirectory, const char* again = "press Cut CD Now again");

    // Builds the image from the cutter module file; 0 after presenter was told why not.
    int ReadImage(int speedIndex, int testMode, Presenter& presenter);

    enum End { Began, DownloadRefused, GaveUp, NoCutter, NoBlank, ProgramClosing };
    struct Outcome {
        End end = DownloadRefused;
        bool totalKnown = false;            // the box answered for the cut's settings
        uint32_t total = 0;                 // sectors to cut, once begun
        uint8_t status[StatusBlockSize] = {};  // the status block that showed the cut begun
    };
    // Sends the image read last and waits for the cut to begin. When the wait ends otherwise,
    // the box is reset (it would cut as soon as a blank went in) and presenter is told why.
    Outcome Begin(Presenter& presenter);

    struct RunningCut {
        bool known;  // false when the box refused the read: ask again later
        int speedIndex;
        int testMode;
        uint32_t total;
    };
    // The settings of the cut the box runs now.
    RunningCut ReadRunningCut();

private:
    WaitEnd WaitForCut(DWORD handle, uint8_t* status, Presenter& presenter, End* why);
    void GiveUp(End why, Presenter& presenter);
    bool ReadProgressBlock(uint8_t* block);

    EmulatorSession& session_;
    CutWaitBounds bounds_;
    uint32_t cutter_;
    uint32_t emulationDevice_;
    char* const* moduleDirectory_;
    const char* again_;
    std::vector<uint8_t> image_;
};
