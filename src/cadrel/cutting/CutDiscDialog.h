// The cut panel: laid over the main window's Messages area, it starts a gold disc cut and shows
// its progress. One object lives as long as the main window; its window comes and goes.
#pragma once
#include <cstdint>
#include "framework/Dialog.h"
#include "interface/EmulatorInterfaces.h"

// How long "Cut CD Now" waits for the cut to begin before it gives up.
struct CutWaitBounds {
    DWORD noCutterMs;  // while the emulator shows no sign of the cutter at all
    DWORD noBlankMs;   // after the prompt for a Gold Disc
};
extern CutWaitBounds CutWaitLimits;  // 20 seconds and 2 minutes

class CutDiscDialog : public Dialog {
public:
    // owner: the main window. The device numbers are copied now; moduleDirectory points at the
    // owner's module path, which may be replaced later. sink receives the Messages lines.
    CutDiscDialog(HWND owner, uint32_t cutter, uint32_t emulationDevice, char* const* moduleDirectory,
                  EmulatorDevice* device, EmulatorSink* sink);
    ~CutDiscDialog() override;

    int OnInitDialog() override;
    int CanClose() override;
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Validate() override { return StartCut(); }

    // "Cut CD Now": send the cutter module and wait until the emulator cuts. 0 keeps the panel
    // open (the cut runs, or the module file is missing); 1 closes it.
    int StartCut();
    // The poll found a cut running and has just opened the panel for it.
    void ResumeCut();
    // The poll's status block while the emulator cuts.
    void UpdateCutProgress(const uint8_t* statusBlock);

private:
    enum WaitEnd { CutBegan, GaveUp, NoCutter, NoBlank, ProgramClosed };

    int ReadCutterImage(uint8_t* image, size_t* length);
    void EnableForCut(BOOL enable);
    WaitEnd WaitForCut(DWORD handle, uint8_t* status);  // status: the last block read
    bool PumpMessages(DWORD ms);
    void ShowWaiting(const char* text);
    int Abandon(WaitEnd why, DWORD handle);
    void ReadProgressBlock(uint8_t* block);
    void ShowTotal(const uint8_t* progressBlock);
    void Notify(const char* text);

    int testMode_ = 1;
    int speedIndex_ = 0;
    char* const* moduleDirectory_;
    uint32_t cutter_;
    uint32_t emulationDevice_;
    uint32_t total_ = 0;
    EmulatorDevice* device_;
    EmulatorSink* sink_;
    bool waiting_ = false;  // StartCut waits for the cut to begin
    bool giveUp_ = false;   // the user asked to stop that wait
    // What the progress controls show, so that a poll sets only what changed.
    struct ShownProgress {
        HWND window = nullptr;  // the panel window they belong to; a new one shows its template
        HWND bar = nullptr, current = nullptr, time = nullptr;
        int64_t barPosition = -1;
        char currentText[16] = "";
        char timeText[16] = "";
    } shown_;
};
