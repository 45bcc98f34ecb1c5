// The cut panel: laid over the main window's Messages area, it starts a gold disc cut and shows
// its progress. One object lives as long as the main window; its window comes and goes.
#pragma once
#include <cstdint>
#include "control/CutStarter.h"
#include "control/Presenter.h"
#include "framework/Dialog.h"

class EmulatorSession;

class CutDiscDialog : public Dialog, public Presenter {
public:
    // owner: the main window. starter holds the cut's device numbers and the module directory.
    CutDiscDialog(HWND owner, EmulatorSession& session, CutStarter starter);
    ~CutDiscDialog() override = default;

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

    // Lines go to the main window's Messages list; problems are boxes on the panel; a wait the
    // user may stop keeps the whole program running.
    void Line(const char* text) override;
    void Problem(const char* caption, const char* text) override;
    WaitEnd Wait(BoundedWait& wait) override;
    void ShowStatus(const StatusReport& status) override;

private:
    void EnableForCut(BOOL enable);
    bool PumpMessages(DWORD ms);
    void ShowWaiting(const char* text);
    void ShowTotal(bool known, uint32_t total);

    EmulatorSession& session_;
    CutStarter starter_;
    int testMode_ = 1;
    int speedIndex_ = 0;
    uint32_t total_ = 0;
    bool totalKnown_ = false;
    bool waiting_ = false;  // StartCut waits for the cut to begin
    bool giveUp_ = false;   // the user asked to stop that wait
    bool closing_ = false;  // the program is ending during that wait
    // What the progress controls show, so that a poll sets only what changed.
    struct ShownProgress {
        HWND window = nullptr;  // the panel window they belong to; a new one shows its template
        HWND bar = nullptr, current = nullptr, time = nullptr;
        int64_t barPosition = -1;
        char currentText[16] = "";
        char timeText[16] = "";
    } shown_;
};
