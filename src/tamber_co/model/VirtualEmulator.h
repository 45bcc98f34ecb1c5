// The virtual emulator box: SRAM, device table, target, mode, drive, cutter, errors, busy time
// and the access handle. It has no thread: every call first brings the state up to the clock,
// so everything it shows is a function of the time elapsed. Its state lies in a BoxImage that
// every process opening the same box shares; each call locks it, works and commits.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "model/BoxImage.h"
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
constexpr int32_t WriteFault = int32_t(0x8007001D);       // SRAM could not be saved
}  // namespace TamberResult

class VirtualEmulator {
public:
    static constexpr uint32_t SramSize = BoxImage::SramSize;
    static constexpr uint32_t RecordBlock = 0xFFE00;
    static constexpr uint32_t DeviceTable = 0xFFF00;

    // stateDir: where SRAM and a running cut persist; empty keeps everything in memory.
    // share: the box other processes see too; without one the box is this object's own. A box
    // nobody runs powers up from scenario; a running one is joined as it is, with its scenario.
    VirtualEmulator(const Scenario& scenario, Clock& clock, FaultPlan& faults, std::string stateDir = {},
                    BoxShare* share = nullptr);
    ~VirtualEmulator();
    VirtualEmulator(const VirtualEmulator&) = delete;
    VirtualEmulator& operator=(const VirtualEmulator&) = delete;

    // False when the box could not be powered up or joined; the trace notes say why.
    bool Opened() const { return opened_; }

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
    // Notes for this process's call trace only: how the box was opened, a handle taken back.
    std::vector<std::string> TakeTraceNotes();

    const uint8_t* Sram() const { return image_.sram; }
    bool BlankPresent() const { return Committed().blank; }
    uint32_t DiscSectors() const { return Committed().discSectors; }

private:
    struct Drive {
        uint8_t activity = 0;
        uint8_t state = 0;
        bool hasPosition = false;
        uint32_t position = 0;
    };
    // One call's hold on the box: the lock, the state loaded, and at the end what changed
    // committed and the lock given back.
    class Call {
    public:
        explicit Call(VirtualEmulator& box);
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        int32_t Refused() const { return entered_ ? 0 : TamberResult::Busy; }

    private:
        VirtualEmulator& box_;
        bool entered_ = false;
    };

    const BoxCore& Committed() const;
    void Recover(bool holderEnded);
    void Commit();
    void WriteSram(uint32_t address, const uint8_t* data, uint32_t length);
    void UndoWrite();
    void PowerOn();
    void Join();
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
    bool Saturn() const { return s_.targetKind == 1 || s_.targetKind == 2; }
    bool TargetConnected() const { return s_.powered && s_.targetKind != 0xFF; }
    bool Holds(uint32_t handle) const { return handle != 0 && handle == s_.handle && s_.holder == self_; }
    int32_t Guard(const Call& call, uint32_t handle, const char* op, const char* particular = nullptr);
    void WriteDeviceTable();
    void LoadState();
    bool SaveSram();
    void SaveCut();
    void Note(std::string text) { messages_.push_back(std::move(text)); }
    void TraceNote(std::string text) { traceNotes_.push_back(std::move(text)); }

    Scenario scenario_;
    Clock& clock_;
    FaultPlan& faults_;
    std::string stateDir_;
    std::unique_ptr<BoxShare> ownShare_;
    BoxShare& share_;
    BoxImage& image_;
    uint8_t* const sram_;
    const BoxHolder self_;
    BoxCore s_;                   // the state during a call, committed when it ends
    bool opened_ = false;
    int64_t now_ = 0;
    std::vector<std::string> messages_;
    std::vector<std::string> traceNotes_;
};

// The 8.3 name as the detail block holds it: 11 characters (name padded to 8, extension to 3)
// and a pad, stored as big-endian 16-bit words, so each pair of characters is swapped.
void EncodeDetailFileName(const std::string& name, uint8_t out[12]);
