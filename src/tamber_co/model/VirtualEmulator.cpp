#include "model/VirtualEmulator.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "store/AtomicFile.h"

using namespace TamberResult;

namespace {

constexpr uint32_t ModuleAreaEntries = 22;   // first directory entry in the record block
constexpr uint32_t EntrySize = 20;
constexpr uint32_t MaxImage = 49152;

// Drive state codes of each console (byte 10).
constexpr uint8_t SatStop = 1, SatSeek = 2, SatPlay = 3, SatPause = 4;
constexpr uint8_t PsOpen = 1, PsStop = 2, PsPlay = 4, PsPause = 0x0C, PsAccess = 0x20;

uint8_t Bcd(uint32_t v) { return uint8_t(((v / 10) % 10) << 4 | (v % 10)); }

uint32_t SpeedFactor(uint8_t speed) { return speed == 0 ? 1 : 2u * speed; }

}  // namespace

void EncodeDetailFileName(const std::string& name, uint8_t out[12])
{
    char chars[12];
    std::memset(chars, ' ', sizeof chars);
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::memcpy(chars, base.data(), std::min<size_t>(base.size(), 8));
    std::memcpy(chars + 8, ext.data(), std::min<size_t>(ext.size(), 3));
    for (int i = 0; i < 12; i += 2) {
        out[i] = uint8_t(chars[i + 1]);
        out[i + 1] = uint8_t(chars[i]);
    }
}

namespace {
// Ordered stores for the words that say what in the image is whole: a process killed at any
// instruction must leave them written after, never before, what they vouch for.
uint32_t LoadWord(const uint32_t& word) { return __atomic_load_n(&word, __ATOMIC_ACQUIRE); }
void StoreWord(uint32_t& word, uint32_t value)
{
    __atomic_store_n(&word, value, __ATOMIC_RELEASE);
    __atomic_thread_fence(__ATOMIC_SEQ_CST);
}
}  // namespace

VirtualEmulator::VirtualEmulator(const Scenario& scenario, Clock& clock, FaultPlan& faults, std::string stateDir,
                                 BoxShare* share)
    : scenario_(scenario),
      clock_(clock),
      faults_(faults),
      stateDir_(std::move(stateDir)),
      ownShare_(share ? nullptr : PrivateBox()),
      share_(share ? *share : *ownShare_),
      image_(share_.Image()),
      sram_(image_.sram),
      self_(share_.Self())
{
    const Call call(*this);
    if (call.Refused()) return;
    if (image_.built != BoxImage::BuiltMark) {
        PowerOn();
    } else if (image_.layout != sizeof(BoxImage)) {
        TraceNote("box error: another version of tamber_co.dll runs this box; close the programs that use it");
        return;
    } else {
        Join();
    }
    opened_ = true;
}

VirtualEmulator::~VirtualEmulator()
{
    // The handle is the box's lock: a program that lets go of the library lets go of it too.
    if (!opened_) return;
    const Call call(*this);
    if (!call.Refused() && s_.handle != 0 && s_.holder == self_) {
        s_.handle = 0;
        s_.holder = {};
    }
}

VirtualEmulator::Call::Call(VirtualEmulator& box) : box_(box)
{
    const BoxShare::Entry entry = box.share_.Enter();
    if (entry == BoxShare::Entry::TimedOut) {
        box.TraceNote("box locked: another program kept it for too long; the call is refused");
        return;
    }
    entered_ = true;
    box.Recover(entry == BoxShare::Entry::HolderEnded);
    std::memcpy(&box.s_, &box.Committed(), sizeof box.s_);
}

VirtualEmulator::Call::~Call()
{
    if (!entered_) return;
    box_.Commit();
    box_.share_.Leave();
}

const BoxCore& VirtualEmulator::Committed() const
{
    return image_.state[LoadWord(image_.current) & 1];
}

void VirtualEmulator::Recover(bool holderEnded)
{
    if (image_.built != BoxImage::BuiltMark || image_.layout != sizeof(BoxImage)) return;
    // A write whose state never became current is undone: SRAM goes back to that state's.
    const bool undone = LoadWord(image_.undoArmed) && image_.undoSequence == Committed().sequence;
    if (undone) UndoWrite();
    if (!holderEnded) return;
    clock_.Share(image_.clockOriginNs, image_.timeScale);
    now_ = clock_.ModelMs();
    TraceNote(undone ? "box recovered: a program ended in the middle of a memory write, which was undone"
                     : "box recovered: a program ended in the middle of a call");
    // The files follow the box again, whatever the ended program had saved or not.
    std::memcpy(&s_, &Committed(), sizeof s_);
    SaveSram();
    SaveCut();
}

void VirtualEmulator::Commit()
{
    const uint32_t current = LoadWord(image_.current) & 1;
    if (std::memcmp(&s_, &image_.state[current], sizeof s_) == 0) return;
    ++s_.sequence;
    std::memcpy(&image_.state[current ^ 1], &s_, sizeof s_);
    StoreWord(image_.current, current ^ 1);  // the moment the call's changes become the box
    StoreWord(image_.undoArmed, 0);
}

void VirtualEmulator::WriteSram(uint32_t address, const uint8_t* data, uint32_t length)
{
    // SRAM is too big to keep twice: what the write replaces goes to the undo record first.
    StoreWord(image_.undoArmed, 0);
    std::memcpy(image_.undo, sram_ + address, length);
    image_.undoAddress = address;
    image_.undoLength = length;
    image_.undoSequence = s_.sequence;
    StoreWord(image_.undoArmed, 1);
    std::memcpy(sram_ + address, data, length);
    ++s_.sramGeneration;
}

void VirtualEmulator::UndoWrite()
{
    if (image_.undoAddress < SramSize && image_.undoLength <= SramSize - image_.undoAddress)
        std::memcpy(sram_ + image_.undoAddress, image_.undo, image_.undoLength);
    StoreWord(image_.undoArmed, 0);
}

void VirtualEmulator::PowerOn()
{
    // Nobody has the box open (or the last one to build it ended half-way): build it afresh.
    s_ = BoxCore{};
    now_ = clock_.ModelMs();
    s_.powered = scenario_.targetPower;
    s_.targetKind = scenario_.targetKind;
    s_.blank = scenario_.blank;
    s_.configuration = scenario_.configuration;
    // Emulate from the last disc-type device, the one the program picks by default too.
    for (size_t i = 0; i < scenario_.devices.size(); ++i)
        if (scenario_.devices[i].type == 0 || scenario_.devices[i].type == 7) s_.emulationDevice = uint32_t(i + 1);
    s_.discPresent = scenario_.disc.present;
    s_.discSectors = scenario_.disc.sectors;
    uint64_t size = 0;
    if (s_.discPresent && !scenario_.disc.image.empty()) {
        if ((s_.discPresent = FileSize(scenario_.disc.image, size))) {
            s_.discSectors = uint32_t(std::min<uint64_t>(size / (scenario_.disc.raw ? 2352 : 2048), UINT32_MAX));
            s_.discPresent = s_.discSectors > 0;
        }
    }
    image_.undoArmed = 0;
    std::memset(sram_, 0xFF, SramSize);
    LoadState();
    WriteDeviceTable();
    s_.driveEpoch = now_;
    image_.clockOriginNs = clock_.OriginNs();
    image_.timeScale = clock_.Scale();
    const size_t length = std::min(scenario_.text.size(), sizeof image_.scenarioText);
    std::memcpy(image_.scenarioText, scenario_.text.data(), length);
    image_.scenarioLength = uint32_t(length);
    std::snprintf(image_.scenarioFile, sizeof image_.scenarioFile, "%s", scenario_.file.c_str());
    ++s_.sequence;
    std::memcpy(&image_.state[0], &s_, sizeof s_);
    image_.current = 0;
    image_.layout = sizeof(BoxImage);
    StoreWord(image_.built, BoxImage::BuiltMark);
}

void VirtualEmulator::Join()
{
    // Everyone computes the box from its clock and its scenario: take both from the running box.
    clock_.Share(image_.clockOriginNs, image_.timeScale);
    const std::string text(image_.scenarioText, std::min<size_t>(image_.scenarioLength, sizeof image_.scenarioText));
    const std::string file(image_.scenarioFile, strnlen(image_.scenarioFile, sizeof image_.scenarioFile));
    const std::string runs = file.empty() ? "the built-in scenario" : "scenario " + file;
    if (text != scenario_.text || file != scenario_.file) {
        Scenario running = DefaultScenario();
        std::string error;
        if (!ParseScenario(text, running, error)) {
            TraceNote("box error: the running box's " + runs + " cannot be read: " + error);
            return;
        }
        TraceNote("box joined: it runs " + runs + ", not " +
                  (scenario_.file.empty() ? "the built-in scenario" : scenario_.file) +
                  "; this program's faults stay its own");
        running.file = file;
        running.text = text;
        scenario_ = std::move(running);
    } else {
        TraceNote("box joined: it runs " + runs);
    }
}

void VirtualEmulator::WriteDeviceTable()
{
    // Power-on: the inquiry records go into the upper half of the record block. A block that was
    // valid stays valid, so modules already in SRAM survive a power cycle.
    const bool wasValid = RecordBlockValid();
    uint8_t* table = &sram_[DeviceTable];
    std::memset(table, 0, 252);
    for (size_t i = 0; i < scenario_.devices.size() && i < 7; ++i) {
        const ScsiDevice& d = scenario_.devices[i];
        uint8_t* r = table + i * 36;
        r[0] = d.type;
        r[1] = d.type == 4 || d.type == 7 ? 0x80 : 0x00;  // removable medium
        r[2] = 2;                                          // SCSI-2
        r[4] = 31;                                         // additional length
        std::memset(r + 8, ' ', 28);
        std::memcpy(r + 8, d.vendor.data(), std::min<size_t>(d.vendor.size(), 8));
        std::memcpy(r + 16, d.product.data(), std::min<size_t>(d.product.size(), 16));
        std::memcpy(r + 32, d.revision.data(), std::min<size_t>(d.revision.size(), 4));
    }
    if (wasValid) StoreLE32(&sram_[RecordBlock + 508], XorChecksum(&sram_[RecordBlock], 127));
    ++s_.sramGeneration;
}

bool VirtualEmulator::RecordBlockValid() const
{
    return XorChecksum(&sram_[RecordBlock], 127) == LoadLE32(&sram_[RecordBlock + 508]);
}

int VirtualEmulator::CountEntries() const
{
    int n = 0;
    for (uint32_t off = ModuleAreaEntries; off + EntrySize <= 256; off += EntrySize, ++n)
        if (LoadBE32(&sram_[RecordBlock + off + 8]) == 0) break;
    return n;
}

uint16_t VirtualEmulator::ModuleError()
{
    if (s_.verdictGeneration == s_.sramGeneration && s_.verdictKind == s_.targetKind) return s_.verdict;
    const uint16_t before = s_.verdict;
    uint16_t code = 0;
    const int entries = RecordBlockValid() ? CountEntries() : 0;
    if (entries == 0) {
        code = 0x83D0;
    } else {
        const uint16_t wanted = Saturn() ? 0x0002 : s_.targetKind;
        code = 0x83D1;
        for (int i = 0; i < entries; ++i) {
            const uint8_t* e = &sram_[RecordBlock + ModuleAreaEntries + i * EntrySize];
            if (LoadBE16(e) != wanted) continue;
            const uint32_t load = LoadBE32(e + 8);
            const uint32_t length = LoadBE32(e + 12);
            const bool fits = length % 4 == 0 && load < SramSize && length <= SramSize - load;
            if (fits && XorChecksum(&sram_[load], length / 4) == LoadLE32(e + 16)) {
                code = 0;
            } else {
                code = 0x8384;
                char line[128];
                std::snprintf(line, sizeof line,
                              "Virtual emulator: the module image at 0x%05X failed its checksum.", unsigned(load));
                if (before != 0x8384 || s_.verdictGeneration == 0) Note(line);
            }
            break;
        }
    }
    s_.verdict = code;
    s_.verdictGeneration = s_.sramGeneration;
    s_.verdictKind = s_.targetKind;
    return code;
}

int64_t VirtualEmulator::CutLength() const
{
    const Timings& t = scenario_.timings;
    const uint64_t rate = 75u * SpeedFactor(s_.cut.speed);
    const int64_t writing = int64_t((uint64_t(s_.cut.end - s_.cut.first) * 1000 + rate - 1) / rate);
    return t.cutReadyMs + t.cutLeadInMs + writing + t.cutLeadOutMs + t.cutDoneMs;
}

void VirtualEmulator::StartCutAt(int64_t at)
{
    s_.cut.waiting = false;
    s_.cut.startMs = at;
    SaveCut();
}

void VirtualEmulator::SettleCut(int64_t at)
{
    if (!s_.cut.active) return;
    if (s_.cut.waiting) {
        if (s_.blank) StartCutAt(at);
        return;
    }
    if (at - s_.cut.startMs < CutLength()) return;
    s_.cut.active = false;
    if (!s_.cut.test) s_.blank = false;  // a real cut uses up the blank; a test cut only tries it
    s_.stoppedAfterCut = true;
    SaveCut();
    Note(s_.cut.test ? "Virtual emulator: test cut finished." : "Virtual emulator: gold disc finished.");
}

void VirtualEmulator::ApplyEvent(const TimelineEvent& e)
{
    if (e.power) {
        s_.powered = *e.power;
        s_.driveEpoch = e.atMs;
        s_.stoppedAfterCut = false;
    }
    if (e.targetKind) {
        s_.targetKind = *e.targetKind;
        s_.driveEpoch = e.atMs;
    }
    if (e.driveState) s_.forcedDrive = *e.driveState;
    if (e.error) {
        s_.raisedError = *e.error;
        s_.raisedHasName = *e.error && !e.file.empty();
        if (s_.raisedHasName) EncodeDetailFileName(e.file, s_.raisedName);
    }
    if (e.blank) s_.blank = *e.blank;
    if (e.position) s_.positionHidden = !*e.position;
}

void VirtualEmulator::Refresh()
{
    now_ = clock_.ModelMs();
    const std::vector<TimelineEvent>& events = scenario_.events;
    while (s_.nextEvent < events.size() && events[s_.nextEvent].atMs <= now_) {
        SettleCut(events[s_.nextEvent].atMs);
        ApplyEvent(events[s_.nextEvent]);
        ++s_.nextEvent;
    }
    SettleCut(now_);
}

VirtualEmulator::Drive VirtualEmulator::DriveAt(int64_t now)
{
    Drive d;
    if (s_.cut.active && !s_.cut.waiting) {
        const Timings& t = scenario_.timings;
        int64_t e = now - s_.cut.startMs;
        d.activity = 4;
        d.hasPosition = true;
        d.position = s_.cut.first;
        const int64_t writing = CutLength() - t.cutReadyMs - t.cutLeadInMs - t.cutLeadOutMs - t.cutDoneMs;
        if (e < t.cutReadyMs) {
            d.state = 0;
        } else if ((e -= t.cutReadyMs) < t.cutLeadInMs) {
            d.state = 1;
        } else if ((e -= t.cutLeadInMs) < writing) {
            d.state = 2;
            const uint64_t done = uint64_t(e) * 75u * SpeedFactor(s_.cut.speed) / 1000;
            d.position = uint32_t(std::min<uint64_t>(s_.cut.first + done, s_.cut.end));
        } else {
            e -= writing;
            d.state = e < t.cutLeadOutMs ? 3 : 4;
            d.position = s_.cut.end;
        }
        return d;
    }
    if (!TargetConnected() || s_.stoppedAfterCut) return d;
    const bool sat = Saturn();
    d.activity = 2;
    if (!s_.emulation) {
        d.state = sat ? SatStop : PsOpen;  // file transfer: the door is open
    } else if (ModuleError() != 0 || !s_.discPresent || s_.emulationDevice == 0) {
        d.state = sat ? SatStop : PsStop;
    } else if (now < s_.driveEpoch) {
        // About to start: stopped at the start of the disc, where the drive knows its head is.
        d.state = sat ? SatStop : PsStop;
        d.hasPosition = true;
        d.position = 0;
    } else {
        const Timings& t = scenario_.timings;
        const int64_t e = now - s_.driveEpoch;
        if (e < t.bootStopMs) {
            // Stopped at the start of the disc: the drive knows where its head is.
            d.state = sat ? SatStop : PsStop;
            d.hasPosition = true;
            d.position = 0;
        } else if (e < t.bootStopMs + t.bootSeekMs) {
            d.state = sat ? SatSeek : PsAccess;
            d.activity = 6;
        } else {
            const uint64_t played = uint64_t(e - t.bootStopMs - t.bootSeekMs) * 75 / 1000;
            d.hasPosition = true;
            if (played + 1 >= s_.discSectors) {
                d.position = s_.discSectors ? s_.discSectors - 1 : 0;
                d.state = sat ? SatPause : PsPause;
            } else {
                d.position = uint32_t(played);
                d.state = sat ? SatPlay : PsPlay;
                d.activity = 6;
            }
        }
    }
    if (s_.forcedDrive >= 0) d.state = uint8_t(s_.forcedDrive);
    return d;
}

uint16_t VirtualEmulator::ErrorCode(int64_t now)
{
    if (s_.cut.active && s_.cut.waiting) return 0x8200;
    if (s_.raisedError) return s_.raisedError;
    if (s_.cut.active || !TargetConnected() || !s_.emulation || s_.stoppedAfterCut) return 0;
    if (const uint16_t m = ModuleError()) return m;
    if (!s_.discPresent || s_.emulationDevice == 0) return 0x8010;
    return 0;
}

// Every operation that takes a handle: the box locked and brought up to the clock, the faults
// counted, and the handle checked (it is valid only in the process that acquired it).
int32_t VirtualEmulator::Guard(const Call& call, uint32_t handle, const char* op, const char* particular)
{
    if (const int32_t r = call.Refused()) return r;
    Refresh();
    const FaultVerdict v = faults_.Check(op, particular ? particular : "");
    if (v.fail) return v.result;
    return Holds(handle) ? Ok : BadHandle;
}

int32_t VirtualEmulator::AcquireHandle(uint32_t* handle)
{
    const Call call(*this);
    if (const int32_t r = call.Refused()) return r;
    Refresh();
    if (!handle) return Pointer;
    const FaultVerdict v = faults_.Check("AcquireHandle");
    if (v.fail) return v.result;
    if (s_.handle != 0) {
        // One handle at a time, answered at once: the program's bounded retry does the waiting.
        if (s_.holder == self_ || share_.Alive(s_.holder)) return Busy;
        char line[128];
        std::snprintf(line, sizeof line, "handle %lu came back from process %lu, which ended",
                      static_cast<unsigned long>(s_.handle), static_cast<unsigned long>(s_.holder.id));
        TraceNote(line);
    }
    s_.handle = s_.nextHandle++;
    if (s_.nextHandle == 0) s_.nextHandle = 1;
    s_.holder = self_;
    *handle = s_.handle;
    return Ok;
}

int32_t VirtualEmulator::ReleaseHandle(uint32_t handle)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "ReleaseHandle")) return r;
    s_.handle = 0;
    s_.holder = {};
    return Ok;
}

int32_t VirtualEmulator::DownloadCutterModule(uint32_t handle, const uint8_t* image, uint32_t length)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "DownloadCutterModule")) return r;
    if (!image) return Pointer;
    if (length % 4 != 0 || length < 8 || length > MaxImage + 4) return InvalidData;
    if (XorChecksum(image, length / 4 - 1) != LoadLE32(image + length - 4)) return InvalidData;
    const uint8_t cutter = image[3], source = image[4], speed = image[5], test = image[6];
    const auto type = [&](uint8_t number) {
        return number >= 1 && number <= scenario_.devices.size() ? int(scenario_.devices[number - 1].type) : -1;
    };
    if (type(cutter) != 4 || (type(source) != 0 && type(source) != 7) || speed > 2 || test > 1) return InvalidData;
    if (s_.cut.active) return Busy;
    if (!s_.discPresent) return NotReady;
    s_.cut = BoxCut{};
    s_.cut.active = true;
    s_.cut.waiting = true;
    s_.cut.speed = speed;
    s_.cut.test = test;
    s_.cut.first = 0;
    s_.cut.end = s_.discSectors;
    s_.busyUntil = std::max(s_.busyUntil, now_ + scenario_.timings.downloadBusyMs);
    char line[128];
    std::snprintf(line, sizeof line, "Virtual emulator: cutter module loaded, %s cut at x%u of %u sectors.",
                  test ? "test" : "real", unsigned(SpeedFactor(speed)), unsigned(s_.discSectors));
    Note(line);
    if (s_.blank) StartCutAt(now_);
    else SaveCut();
    return Ok;
}

int32_t VirtualEmulator::QueryMode(uint32_t handle, uint8_t* buffer, uint32_t length, uint8_t* second)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "QueryMode")) return r;
    if (!buffer) return Pointer;
    const uint8_t first[2] = {uint8_t(s_.emulation ? 1 : 0), uint8_t(s_.configuration)};
    const uint8_t other[2] = {uint8_t(s_.emulationDevice), s_.targetKind};
    std::memcpy(buffer, first, std::min<uint32_t>(length, 2));
    if (second) std::memcpy(second, other, std::min<uint32_t>(length, 2));
    return Ok;
}

int32_t VirtualEmulator::SetMode(uint32_t handle, uint32_t word)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "SetMode")) return r;
    const uint32_t mode = word & 0xF, configuration = (word >> 4) & 0xF;
    // Device 0 names no device: the box stays on the one it emulates from. The program switches
    // with 0 at its first start, before it has read the device table.
    const uint32_t device = (word >> 8) ? (word >> 8) : s_.emulationDevice;
    if (mode > 1) return InvalidArg;
    const bool discDevice = device >= 1 && device <= scenario_.devices.size() &&
                            (scenario_.devices[device - 1].type == 0 || scenario_.devices[device - 1].type == 7);
    if (mode == 1 && !discDevice) return InvalidArg;
    s_.emulation = mode == 1;
    s_.configuration = configuration;
    if (discDevice) s_.emulationDevice = device;
    s_.stoppedAfterCut = false;
    s_.busyUntil = std::max(s_.busyUntil, now_ + scenario_.timings.modeSwitchMs);
    s_.driveEpoch = now_ + scenario_.timings.modeSwitchMs;
    return Ok;
}

int32_t VirtualEmulator::TestReady(uint32_t handle)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "TestReady")) return r;
    if (faults_.TestReadyBusy(now_)) return Busy;
    return now_ < s_.busyUntil ? Busy : Ok;
}

int32_t VirtualEmulator::GetTargetInfo(uint32_t handle, uint8_t* buffer, uint32_t* size)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "GetTargetInfo")) return r;
    if (!buffer || !size) return Pointer;
    if (*size < 200) {
        *size = 200;
        return BufferTooSmall;
    }
    uint8_t block[200] = {};
    const char id[] = "Tamber virtual CD emulator 1.00 ";  // 32 characters, bytes 0 to 31
    std::memcpy(block, id, 32);
    if (RecordBlockValid()) {
        StoreBE16(block + 36, uint16_t(CountEntries()));
    } else {
        block[36] = block[37] = 0xFF;
    }
    block[38] = s_.powered ? 1 : 0;
    block[39] = s_.powered ? s_.targetKind : 0xFF;
    std::memcpy(buffer, block, 200);
    *size = 200;
    return Ok;
}

int32_t VirtualEmulator::WriteMemory(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "WriteMemory")) return r;
    if (!data && length) return Pointer;
    if (address >= SramSize || length > SramSize - address) return InvalidArg;
    WriteSram(address, data, length);
    s_.busyUntil = std::max(s_.busyUntil, now_ + scenario_.timings.writeBusyMs * int64_t((length + 16383) / 16384));
    const uint16_t before = s_.verdict;
    if (TargetConnected() && ModuleError() != before) s_.driveEpoch = std::max(s_.driveEpoch, now_);
    if (!SaveSram()) {
        // Battery-backed memory that would not survive: the box refuses the write and keeps
        // what it had, and the program hears of it.
        UndoWrite();
        std::memcpy(&s_, &Committed(), sizeof s_);
        return WriteFault;
    }
    return Ok;
}

int32_t VirtualEmulator::ReadMemory(uint32_t handle, uint32_t address, uint8_t* buffer, uint32_t* length)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "ReadMemory")) return r;
    if (!length || (!buffer && *length)) return Pointer;
    if (address >= SramSize || *length > SramSize - address) return InvalidArg;
    if (*length) std::memcpy(buffer, &sram_[address], *length);
    return Ok;
}

int32_t VirtualEmulator::GetStatus(uint32_t handle, uint8_t* buffer, uint32_t* size, uint32_t kind)
{
    const Call call(*this);
    if (const int32_t r = call.Refused()) return r;
    Refresh();
    char particular[24];
    std::snprintf(particular, sizeof particular, "GetStatus.%u", unsigned(kind));
    const FaultVerdict v = faults_.Check("GetStatus", particular);
    if (v.fail) return v.result;
    if (!Holds(handle)) return BadHandle;
    if (!buffer || !size) return Pointer;
    const uint32_t needed = kind == 1 ? 20 : kind == 2 ? 42 : kind == 3 ? 12 : 0;
    if (needed == 0) return InvalidArg;
    if (*size < needed) {
        *size = needed;
        return BufferTooSmall;
    }
    if (v.random) {
        for (uint32_t i = 0; i < needed; ++i) buffer[i] = uint8_t(MixBits(v.randomSeed, i) >> 24);
        *size = needed;
        return Ok;
    }
    std::memset(buffer, 0, needed);
    if (kind == 1) {
        const Drive d = DriveAt(now_);
        if (d.hasPosition && !s_.positionHidden) {
            buffer[2] = 1;
            buffer[7] = Bcd(std::min<uint32_t>(d.position / 4500, 99));
            buffer[8] = Bcd(d.position / 75 % 60);
            buffer[9] = Bcd(d.position % 75);
        }
        buffer[10] = d.state;
        buffer[11] = uint8_t((s_.emulation ? 1 : 0) | d.activity);
        StoreBE16(buffer + 12, ErrorCode(now_));
    } else if (kind == 2) {
        const uint16_t code = ErrorCode(now_);
        StoreBE16(buffer, code);
        if (code != 0 && code == s_.raisedError && s_.raisedHasName) std::memcpy(buffer + 30, s_.raisedName, 12);
    } else {
        StoreBE32(buffer, s_.cut.first);
        StoreBE32(buffer + 4, s_.cut.end);
        StoreBE16(buffer + 8, s_.cut.speed);
        StoreBE16(buffer + 10, s_.cut.test);
    }
    *size = needed;
    return Ok;
}

int32_t VirtualEmulator::GetConfiguration(uint32_t* value, uint32_t* second)
{
    const Call call(*this);
    if (const int32_t r = call.Refused()) return r;
    Refresh();
    const FaultVerdict v = faults_.Check("GetConfiguration");
    if (v.fail) return v.result;
    if (!value) return Pointer;
    *value = s_.configuration;
    if (second) *second = 0x0100;  // the box's firmware version, 1.00
    return Ok;
}

int32_t VirtualEmulator::Reset(uint32_t handle)
{
    const Call call(*this);
    if (const int32_t r = Guard(call, handle, "Reset")) return r;
    if (s_.cut.active) {
        s_.cut.active = false;
        SaveCut();
        Note("Virtual emulator: the cut was abandoned by a reset.");
    }
    s_.emulation = s_.emulationDevice != 0;
    s_.stoppedAfterCut = false;
    s_.raisedError = 0;
    s_.raisedHasName = false;
    s_.busyUntil = std::max(s_.busyUntil, now_ + scenario_.timings.resetMs);
    s_.driveEpoch = now_ + scenario_.timings.resetMs;
    return Ok;
}

std::vector<std::string> VirtualEmulator::TakeMessages()
{
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}

std::vector<std::string> VirtualEmulator::TakeTraceNotes()
{
    std::vector<std::string> out;
    out.swap(traceNotes_);
    return out;
}
