#include "model/VirtualEmulator.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "common/ByteOrder.h"
#include "common/Checksum.h"

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

VirtualEmulator::VirtualEmulator(const Scenario& scenario, Clock& clock, FaultPlan& faults, std::string stateDir)
    : scenario_(scenario),
      clock_(clock),
      faults_(faults),
      stateDir_(std::move(stateDir)),
      sram_(SramSize, 0xFF),
      powered_(scenario.targetPower),
      targetKind_(scenario.targetKind),
      blank_(scenario.blank)
{
    now_ = clock_.ModelMs();
    configuration_ = scenario_.configuration;
    // Emulate from the last disc-type device, the one the program picks by default too.
    for (size_t i = 0; i < scenario_.devices.size(); ++i)
        if (scenario_.devices[i].type == 0 || scenario_.devices[i].type == 7) emulationDevice_ = uint32_t(i + 1);
    discPresent_ = scenario_.disc.present;
    discSectors_ = scenario_.disc.sectors;
    if (discPresent_ && !scenario_.disc.image.empty()) {
        FILE* f = std::fopen(scenario_.disc.image.c_str(), "rb");
        discPresent_ = f != nullptr;
        if (f) {
            std::fseek(f, 0, SEEK_END);
            const long size = std::ftell(f);
            std::fclose(f);
            discSectors_ = size > 0 ? uint32_t(size / (scenario_.disc.raw ? 2352 : 2048)) : 0;
            discPresent_ = discSectors_ > 0;
        }
    }
    LoadState();
    WriteDeviceTable();
    driveEpoch_ = now_;
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
    ++sramGeneration_;
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
    if (verdictGeneration_ == sramGeneration_ && verdictKind_ == targetKind_) return verdict_;
    const uint16_t before = verdict_;
    uint16_t code = 0;
    const int entries = RecordBlockValid() ? CountEntries() : 0;
    if (entries == 0) {
        code = 0x83D0;
    } else {
        const uint16_t wanted = Saturn() ? 0x0002 : targetKind_;
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
                if (before != 0x8384 || verdictGeneration_ == 0) Note(line);
            }
            break;
        }
    }
    verdict_ = code;
    verdictGeneration_ = sramGeneration_;
    verdictKind_ = targetKind_;
    return code;
}

int64_t VirtualEmulator::CutLength() const
{
    const Timings& t = scenario_.timings;
    const uint64_t rate = 75u * SpeedFactor(cut_.speed);
    const int64_t writing = int64_t((uint64_t(cut_.end - cut_.first) * 1000 + rate - 1) / rate);
    return t.cutReadyMs + t.cutLeadInMs + writing + t.cutLeadOutMs + t.cutDoneMs;
}

void VirtualEmulator::StartCutAt(int64_t at)
{
    cut_.waiting = false;
    cut_.startMs = at;
    SaveCut();
}

void VirtualEmulator::SettleCut(int64_t at)
{
    if (!cut_.active) return;
    if (cut_.waiting) {
        if (blank_) StartCutAt(at);
        return;
    }
    if (at - cut_.startMs < CutLength()) return;
    cut_.active = false;
    if (!cut_.test) blank_ = false;  // a real cut uses up the blank; a test cut only tries it
    stoppedAfterCut_ = true;
    SaveCut();
    Note(cut_.test ? "Virtual emulator: test cut finished." : "Virtual emulator: gold disc finished.");
}

void VirtualEmulator::ApplyEvent(const TimelineEvent& e)
{
    if (e.power) {
        powered_ = *e.power;
        driveEpoch_ = e.atMs;
        stoppedAfterCut_ = false;
    }
    if (e.targetKind) {
        targetKind_ = *e.targetKind;
        driveEpoch_ = e.atMs;
    }
    if (e.driveState) forcedDrive_ = *e.driveState;
    if (e.error) {
        raisedError_ = *e.error;
        raisedFile_ = *e.error ? e.file : std::string();
    }
    if (e.blank) blank_ = *e.blank;
    if (e.position) positionHidden_ = !*e.position;
}

void VirtualEmulator::Refresh()
{
    now_ = clock_.ModelMs();
    const std::vector<TimelineEvent>& events = scenario_.events;
    while (nextEvent_ < events.size() && events[nextEvent_].atMs <= now_) {
        SettleCut(events[nextEvent_].atMs);
        ApplyEvent(events[nextEvent_]);
        ++nextEvent_;
    }
    SettleCut(now_);
}

VirtualEmulator::Drive VirtualEmulator::DriveAt(int64_t now)
{
    Drive d;
    if (cut_.active && !cut_.waiting) {
        const Timings& t = scenario_.timings;
        int64_t e = now - cut_.startMs;
        d.activity = 4;
        d.hasPosition = true;
        d.position = cut_.first;
        const int64_t writing = CutLength() - t.cutReadyMs - t.cutLeadInMs - t.cutLeadOutMs - t.cutDoneMs;
        if (e < t.cutReadyMs) {
            d.state = 0;
        } else if ((e -= t.cutReadyMs) < t.cutLeadInMs) {
            d.state = 1;
        } else if ((e -= t.cutLeadInMs) < writing) {
            d.state = 2;
            const uint64_t done = uint64_t(e) * 75u * SpeedFactor(cut_.speed) / 1000;
            d.position = uint32_t(std::min<uint64_t>(cut_.first + done, cut_.end));
        } else {
            e -= writing;
            d.state = e < t.cutLeadOutMs ? 3 : 4;
            d.position = cut_.end;
        }
        return d;
    }
    if (!TargetConnected() || stoppedAfterCut_) return d;
    const bool sat = Saturn();
    d.activity = 2;
    if (!emulation_) {
        d.state = sat ? SatStop : PsOpen;  // file transfer: the door is open
    } else if (ModuleError() != 0 || !discPresent_ || emulationDevice_ == 0) {
        d.state = sat ? SatStop : PsStop;
    } else if (now < driveEpoch_) {
        // About to start: stopped at the start of the disc, where the drive knows its head is.
        d.state = sat ? SatStop : PsStop;
        d.hasPosition = true;
        d.position = 0;
    } else {
        const Timings& t = scenario_.timings;
        const int64_t e = now - driveEpoch_;
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
            if (played + 1 >= discSectors_) {
                d.position = discSectors_ ? discSectors_ - 1 : 0;
                d.state = sat ? SatPause : PsPause;
            } else {
                d.position = uint32_t(played);
                d.state = sat ? SatPlay : PsPlay;
                d.activity = 6;
            }
        }
    }
    if (forcedDrive_ >= 0) d.state = uint8_t(forcedDrive_);
    return d;
}

uint16_t VirtualEmulator::ErrorCode(int64_t now)
{
    if (cut_.active && cut_.waiting) return 0x8200;
    if (raisedError_) return raisedError_;
    if (cut_.active || !TargetConnected() || !emulation_ || stoppedAfterCut_) return 0;
    if (const uint16_t m = ModuleError()) return m;
    if (!discPresent_ || emulationDevice_ == 0) return 0x8010;
    return 0;
}

int32_t VirtualEmulator::Guard(uint32_t handle, const char* op, const char* particular)
{
    Refresh();
    const FaultVerdict v = faults_.Check(op, particular ? particular : "");
    if (v.fail) return v.result;
    if (handle == 0 || handle != handle_) return BadHandle;
    return Ok;
}

int32_t VirtualEmulator::AcquireHandle(uint32_t* handle)
{
    Refresh();
    if (!handle) return Pointer;
    const FaultVerdict v = faults_.Check("AcquireHandle");
    if (v.fail) return v.result;
    if (handle_ != 0) return Busy;  // one handle at a time
    handle_ = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    *handle = handle_;
    return Ok;
}

int32_t VirtualEmulator::ReleaseHandle(uint32_t handle)
{
    if (const int32_t r = Guard(handle, "ReleaseHandle")) return r;
    handle_ = 0;
    return Ok;
}

int32_t VirtualEmulator::DownloadCutterModule(uint32_t handle, const uint8_t* image, uint32_t length)
{
    if (const int32_t r = Guard(handle, "DownloadCutterModule")) return r;
    if (!image) return Pointer;
    if (length % 4 != 0 || length < 8 || length > MaxImage + 4) return InvalidData;
    if (XorChecksum(image, length / 4 - 1) != LoadLE32(image + length - 4)) return InvalidData;
    const uint8_t cutter = image[3], source = image[4], speed = image[5], test = image[6];
    const auto type = [&](uint8_t number) {
        return number >= 1 && number <= scenario_.devices.size() ? int(scenario_.devices[number - 1].type) : -1;
    };
    if (type(cutter) != 4 || (type(source) != 0 && type(source) != 7) || speed > 2 || test > 1) return InvalidData;
    if (cut_.active) return Busy;
    if (!discPresent_) return NotReady;
    cut_ = Cut{};
    cut_.active = true;
    cut_.waiting = true;
    cut_.speed = speed;
    cut_.test = test;
    cut_.first = 0;
    cut_.end = discSectors_;
    busyUntil_ = std::max(busyUntil_, now_ + scenario_.timings.downloadBusyMs);
    char line[128];
    std::snprintf(line, sizeof line, "Virtual emulator: cutter module loaded, %s cut at x%u of %u sectors.",
                  test ? "test" : "real", unsigned(SpeedFactor(speed)), unsigned(discSectors_));
    Note(line);
    if (blank_) StartCutAt(now_);
    else SaveCut();
    return Ok;
}

int32_t VirtualEmulator::QueryMode(uint32_t handle, uint8_t* buffer, uint32_t length, uint8_t* second)
{
    if (const int32_t r = Guard(handle, "QueryMode")) return r;
    if (!buffer) return Pointer;
    const uint8_t first[2] = {uint8_t(emulation_ ? 1 : 0), uint8_t(configuration_)};
    const uint8_t other[2] = {uint8_t(emulationDevice_), targetKind_};
    std::memcpy(buffer, first, std::min<uint32_t>(length, 2));
    if (second) std::memcpy(second, other, std::min<uint32_t>(length, 2));
    return Ok;
}

int32_t VirtualEmulator::SetMode(uint32_t handle, uint32_t word)
{
    if (const int32_t r = Guard(handle, "SetMode")) return r;
    const uint32_t mode = word & 0xF, configuration = (word >> 4) & 0xF;
    // Device 0 names no device: the box stays on the one it emulates from. The program switches
    // with 0 at its first start, before it has read the device table.
    const uint32_t device = (word >> 8) ? (word >> 8) : emulationDevice_;
    if (mode > 1) return InvalidArg;
    const bool discDevice = device >= 1 && device <= scenario_.devices.size() &&
                            (scenario_.devices[device - 1].type == 0 || scenario_.devices[device - 1].type == 7);
    if (mode == 1 && !discDevice) return InvalidArg;
    emulation_ = mode == 1;
    configuration_ = configuration;
    if (discDevice) emulationDevice_ = device;
    stoppedAfterCut_ = false;
    busyUntil_ = std::max(busyUntil_, now_ + scenario_.timings.modeSwitchMs);
    driveEpoch_ = now_ + scenario_.timings.modeSwitchMs;
    return Ok;
}

int32_t VirtualEmulator::TestReady(uint32_t handle)
{
    if (const int32_t r = Guard(handle, "TestReady")) return r;
    if (faults_.TestReadyBusy(now_)) return Busy;
    return now_ < busyUntil_ ? Busy : Ok;
}

int32_t VirtualEmulator::GetTargetInfo(uint32_t handle, uint8_t* buffer, uint32_t* size)
{
    if (const int32_t r = Guard(handle, "GetTargetInfo")) return r;
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
    block[38] = powered_ ? 1 : 0;
    block[39] = powered_ ? targetKind_ : 0xFF;
    std::memcpy(buffer, block, 200);
    *size = 200;
    return Ok;
}

int32_t VirtualEmulator::WriteMemory(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length)
{
    if (const int32_t r = Guard(handle, "WriteMemory")) return r;
    if (!data && length) return Pointer;
    if (address >= SramSize || length > SramSize - address) return InvalidArg;
    if (length) std::memcpy(&sram_[address], data, length);
    ++sramGeneration_;
    busyUntil_ = std::max(busyUntil_, now_ + scenario_.timings.writeBusyMs * int64_t((length + 16383) / 16384));
    const uint16_t before = verdict_;
    if (TargetConnected() && ModuleError() != before) driveEpoch_ = std::max(driveEpoch_, now_);
    SaveSram();
    return Ok;
}

int32_t VirtualEmulator::ReadMemory(uint32_t handle, uint32_t address, uint8_t* buffer, uint32_t* length)
{
    if (const int32_t r = Guard(handle, "ReadMemory")) return r;
    if (!length || (!buffer && *length)) return Pointer;
    if (address >= SramSize || *length > SramSize - address) return InvalidArg;
    if (*length) std::memcpy(buffer, &sram_[address], *length);
    return Ok;
}

int32_t VirtualEmulator::GetStatus(uint32_t handle, uint8_t* buffer, uint32_t* size, uint32_t kind)
{
    Refresh();
    char particular[24];
    std::snprintf(particular, sizeof particular, "GetStatus.%u", unsigned(kind));
    const FaultVerdict v = faults_.Check("GetStatus", particular);
    if (v.fail) return v.result;
    if (handle == 0 || handle != handle_) return BadHandle;
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
        if (d.hasPosition && !positionHidden_) {
            buffer[2] = 1;
            buffer[7] = Bcd(std::min<uint32_t>(d.position / 4500, 99));
            buffer[8] = Bcd(d.position / 75 % 60);
            buffer[9] = Bcd(d.position % 75);
        }
        buffer[10] = d.state;
        buffer[11] = uint8_t((emulation_ ? 1 : 0) | d.activity);
        StoreBE16(buffer + 12, ErrorCode(now_));
    } else if (kind == 2) {
        const uint16_t code = ErrorCode(now_);
        StoreBE16(buffer, code);
        if (code != 0 && code == raisedError_ && !raisedFile_.empty()) EncodeDetailFileName(raisedFile_, buffer + 30);
    } else {
        StoreBE32(buffer, cut_.first);
        StoreBE32(buffer + 4, cut_.end);
        StoreBE16(buffer + 8, cut_.speed);
        StoreBE16(buffer + 10, cut_.test);
    }
    *size = needed;
    return Ok;
}

int32_t VirtualEmulator::GetConfiguration(uint32_t* value, uint32_t* second)
{
    Refresh();
    const FaultVerdict v = faults_.Check("GetConfiguration");
    if (v.fail) return v.result;
    if (!value) return Pointer;
    *value = configuration_;
    if (second) *second = 0x0100;  // the box's firmware version, 1.00
    return Ok;
}

int32_t VirtualEmulator::Reset(uint32_t handle)
{
    if (const int32_t r = Guard(handle, "Reset")) return r;
    if (cut_.active) {
        cut_.active = false;
        SaveCut();
        Note("Virtual emulator: the cut was abandoned by a reset.");
    }
    emulation_ = emulationDevice_ != 0;
    stoppedAfterCut_ = false;
    raisedError_ = 0;
    raisedFile_.clear();
    busyUntil_ = std::max(busyUntil_, now_ + scenario_.timings.resetMs);
    driveEpoch_ = now_ + scenario_.timings.resetMs;
    return Ok;
}

std::vector<std::string> VirtualEmulator::TakeMessages()
{
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}
