// How the control layer reaches whoever shows the box to the user: the main window and its
// dialogs, or a console. The control layer itself never draws, asks or pumps messages.
#pragma once
#include "control/BoundedWait.h"

struct StatusReport;

class Presenter {
public:
    // A line for the user: the Messages list, or the console's error stream.
    virtual void Line(const char* text) = 0;
    // A problem the user must see before going on: a message box with this caption.
    virtual void Problem(const char* caption, const char* text) = 0;
    // Runs a wait on the box, keeping the front end alive meanwhile (painted, and for a wait the
    // user may stop, answering input). Returns how the wait ended.
    virtual WaitEnd Wait(BoundedWait& wait) = 0;
    // What a poll read that the control layer made on its own, inside an upload or a mode switch.
    virtual void ShowStatus(const StatusReport& status) = 0;

protected:
    ~Presenter() = default;
};

// A formatted line (at most 511 characters) through presenter.Line.
void PostLine(Presenter& presenter, const char* format, ...) __attribute__((format(printf, 2, 3)));
