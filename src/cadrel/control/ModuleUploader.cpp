#include "control/ModuleUploader.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "common/Checksum.h"
#include "control/EmulatorSession.h"
#include "control/ModuleSettings.h"
#include "control/Presenter.h"
#include "control/StatusReader.h"
#include "modules/ModuleRecord.h"

void ModuleUploader::BringUpToDate(bool installedChanged)
{
    DeviceLock& lock = session_.Lock();
    lock.Lock(true);
    const int readOk = session_.ReadRecordBlock(recordBlock_);
    RecordBlockHeader header{};
    const bool headerValid = ReadRecordBlockHeader(recordBlock_, &header) != 0;
    // A box whose directory does not list the installed modules missed an upload that failed.
    const bool missed = readOk && HasModuleRecords() && !RecordBlockLists(recordBlock_, settings_.installed);
    if (installedChanged || session_.HoldsNoModuleData() || (readOk && !headerValid) || missed) {
        moduleCount_ = 0;
        sramFloor_ = 0;
        nextLoadAddress_ = ModuleAreaTop;
        firstHeaderWord_ = FreshFirstHeaderWord;
        UploadInstalledModules();
        SwitchMode(0);
        // A box that could not be read a moment ago is not waited on a second time.
        if (readOk)
            session_.ReadRecordBlock(recordBlock_);
        SwitchMode(1);
    }
    lock.Lock(false);
    TakeRecordBlock();
}

int ModuleUploader::ReadRecordBlock()
{
    DeviceLock& lock = session_.Lock();
    lock.Lock(true);
    const int read = session_.ReadRecordBlock(recordBlock_);
    lock.Lock(false);
    TakeRecordBlock();
    return read;
}

void ModuleUploader::TakeRecordBlock()
{
    RecordBlockHeader header{};
    header.nextLoadAddress = nextLoadAddress_;
    ReadRecordBlockHeader(recordBlock_, &header);
    firstHeaderWord_ = header.firstHeaderWord;
    sramFloor_ = header.sramFloor;
    moduleCount_ = header.moduleCount;
    nextLoadAddress_ = header.nextLoadAddress;
}

int ModuleUploader::SwitchMode(int mode)
{
    const int result = session_.SwitchMode(mode);
    reader_.PollAndShow();
    return result;
}

// The box must be in file transfer mode to take a module: 1 when it is (switched tells whether
// this switched it), 0 after telling the user it would not switch.
int ModuleUploader::OpenDoor(const char* path, int* switched)
{
    *switched = 0;
    if (reader_.PollAndShow() != 1)
        return 1;
    *switched = 1;
    if (SwitchMode(0))
        return 1;
    PostLine(session_.Front(), "WARNING: upload of module %s failed - Can't open door", path);
    return 0;
}

// The module image: the file's first bytes, zero-padded to whole words. A path that did not fit
// its buffer names no file.
int ModuleUploader::ReadImage(const char* path, bool pathFits, std::vector<uint8_t>& image, uint32_t* length)
{
    image.assign(ModuleImageMaximum, 0);
    FILE* file = pathFits ? fopen(path, "rb") : nullptr;
    if (!file) {
        char text[MAX_PATH + 80];
        snprintf(text, sizeof text, "The module file %s could not be found", path);
        session_.Front().Problem("File Not Found", text);
        return 0;
    }
    *length = ModuleImageLength(fread(image.data(), 1, image.size(), file));
    fclose(file);
    return 1;
}

int ModuleUploader::UploadModule(char* moduleName, int isDefault)
{
    DeviceLock& lock = session_.Lock();
    Presenter& presenter = session_.Front();
    lock.Lock(true);
    auto fail = [&] {
        lock.Lock(false);
        return 0;
    };
    char path[MAX_PATH + 16];
    const int pathLength = snprintf(path, sizeof path, "%s\\%s.bin", settings_.path ? settings_.path : "", moduleName);
    const bool pathFits = pathLength > 0 && size_t(pathLength) < sizeof path;

    int switched = 0;
    std::vector<uint8_t> image;
    uint32_t length = 0;
    if (!OpenDoor(path, &switched) || !ReadImage(path, pathFits, image, &length))
        return fail();
    // Space is taken below the last module even when it does not fit or its write fails, so every
    // later module goes lower still. Below address 0 is below any floor: no wrap to the top.
    const bool fits = nextLoadAddress_ >= sramFloor_ && length <= nextLoadAddress_ - sramFloor_;
    nextLoadAddress_ = length <= nextLoadAddress_ ? nextLoadAddress_ - length : 0;
    if (!fits) {
        PostLine(presenter, "WARNING: upload of module %s failed - SRAM Space Exhausted", path);
        return fail();
    }
    if (session_.Device()->WriteMemory(lock.GetHandle(), nextLoadAddress_, image.data(), length) < 0) {
        PostLine(presenter, "WARNING: upload of module %s failed - cannot send memory", path);
        return fail();
    }
    ++moduleCount_;
    WriteRecordBlockHeader(recordBlock_, firstHeaderWord_, moduleCount_, isDefault, sramFloor_);
    FillModuleEntry(recordBlock_, moduleName, nextLoadAddress_, length, XorChecksum(image.data(), length / 4));

    if (switched)
        SwitchMode(1);
    session_.WaitUntilReady(presenter);

    PostLine(presenter, "Emulation module %s uploaded.", path);
    lock.Lock(false);
    return 1;
}

int ModuleUploader::UploadInstalledModules()
{
    moduleCount_ = 0;
    memset(recordBlock_, 0, RecordBlockUpperHalf);
    nextLoadAddress_ = ModuleAreaTop;

    int all = 1;
    size_t position = 0;
    size_t recordLength = 0;
    uint16_t records = 0;
    while (const char* record = NextModuleRecord(settings_.installed, &position, &recordLength)) {
        char name[ModuleNameLength + 1] = {};
        memcpy(name, record, recordLength < size_t(ModuleNameLength) ? recordLength : size_t(ModuleNameLength));
        all &= UploadModule(name, strstr(name, settings_.defaultModule) != nullptr);
        ++records;
    }
    pending_ = false;
    // Nothing went in, so SRAM still holds the modules the box had and its record block lists them;
    // an empty directory now would leave the target nothing to boot.
    if (records > 0 && moduleCount_ == 0) {
        pending_ = true;
        PostLine(session_.Front(), "WARNING, no module could be uploaded, so the CD Emulator keeps the modules it had. "
                                   "Cadrel uploads them again when the Module Manager next closes, and at its next start.");
        return 0;
    }

    DeviceLock& lock = session_.Lock();
    const DWORD handle = lock.Lock(true);
    DWORD length = RecordBlockUpperHalf;
    if (handle == 0 ||
        session_.Device()->ReadMemory(handle, DeviceTableAddress, recordBlock_ + RecordBlockUpperHalf, &length) < 0) {
        PostLine(session_.Front(), "WARNING, upload of module record data failed.");
        pending_ = true;
        lock.Lock(false);
        return 0;
    }
    SealRecordBlock(recordBlock_);
    if (session_.Device()->WriteMemory(handle, RecordBlockAddress, recordBlock_, RecordBlockSize) < 0) {
        PostLine(session_.Front(), "WARNING, upload of module record data failed.");
        pending_ = true;
        all = 0;
    }
    lock.Lock(false);
    return all;
}

bool ModuleUploader::HasModuleRecords() const
{
    size_t position = 0;
    size_t recordLength = 0;
    return NextModuleRecord(settings_.installed, &position, &recordLength) != nullptr;
}

ModuleUploader::ChangeEnd ModuleUploader::UploadAfterChange()
{
    DeviceLock& lock = session_.Lock();
    Presenter& presenter = session_.Front();
    const DWORD handle = lock.Lock(true);
    session_.ReadTarget();
    const bool noModuleData = session_.HoldsNoModuleData();
    ChangeEnd end = UploadInstalledModules() ? ChangeDone : ChangeFailed;
    if (!noModuleData) {
        if (!session_.Reset(presenter)) {
            end = ChangeFailed;
        } else {
            BoundedWait ready(TestReadyBoundMs, [&] { return session_.Device()->TestReady(handle, 0) >= 0; });
            if (presenter.Wait(ready) != WaitEnd::Done) {
                PostLine(presenter, "WARNING, the CD Emulator did not become ready within %lu seconds of its reset. "
                                    "If this goes on, switch the Emulator off then on again.",
                         static_cast<unsigned long>(TestReadyBoundMs / 1000));
                end = ChangeNotReady;
            }
        }
    }
    lock.Lock(false);
    return end;
}
