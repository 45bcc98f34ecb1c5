// What the virtual box looks like when it powers up, and what happens to it later: devices,
// target, disc, timings, faults and a timeline. Built in by default or read from a TOML file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ScsiDevice {
    uint8_t type = 0;        // 0 hard disc, 4 CD writer (cutter), 7 PD drive
    std::string vendor;      // 8 characters, padded with spaces in the inquiry record
    std::string product;     // 16
    std::string revision;    // 4
};

// One way an operation goes wrong. Calls are counted per operation name, from 1.
struct FaultRule {
    std::string op;          // "ReadMemory", "GetStatus.1", "TamberCOCreateInstance.SettingsRegistry", ...
    uint32_t nth = 0;        // first failing call (0: not used)
    uint32_t count = 1;      // with nth: how many calls fail from the nth on; 0 for ever
    bool always = false;
    double probability = 0;  // each call fails with this chance, drawn from seed and call number
    uint64_t seed = 0;
    int32_t result = int32_t(0x80004005);  // E_FAIL unless the scenario says otherwise
    bool random = false;     // GetStatus: answer with random bytes instead of failing
    int64_t busyMs = -1;     // TestReady: busy for this long from its first call
    bool busyForever = false;
    int64_t size = -1;       // QueryValue, QueryBinaryValue: answer this size, as a damaged store would
};

struct TimelineEvent {
    int64_t atMs = 0;                 // model time
    std::optional<bool> power;        // target power
    std::optional<uint8_t> targetKind;
    std::optional<int> driveState;    // byte 10 while the target is active; -1 returns to the model's own
    std::optional<uint16_t> error;    // raise an error code (0 clears)
    std::string file;                 // 8.3 name for the detail block of a file error
    std::optional<bool> blank;        // blank disc in the cutter
    std::optional<bool> position;     // false: the status block stops carrying the position (byte 2)
};

struct Timings {
    int64_t modeSwitchMs = 150;
    int64_t writeBusyMs = 20;         // per 16 KiB written
    int64_t resetMs = 400;
    int64_t downloadBusyMs = 200;     // cutter firmware load
    int64_t bootStopMs = 300;         // drive boot: Stop, then Seek/Access, then Play
    int64_t bootSeekMs = 700;
    int64_t cutReadyMs = 1000;        // cut: Ready, LeadIn, Writing, LeadOut, Done
    int64_t cutLeadInMs = 3000;
    int64_t cutLeadOutMs = 3000;
    int64_t cutDoneMs = 1000;
};

struct DiscConfig {
    bool present = true;
    std::string image;               // file path; empty: a synthetic disc
    bool raw = false;                // 2352-byte sectors
    uint32_t sectors = 270000;       // synthetic disc size
};

struct Scenario {
    std::vector<ScsiDevice> devices;
    uint8_t targetKind = 2;          // Sega Saturn
    bool targetPower = true;
    bool freshSram = false;          // forget the persisted SRAM at start
    bool blank = true;
    uint32_t configuration = 0;      // GetConfiguration's first value
    DiscConfig disc;
    Timings timings;
    double timeScale = 1.0;
    bool seedDefaults = true;        // first-run settings and demo modules
    std::vector<FaultRule> faults;
    std::vector<TimelineEvent> events;  // kept sorted by time
    // The file it came from and its text, so that a program joining a running box can run the
    // same one; both empty for the built-in box.
    std::string file;
    std::string text;
};

// A running box keeps its scenario's text beside its state for whoever joins it.
constexpr size_t MaxScenarioText = 256 * 1024;

// Saturn on, hard disc, PD drive and CD writer on the bus, a blank in the writer, a synthetic disc.
Scenario DefaultScenario();

// Reads a scenario over the defaults. On failure error says where and why.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);
