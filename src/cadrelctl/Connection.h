// One run's connection to the box: the session and the parts of the control layer the commands
// use. Connecting changes nothing on the box: each command reads what it needs, acts, and the
// handle is given back when the connection ends.
#pragma once
#include <cstdint>
#include "Console.h"
#include "control/EmulatorSession.h"
#include "control/ModuleSettings.h"
#include "control/ModuleUploader.h"
#include "control/StatusReader.h"

class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // ExitDone, or ExitUnreachable after saying why.
    int Open();
    // One lock level held for a command's calls, so they all use one handle: ExitDone, or
    // ExitBound (the lock said why) holding nothing.
    int Hold();
    void Release() { session.Lock().Lock(false); }
    // ExitBound when the access handle could not be had, else ok ? ExitDone : failed.
    int Result(bool ok, int failed = 1);
    // Reads the box's record block (device table, where the modules lie): ExitDone or the reason.
    int ReadRecordBlock();

    // The device choices of "devices emulate" and "devices cutter", kept in the user key: the
    // stored number when it is still a device of that kind, else the one Cadrel would choose.
    uint32_t EmulationDevice();
    uint32_t Cutter();
    void StoreDevice(const char* value, uint32_t number);

    ConsolePresenter presenter;
    EmulatorSession session{presenter};
    ModuleSettings settings;
    StatusReader reader{session};
    ModuleUploader uploader{session, reader, settings};

private:
    uint32_t StoredDevice(const char* value, bool (*fits)(uint8_t type), uint32_t fallback);
};

// The user key's values for the two device choices.
inline constexpr char EmulationDeviceValue[] = "EmulationDevice";
inline constexpr char CutterValue[] = "CuttingDevice";
