// A modal choice among the devices of the device table: the emulation device or the cutter.
// OK writes the chosen device's number into the caller's number; Cancel leaves it alone.
#pragma once
#include <cstdint>
#include "framework/Dialog.h"

class DeviceListView;

// What tells the two choices apart.
struct DeviceChoice {
    int templateId;
    int listId;
    int labelId;           // names the current device
    const char* noneText;  // the label while no device is chosen
    uint8_t types[2];      // device types listed (byte 0 of a record)
};

class DeviceDialog : public Dialog {
public:
    // table: the device table, not owned; number: the caller's 1-based device number.
    DeviceDialog(const DeviceChoice& choice, HWND owner, const uint8_t* table, uint32_t* number);
    ~DeviceDialog() override = default;

    int OnInitDialog() override;

private:
    const DeviceChoice& choice_;
    const uint8_t* table_;
    DeviceListView* list_;
    uint32_t* number_;
};

// "Device to Emulate from": hard discs and PD drives.
class EmulatorDeviceDialog : public DeviceDialog {
public:
    EmulatorDeviceDialog(HWND owner, const uint8_t* table, uint32_t* number);
};

// "Device to Cut to": CD writers.
class CutterDeviceDialog : public DeviceDialog {
public:
    CutterDeviceDialog(HWND owner, const uint8_t* table, uint32_t* number);
};
