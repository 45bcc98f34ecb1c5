// The device table: SCSI inquiry records as the emulator reports them.
#include "modules/DeviceTable.h"

#include <cstring>

int DeviceTableCount(const uint8_t* table)
{
    int count = 0;
    while (count < DeviceTableCapacity) {
        const uint8_t* record = table + size_t(count) * DeviceRecordSize;
        if (record[0] == 0 && record[1] == 0 && record[2] == 0 && record[3] == 0) break;
        ++count;
    }
    return count;
}

void FindDevices(const uint8_t* table, uint32_t* cutter, uint32_t* emulationDevice)
{
    *cutter = 0;
    *emulationDevice = 0;
    const int count = DeviceTableCount(table);
    for (int i = 0; i < count; ++i) {
        const uint8_t type = table[size_t(i) * DeviceRecordSize];
        if (type == DeviceWriteOnce) *cutter = uint32_t(i + 1);
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t type = table[size_t(i) * DeviceRecordSize];
        if (type == DeviceDirectAccess || type == DeviceOpticalMemory) *emulationDevice = uint32_t(i + 1);
    }
}

const char* FormatDeviceId(DeviceRecord record)
{
    static char text[32];
    std::memset(text, ' ', sizeof text - 1);
    text[31] = '\0';
    std::memcpy(text, record.bytes + 8, 8);       // vendor
    std::memcpy(text + 9, record.bytes + 16, 16);  // product
    std::memcpy(text + 26, record.bytes + 32, 4);  // revision
    return text;
}
