// The console side of cadrelctl: results go to the output stream, everything the control layer
// and the box tell the user to the error stream, one line each. Nothing ever waits for a click,
// and Ctrl-C stops a wait at a point where the box can be given back.
#pragma once
#include "control/Presenter.h"
#include "control/CountedSink.h"

// From now on Ctrl-C (and Ctrl-Break) only raise a flag that the commands look at.
void CatchCtrlC();
bool CtrlCPressed();
// Sleeps for ms or until Ctrl-C; true when Ctrl-C was pressed.
bool SleepUnlessCtrlC(DWORD ms);

// text as one line on the error stream: its line breaks become blanks.
void ErrorLine(const char* text);
void ErrorLinef(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True when the error stream is a console, where a progress line may update itself.
bool ErrorStreamIsConsole();

class ConsolePresenter : public Presenter {
public:
    void Line(const char* text) override;
    void Problem(const char* caption, const char* text) override;
    // Waits the user may stop end at Ctrl-C; the short waits on a busy box run to their end.
    WaitEnd Wait(BoundedWait& wait) override;
    void ShowStatus(const StatusReport&) override {}
};

// The box's callback: its lines of kind 1 go to the error stream.
class ConsoleSink : public CountedSink {
public:
    HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) override;
};
