// The main window: its controls, the interfaces it owns and the line it posts to the Messages list.
#include "mainwindow/MainDialog.h"
#include <cstdarg>
#include <cstdio>
#include "cutting/CutDiscDialog.h"
#include "emulator/DeviceLock.h"
#include "emulator/MessageSink.h"
#include "framework/Application.h"
#include "framework/StatusBar.h"
#include "resources/ResourceIds.h"

namespace {
const char NoneText[] = "None";
}

MainDialog::MainDialog() : Dialog(IDD_MAIN, nullptr)
{
    registry_.Add(new StaticText(IDC_TARGET, NoneText));
    registry_.Add(new StaticText(IDC_EMULATION_DEVICE, NoneText));
    registry_.Add(new StaticText(IDC_CUTTING_DEVICE, NoneText));
    statusBar_ = new StatusBar;
    registry_.Add(statusBar_);
}

MainDialog::~MainDialog()
{
    WriteModuleSettings();
    delete ProcessDeviceLock;
    ProcessDeviceLock = nullptr;
    if (sink_) {
        // Until start-up took its own reference the sink may be held only by the component.
        if (!sinkHeld_)
            sink_->AddRef();
        sink_->Release();
    }
    if (device_)
        device_->Release();
    if (system_)
        system_->Release();
    if (settings_)
        settings_->Release();
    if (machineKey_)
        machineKey_->Release();
    if (userKey_)
        userKey_->Release();
    delete[] availableList_;
    delete[] installedList_;
    delete[] modulePath_;
    delete cutPanel_;
}

void MainDialog::PostMessageLine(const char* format, ...)
{
    if (!sink_)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    sink_->Notify(1, line);
}
