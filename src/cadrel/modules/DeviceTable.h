// The device table: up to seven SCSI inquiry records from byte 256 of the record block.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int DeviceTableCapacity = 7;
constexpr size_t DeviceRecordSize = 36;

enum DeviceType : uint8_t { DeviceDirectAccess = 0, DeviceWriteOnce = 4, DeviceOpticalMemory = 7 };

struct DeviceRecord {
    uint8_t bytes[DeviceRecordSize];  // 0 type, 8-15 vendor, 16-31 product, 32-35 revision
};

// Records up to the first whose first four bytes are zero, seven at most.
int DeviceTableCount(const uint8_t* table);

// 1-based positions of the last type 4 record (cutter) and of the last type 0 or 7 record
// (emulation device); 0 when none.
void FindDevices(const uint8_t* table, uint32_t* cutter, uint32_t* emulationDevice);

// The 31-character identification text: vendor, product, revision, each followed by a space.
// The text lives in one process-wide buffer that the next call overwrites.
const char* FormatDeviceId(DeviceRecord record);
