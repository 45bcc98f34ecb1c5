// The main window: its controls, and how it presents what the control layer reports.
#include "mainwindow/MainDialog.h"
#include <cstdio>
#include "cutting/CutDiscDialog.h"
#include "emulator/BusyDialog.h"
#include "framework/StatusBar.h"
#include "resources/ResourceIds.h"

namespace {
const char NoneText[] = "None";
}

MainDialog::MainDialog(CutWaitBounds cutWaitBounds) : Dialog(IDD_MAIN, nullptr), cutWaitBounds_(cutWaitBounds)
{
    registry_.Add(new StaticText(IDC_TARGET, NoneText));
    registry_.Add(new StaticText(IDC_EMULATION_DEVICE, NoneText));
    registry_.Add(new StaticText(IDC_CUTTING_DEVICE, NoneText));
    statusBar_ = new StatusBar;
    registry_.Add(statusBar_);
}

MainDialog::~MainDialog()
{
    SaveModuleSettings();
    session_.Close();
    delete cutPanel_;
}

// Every line reaches the Messages list through the sink, as the component's own lines do.
void MainDialog::Line(const char* text)
{
    if (EmulatorSink* sink = session_.Sink()) {
        char line[512];
        snprintf(line, sizeof line, "%s", text);
        sink->Notify(1, line);
    }
}

void MainDialog::Problem(const char* caption, const char* text)
{
    MessageBoxA(window_, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

WaitEnd MainDialog::Wait(BoundedWait& wait)
{
    return RunBusyWait(wait);
}
