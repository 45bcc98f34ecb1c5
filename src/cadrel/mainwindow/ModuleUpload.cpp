// Uploading the installed modules and the record block into the emulator's SRAM.
#include <cstdio>
#include <cstring>
#include <vector>
#include "common/Checksum.h"
#include "emulator/BusyDialog.h"
#include "emulator/DeviceLock.h"
#include "mainwindow/MainDialog.h"
#include "modules/ModuleRecord.h"

int MainDialog::UploadModule(char* moduleName, int isDefault)
{
    ProcessDeviceLock->Lock(true);
    auto fail = [] {
        ProcessDeviceLock->Lock(false);
        return 0;
    };
    char path[MAX_PATH + 16];
    const int pathLength = snprintf(path, sizeof path, "%s\\%s.bin", modulePath_ ? modulePath_ : "", moduleName);
    const bool pathFits = pathLength > 0 && size_t(pathLength) < sizeof path;

    int switched = 0;
    if (PollStatus() == 1) {
        switched = 1;
        if (!SwitchMode(0)) {
            PostMessageLine("WARNING: upload of module %s failed - Can't open door", path);
            return fail();
        }
    }

    std::vector<uint8_t> image(ModuleImageMaximum, 0);
    FILE* file = pathFits ? fopen(path, "rb") : nullptr;
    if (!file) {
        char text[sizeof path + 64];
        snprintf(text, sizeof text, "The module file %s could not be found", path);
        MessageBoxA(window_, text, "File Not Found", MB_OK | MB_ICONEXCLAMATION);
        return fail();
    }
    const size_t bytesRead = fread(image.data(), 1, image.size(), file);
    fclose(file);
    const uint32_t length = ModuleImageLength(bytesRead);
    const uint32_t checksum = XorChecksum(image.data(), length / 4);

    nextLoadAddress_ -= length;
    if (nextLoadAddress_ < sramFloor_) {
        PostMessageLine("WARNING: upload of module %s failed - SRAM Space Exhausted", path);
        return fail();
    }
    if (device_->WriteMemory(ProcessDeviceLock->GetHandle(), nextLoadAddress_, image.data(), length) < 0) {
        PostMessageLine("WARNING: upload of module %s failed - cannot send memory", path);
        return fail();
    }
    ++moduleCount_;
    WriteRecordBlockHeader(recordBlock_, firstHeaderWord_, moduleCount_, isDefault, sramFloor_);
    FillModuleEntry(recordBlock_, moduleName, nextLoadAddress_, length, checksum);

    if (switched)
        SwitchMode(1);
    BusyDialog busy(nullptr, device_, 0, sink_);
    busy.RunModal();

    PostMessageLine("Emulation module %s uploaded.", path);
    ProcessDeviceLock->Lock(false);
    return 1;
}

void MainDialog::UploadInstalledModules()
{
    moduleCount_ = 0;
    memset(recordBlock_, 0, RecordBlockUpperHalf);
    nextLoadAddress_ = ModuleAreaTop;

    size_t position = 0;
    size_t recordLength = 0;
    while (const char* record = NextModuleRecord(installedList_, &position, &recordLength)) {
        char name[ModuleNameLength + 1] = {};
        memcpy(name, record, recordLength < size_t(ModuleNameLength) ? recordLength : size_t(ModuleNameLength));
        UploadModule(name, strstr(name, defaultModule_) != nullptr);
    }

    const DWORD handle = ProcessDeviceLock->Lock(true);
    DWORD length = RecordBlockUpperHalf;
    if (handle == 0 ||
        device_->ReadMemory(handle, DeviceTableAddress, recordBlock_ + RecordBlockUpperHalf, &length) < 0) {
        PostMessageLine("WARNING, upload of module record data failed.");
        ProcessDeviceLock->Lock(false);
        return;
    }
    SealRecordBlock(recordBlock_);
    if (device_->WriteMemory(handle, RecordBlockAddress, recordBlock_, RecordBlockSize) < 0)
        PostMessageLine("WARNING, upload of module record data failed.");
    ProcessDeviceLock->Lock(false);
}
