// Putting the installed modules into the box's SRAM: each module image, then the record block
// that lists them, with the bookkeeping of where the next module goes. Also what follows a
// change of the installed modules: the upload, and the reset that makes the box run them.
#pragma once
#include <cstdint>
#include <vector>
#include "modules/RecordBlock.h"

class EmulatorSession;
class StatusReader;
struct ModuleSettings;

class ModuleUploader {
public:
    ModuleUploader(EmulatorSession& session, StatusReader& reader, ModuleSettings& settings)
        : session_(session), reader_(reader), settings_(settings)
    {
    }

    // Start-up: reads the box's record block, and uploads every installed module when the
    // installed list changed, the box holds no module data, or its block makes no sense.
    void BringUpToDate(bool installedChanged);
    // Only reads the box's record block and where its modules lie, uploading nothing: for a front
    // end that must not change the box by looking at it. 1 when it was read.
    int ReadRecordBlock();
    // 1 when the module went in. moduleName: the 8-character module name (may be overwritten).
    int UploadModule(char* moduleName, int isDefault);
    // 1 when every installed module and the record block went in.
    int UploadInstalledModules();
    // After the Module Manager changed what is installed: the upload, then a reset and the wait
    // for the box, unless it held no module data before. Each failure has been told.
    enum ChangeEnd { ChangeDone, ChangeFailed, ChangeNotReady };
    ChangeEnd UploadAfterChange();
    // The last upload put no module in, or its record block did not go in: the next close of the
    // Module Manager uploads again.
    bool UploadPending() const { return pending_; }

    const uint8_t* DeviceTable() const { return recordBlock_ + DeviceTableOffset; }
    uint32_t SramFloor() const { return sramFloor_; }

private:
    int SwitchMode(int mode);
    int OpenDoor(const char* path, int* switched);
    int ReadImage(const char* path, bool pathFits, std::vector<uint8_t>& image, uint32_t* length);
    void TakeRecordBlock();
    bool HasModuleRecords() const;

    EmulatorSession& session_;
    StatusReader& reader_;
    ModuleSettings& settings_;
    uint8_t recordBlock_[RecordBlockSize] = {};
    uint32_t nextLoadAddress_ = ModuleAreaTop;
    uint32_t sramFloor_ = 0;
    uint16_t moduleCount_ = 0;
    uint16_t firstHeaderWord_ = FreshFirstHeaderWord;
    bool pending_ = false;
};
