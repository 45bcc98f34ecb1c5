#include "BoxCommands.h"
#include <nlohmann/json.hpp>
#include <cstdio>
#include <string>
#include "Connection.h"
#include "ExitCodes.h"
#include "Status.h"
#include "control/CutStarter.h"
#include "modules/DeviceTable.h"

namespace {

// The polls after a command's device calls, as the window's: a new error reaches the error stream.
void Poll(Connection& c)
{
    c.reader.PollAndShow();
}

int WaitReady(Connection& c, int seconds)
{
    DeviceLock& lock = c.session.Lock();
    EmulatorDevice* device = c.session.Device();
    // A level per try: another program on the box keeps its turn between the tries.
    BoundedWait ready(DWORD(seconds) * 1000, 100, "", [&] {
        const DWORD handle = lock.Lock(true);
        const bool answered = handle != 0 && device->TestReady(handle, 0) >= 0;
        lock.Lock(false);
        return answered;
    });
    switch (c.presenter.Wait(ready)) {
    case WaitEnd::Done:
        return ExitDone;
    case WaitEnd::TimedOut:
        if (!lock.TimedOut())
            ErrorLinef("The CD Emulator was not ready within %d seconds. 'cadrelctl status' shows what it reports; "
                       "wait longer with a larger --wait-ready.", seconds);
        return ExitBound;
    default:
        return ExitStopped;
    }
}

const char* ModeName(int mode)
{
    return mode ? "emulation mode" : "file transfer mode";
}

// Switches through the one lock level held: 1 when the box took it.
int Switch(Connection& c, int mode)
{
    const int switched = c.session.SwitchMode(mode);
    Poll(c);
    if (!switched)
        ErrorLinef("The CD Emulator refused the switch to %s. 'cadrelctl status' shows what it reports; check "
                   "that it is switched on and connected, then try again.", ModeName(mode));
    return switched;
}

const char* TypeName(uint8_t type)
{
    switch (type) {
    case DeviceDirectAccess: return "Hard Disc";
    case DeviceOpticalMemory: return "PD Drive";
    case DeviceWriteOnce: return "CD Writer";
    default: return "Other";
    }
}

bool IsDiscDevice(uint8_t type)
{
    return type == DeviceDirectAccess || type == DeviceOpticalMemory;
}

std::string Field(const uint8_t* record, size_t offset, size_t length, bool trim)
{
    std::string text(reinterpret_cast<const char*>(record + offset), length);
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    while (trim && !text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

int ListDevices(Connection& c, bool json)
{
    const uint8_t* table = c.uploader.DeviceTable();
    const int count = DeviceTableCount(table);
    const uint32_t emulation = c.EmulationDevice(), cutter = c.Cutter();
    if (json) {
        nlohmann::ordered_json devices = nlohmann::ordered_json::array();
        for (int i = 0; i < count; ++i) {
            const uint8_t* record = table + size_t(i) * DeviceRecordSize;
            devices.push_back({{"number", i + 1}, {"type", record[0]}, {"kind", TypeName(record[0])},
                               {"vendor", Field(record, 8, 8, true)}, {"name", Field(record, 16, 16, true)},
                               {"version", Field(record, 32, 4, true)}});
        }
        const nlohmann::ordered_json result = {{"devices", devices},
                                       {"emulationDevice", emulation ? nlohmann::ordered_json(emulation) : nlohmann::ordered_json()},
                                       {"cutter", cutter ? nlohmann::ordered_json(cutter) : nlohmann::ordered_json()}};
        printf("%s\n", result.dump().c_str());
        return ExitDone;
    }
    printf("N  Type       Vendor    Name              Version\n");
    for (int i = 0; i < count; ++i) {
        const uint8_t* record = table + size_t(i) * DeviceRecordSize;
        printf("%d  %-9s  %s  %s  %s\n", i + 1, TypeName(record[0]), Field(record, 8, 8, false).c_str(),
               Field(record, 16, 16, false).c_str(), Field(record, 32, 4, false).c_str());
    }
    if (emulation)
        printf("Current Emulator Device: %lu\n", static_cast<unsigned long>(emulation));
    else
        printf("Current Emulator Device: No PD Devices or Hard Discs attached\n");
    if (cutter)
        printf("Current Cutter Device: %lu\n", static_cast<unsigned long>(cutter));
    else
        printf("Current Cutter Device: No Cutters Attached\n");
    return ExitDone;
}

// The numbers of the table's devices of a kind, for the message that names them.
std::string Numbers(const uint8_t* table, bool (*fits)(uint8_t))
{
    std::string numbers;
    for (int i = 0; i < DeviceTableCount(table); ++i)
        if (fits(table[size_t(i) * DeviceRecordSize]))
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(i + 1);
    return numbers;
}

// 1 when number is a device of the kind; else the user is told which are.
int CheckDevice(const uint8_t* table, uint32_t number, bool (*fits)(uint8_t), const char* kind, const char* none)
{
    const std::string numbers = Numbers(table, fits);
    if (numbers.empty()) {
        ErrorLinef("%s. Connect %s to the CD Emulator, then try again.", none, kind);
        return 0;
    }
    if (number < 1 || number > uint32_t(DeviceTableCount(table)) || !fits(table[(number - 1) * DeviceRecordSize])) {
        ErrorLinef("Device %lu is not %s. Choose %s ('cadrelctl devices list' shows them).",
                   static_cast<unsigned long>(number), kind, numbers.c_str());
        return 0;
    }
    return 1;
}

// Follows a cut that has begun until the box stops cutting, then resets the box as the window
// does. Progress goes to the error stream.
int FollowCut(Connection& c)
{
    const bool console = ErrorStreamIsConsole();
    bool lineOpen = false;
    int shownStep = -1;
    auto endLine = [&] {
        if (lineOpen)
            fputs("\n", stderr);
        lineOpen = false;
    };
    ULONGLONG lastRead = GetTickCount64();
    for (;;) {
        const Snapshot s = TakeSnapshot(c);
        if (!s.report.read) {
            if (GetTickCount64() - lastRead > 10000) {
                endLine();
                ErrorLine("The CD Emulator stopped answering during the cut; it cuts on by itself. Check that it is "
                          "switched on and connected; 'cadrelctl status' shows how far it got.");
                return ExitUnreachable;
            }
        } else {
            lastRead = GetTickCount64();
            if (s.report.cutterError) {
                endLine();
                ErrorLine(s.report.cutterError);
            }
            if (s.report.status.activity == ActivityTargetOff)
                break;
            if (s.report.status.activity == ActivityCutting) {
                const std::string text = "Cutting CD: " + CutText(s);
                if (console) {
                    fprintf(stderr, "\r%-78s", text.c_str());
                    lineOpen = true;
                } else if (s.percent / 5 > shownStep) {
                    shownStep = s.percent / 5;
                    fprintf(stderr, "%s\n", text.c_str());
                }
                fflush(stderr);
            }
        }
        if (SleepUnlessCtrlC(250)) {
            endLine();
            ErrorLine("Stopped following the cut: it goes on, the CD Emulator cuts on by itself. "
                      "'cadrelctl status --watch' or Cadrel's window follows it.");
            return ExitStopped;
        }
    }
    endLine();
    // After a cut the box waits for a reset.
    if (!c.session.Reset(c.presenter))
        return ExitFailed;
    printf("Finished Cutting CD\n");
    return ExitDone;
}

}  // namespace

namespace {

// After a switch or a reset: the handle given back, then, if asked, the wait for the box.
int ThenWaitReady(Connection& c, int done, int waitSeconds)
{
    c.Release();
    if (!done)
        return ExitFailed;
    if (waitSeconds < 0)
        return ExitDone;
    return CtrlCPressed() ? ExitStopped : WaitReady(c, waitSeconds);
}

}  // namespace

int RunMode(Connection& c, int mode, int waitSeconds)
{
    if (const int held = c.Hold())
        return held;
    return ThenWaitReady(c, Switch(c, mode), waitSeconds);
}

int RunReset(Connection& c, int waitSeconds)
{
    if (const int held = c.Hold())
        return held;
    return ThenWaitReady(c, c.session.Reset(c.presenter), waitSeconds);  // Reset says so when refused
}

int RunDevices(Connection& c, const DeviceOptions& options)
{
    if (const int read = c.ReadRecordBlock())
        return read;
    const uint8_t* table = c.uploader.DeviceTable();
    switch (options.action) {
    case DeviceOptions::List:
        return ListDevices(c, options.json);
    case DeviceOptions::Cutter:
        if (!CheckDevice(table, options.number, [](uint8_t type) { return type == DeviceWriteOnce; }, "a CD writer",
                         "No Cutters Attached"))
            return ExitFailed;
        c.StoreDevice(CutterValue, options.number);
        return ExitDone;
    case DeviceOptions::Emulate:
        break;
    }
    if (!CheckDevice(table, options.number, IsDiscDevice, "a hard disc or PD drive",
                     "No PD Devices or Hard Discs attached"))
        return ExitFailed;
    if (const int held = c.Hold())
        return held;
    // Through file transfer, so the box ends up emulating from the new device whatever its mode.
    c.session.EmulationDevice() = options.number;
    const int switched = Switch(c, 0) && Switch(c, 1);
    c.Release();
    if (!switched)
        return ExitFailed;
    c.StoreDevice(EmulationDeviceValue, options.number);
    return ExitDone;
}

int RunCut(Connection& c, const CutOptions& options)
{
    c.settings.Read(c.session.MachineKey(), c.session.Front());
    if (const int read = c.ReadRecordBlock())
        return read;
    const uint32_t cutter = c.Cutter();
    if (!cutter) {
        ErrorLine("No Cutters Attached. Connect a CD writer to the CD Emulator, then try again.");
        return ExitFailed;
    }
    const Snapshot now = TakeSnapshot(c);
    if (!now.report.read)
        return c.Result(false);
    if (now.report.status.activity == ActivityCutting) {
        ErrorLine("The CD Emulator is already cutting a disc. 'cadrelctl status --watch' follows it; cut again once "
                  "it has finished.");
        return ExitFailed;
    }
    CutStarter starter(c.session, CutWaitBounds{}, cutter, c.EmulationDevice(), &c.settings.path,
                       "run cadrelctl cut again");
    const int speedIndex = options.speed == 4 ? 2 : options.speed == 2 ? 1 : 0;
    if (!starter.ReadImage(speedIndex, options.test ? 1 : 0, c.presenter))
        return ExitFailed;
    if (const int held = c.Hold())
        return held;
    const CutStarter::Outcome outcome = starter.Begin(c.presenter);
    c.Release();
    switch (outcome.end) {
    case CutStarter::Began:
        break;
    case CutStarter::DownloadRefused:
        return ExitFailed;
    case CutStarter::NoCutter:
    case CutStarter::NoBlank:
        return ExitBound;
    default:  // given up: Ctrl-C while it waited
        return ExitStopped;
    }
    if (options.noWait) {
        printf("The cut has begun: %lu sectors. The CD Emulator cuts on by itself.\n",
               static_cast<unsigned long>(outcome.total));
        return ExitDone;
    }
    return FollowCut(c);
}
