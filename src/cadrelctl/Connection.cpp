#include "Connection.h"
#include <cstdio>
#include <cstdlib>
#include "ExitCodes.h"
#include "modules/DeviceTable.h"

int Connection::Open()
{
    const EmulatorSession::OpenResult opened = session.Open(new ConsoleSink);
    if (opened == EmulatorSession::Opened)
        return ExitDone;
    // The settings text names no remedy of its own.
    if (opened == EmulatorSession::SettingsFailed)
        ErrorLinef("%s. Check the settings folder (TAMBER_HOME, or %%ProgramData%%\\Tamber) and its .key files, "
                   "then try again.", EmulatorSession::OpenFailureText(opened));
    else
        ErrorLine(EmulatorSession::OpenFailureText(opened));
    return ExitUnreachable;
}

int Connection::Hold()
{
    if (session.Lock().Lock(true) != 0)
        return ExitDone;
    session.Lock().Lock(false);
    return ExitBound;
}

int Connection::Result(bool ok, int failed)
{
    if (session.Lock().TimedOut())
        return ExitBound;
    return ok ? ExitDone : failed;
}

int Connection::ReadRecordBlock()
{
    if (const int held = Hold())
        return held;
    const int read = uploader.ReadRecordBlock();
    Release();
    return Result(read);
}

uint32_t Connection::StoredDevice(const char* value, bool (*fits)(uint8_t type), uint32_t fallback)
{
    char text[16] = "";
    DWORD size = sizeof text;
    SettingsKey* key = session.UserKey();
    if (!key || key->QueryValue(value, reinterpret_cast<BYTE*>(text), &size) < 0)
        return fallback;
    text[sizeof text - 1] = '\0';
    const unsigned long number = strtoul(text, nullptr, 10);
    const uint8_t* table = uploader.DeviceTable();
    if (number < 1 || number > unsigned(DeviceTableCount(table)) || !fits(table[(number - 1) * DeviceRecordSize]))
        return fallback;
    return uint32_t(number);
}

uint32_t Connection::EmulationDevice()
{
    uint32_t cutter = 0, emulation = 0;
    FindDevices(uploader.DeviceTable(), &cutter, &emulation);
    return StoredDevice(EmulationDeviceValue, [](uint8_t type) { return type == DeviceDirectAccess || type == DeviceOpticalMemory; },
                        emulation);
}

uint32_t Connection::Cutter()
{
    uint32_t cutter = 0, emulation = 0;
    FindDevices(uploader.DeviceTable(), &cutter, &emulation);
    return StoredDevice(CutterValue, [](uint8_t type) { return type == DeviceWriteOnce; }, cutter);
}

void Connection::StoreDevice(const char* value, uint32_t number)
{
    char text[16];
    snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(number));
    if (SettingsKey* key = session.UserKey())
        key->SetValue(value, text);
}
