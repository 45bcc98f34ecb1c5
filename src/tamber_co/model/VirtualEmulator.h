// The virtual emulator box: SRAM, device table, target, mode, drive, cutter, errors, busy time
// and the access handle. It has no thread: every call first brings the state up to the clock,
// so everything it shows is a function of the time elapsed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "model/Clock.h"
#include "model/FaultPlan.h"
#include "model/Scenario.h"

// Results, in the manner of HRESULT (negative = failure).
namespace TamberResult {
constexpr int32_t Ok = 0;
constexpr int32_t Fail = int32_t(0x80004005);
constexpr int32_t Pointer = int32_t(0x80004003);          // null buffer or out pointer
constexpr int32_t BadHandle = int32_t(0x80070006);        // wrong or released handle
constexpr int32_t InvalidArg = int32_t(0x80070057);       // address range, mode word, kind
constexpr int32_t InvalidData = int32_t(0x8007000D);      // bad cutter image, damaged settings file
constexpr int32_t NotReady = int32_t(0x80070015);         // no disc to cut from
constexpr int32_t Busy = int32_t(0x800700AA);             // TestReady while busy, handle already taken
constexpr int32_t BufferTooSmall = int32_t(0x8007007A);
constexpr int32_t NotFound = int32_t(0x80070002);         // missing settings value
}  // namespace TamberResult

class VirtualEmulator {
public:
    static constexpr uint32_t SramSize = 0x100000;
    static constexpr uint32_t RecordBlock = 0xFFE00;
    static constexpr uint32_t DeviceTable = 0xFFF00;

    // stateDir: where SRAM and a running cut persist; empty keeps everything in memory.
    VirtualEmulator(const Scenario& scenario, Clock& clock, FaultPlan& faults, std::string stateDir = {});

    int32_t AcquireHandle(uint32_t* handle);
    int32_t ReleaseHandle(uint32_t handle);
    int32_t DownloadCutterModule(uint32_t handle, const uint8_t* image, uint32_t length);
    int32_t QueryMode(uint32_t handle, uint8_t* buffer, uint32_t length, uint8_t* second);
    int32_t SetMode(uint32_t handle, uint32_t modeWord);
    int32_t TestReady(uint32_t handle);
    int32_t GetTargetInfo(uint32_t handle, uint8_t* buffer, uint32_t* size);
    int32_t WriteMemory(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length);
    int32_t ReadMemory(uint32_t handle, uint32_t address, uint8_t* buffer, uint32_t* length);
    int32_t GetStatus(uint32_t handle, uint8_t* buffer, uint32_t* size, uint32_t kind);
    int32_t GetConfiguration(uint32_t* value, uint32_t* second);
    int32_t Reset(uint32_t handle);

    // Lines for the program's Messages list, collected during calls; the caller delivers them
    // after the call so the program may call back in.
    std::vector<std::string> TakeMessages();

    const uint8_t* Sram() const { return sram_.data(); }
    bool BlankPresent() const { return blank_; }
    uint32_t DiscSectors() const { return discSectors_; }

private:
    struct Cut {
        bool active = false;
        bool waiting = false;     // no blank yet: the cut starts when one is inserted
        uint8_t speed = 0;
        uint8_t test = 0;
        uint32_t first = 0;
        uint32_t end = 0;
        int64_t startMs = 0;
    };
    struct Drive {
        uint8_t activity = 0;
        uint8_t state = 0;
        bool hasPosition = false;
        uint32_t position = 0;
    };

    void Refresh();
    void ApplyEvent(const TimelineEvent& event);
    void SettleCut(int64_t at);
    void StartCutAt(int64_t at);
    int64_t CutLength() const;
    Drive DriveAt(int64_t now);
    uint16_t ErrorCode(int64_t now);
    uint16_t ModuleError();
    bool RecordBlockValid() const;
    int CountEntries() const;
    bool Saturn() const { return targetKind_ == 1 || targetKind_ == 2; }
    bool TargetConnected() const { return powered_ && targetKind_ != 0xFF; }
    int32_t Guard(uint32_t handle, const char* op, const char* particular = nullptr);
    void WriteDeviceTable();
    void LoadState();
    void SaveSram();
    void SaveCut();
    void Note(std::string text) { messages_.push_back(std::move(text)); }

    Scenario scenario_;
    Clock& clock_;
    FaultPlan& faults_;
    std::string stateDir_;
    std::vector<uint8_t> sram_;
    uint64_t sramGeneration_ = 1;
    uint64_t verdictGeneration_ = 0;
    uint8_t verdictKind_ = 0;
    uint16_t verdict_ = 0;

    bool powered_;
    uint8_t targetKind_;
    bool emulation_ = true;
    uint32_t emulationDevice_ = 0;
    uint32_t configuration_ = 0;
    int64_t driveEpoch_ = 0;
    int forcedDrive_ = -1;
    bool positionHidden_ = false;  // a scenario event took the position out of the status block
    bool stoppedAfterCut_ = false;
    uint16_t raisedError_ = 0;
    std::string raisedFile_;
    bool blank_;
    bool discPresent_ = false;
    uint32_t discSectors_ = 0;
    Cut cut_;
    int64_t busyUntil_ = 0;
    uint32_t handle_ = 0;
    uint32_t nextHandle_ = 1;
    size_t nextEvent_ = 0;
    int64_t now_ = 0;
    std::vector<std::string> messages_;
};

// The 8.3 name as the detail block holds it: 11 characters (name padded to 8, extension to 3)
// and a pad, stored as big-endian 16-bit words, so each pair of characters is swapped.
void EncodeDetailFileName(const std::string& name, uint8_t out[12]);
