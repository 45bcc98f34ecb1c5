// The box as every process that opens it sees it. A real box sits on the bus once and every
// program talks to that one, so the model keeps the whole box in memory that every process with
// the same state folder maps: the state (all but SRAM) in two copies and a word naming the
// current one, SRAM once with an undo record of the write under way, the shared clock and the
// scenario the box runs. A call changes the spare copy and then flips the word, so a process
// killed at any instruction leaves the old state or the new one, never a mix.
#pragma once
#include <cstdint>
#include <memory>
#include <type_traits>
#include "model/Scenario.h"

// A process, told apart from a later one that got the same number.
struct BoxHolder {
    uint32_t id = 0;
    uint64_t started = 0;
};
inline bool operator==(const BoxHolder& a, const BoxHolder& b) { return a.id == b.id && a.started == b.started; }

struct BoxCut {
    bool active = false;
    bool waiting = false;     // no blank yet: the cut starts when one is inserted
    uint8_t speed = 0;
    uint8_t test = 0;
    uint32_t first = 0;
    uint32_t end = 0;
    int64_t startMs = 0;
};

// Everything a program can observe of the box except SRAM. Plain bytes: it is copied whole.
struct BoxCore {
    uint64_t sequence = 0;            // one more with every change
    uint64_t sramGeneration = 1;
    uint64_t verdictGeneration = 0;   // the module check is cached per SRAM generation and target
    int64_t driveEpoch = 0;
    int64_t busyUntil = 0;
    BoxCut cut;
    BoxHolder holder;                 // the process that holds the handle
    uint32_t handle = 0;
    uint32_t nextHandle = 1;
    uint32_t nextEvent = 0;           // the scenario's timeline runs once, for every process
    uint32_t emulationDevice = 0;
    uint32_t configuration = 0;
    uint32_t discSectors = 0;
    int32_t forcedDrive = -1;
    uint16_t raisedError = 0;
    uint16_t verdict = 0;
    uint8_t raisedName[12] = {};      // the raised error's file, as the detail block holds it
    uint8_t targetKind = 2;
    uint8_t verdictKind = 0;
    bool raisedHasName = false;
    bool powered = true;
    bool emulation = true;
    bool positionHidden = false;      // a scenario event took the position out of the status block
    bool stoppedAfterCut = false;
    bool blank = true;
    bool discPresent = false;
};
static_assert(std::is_trivially_copyable_v<BoxCore>);

struct BoxImage {
    static constexpr uint32_t SramSize = 0x100000;
    static constexpr uint32_t BuiltMark = 0x54424F31;  // "TBO1"

    uint32_t built;              // BuiltMark once the first process has powered the box up
    uint32_t layout;             // sizeof(BoxImage) of the build that made it
    int64_t clockOriginNs;
    double timeScale;
    uint32_t current;            // state[current] is the box
    uint32_t undoArmed;          // undo[] holds SRAM as it was before the write under way ...
    uint64_t undoSequence;       // ... which belongs to the state of this sequence number
    uint32_t undoAddress;
    uint32_t undoLength;
    BoxCore state[2];
    uint32_t scenarioLength;
    char scenarioFile[1024];
    char scenarioText[MaxScenarioText];
    uint8_t sram[SramSize];
    uint8_t undo[SramSize];
};
static_assert(std::is_trivially_copyable_v<BoxImage>);

// Where the image lies and who may touch it.
class BoxShare {
public:
    enum class Entry { Entered, HolderEnded, TimedOut };
    virtual ~BoxShare() = default;
    virtual BoxImage& Image() = 0;    // all zero when nobody had the box open
    // The box to this thread alone until Leave. HolderEnded: the last holder ended inside a call.
    virtual Entry Enter() = 0;
    virtual void Leave() = 0;
    virtual BoxHolder Self() = 0;
    virtual bool Alive(const BoxHolder& holder) = 0;
};

// A box of this process's own: nobody else sees it, so it needs no lock.
std::unique_ptr<BoxShare> PrivateBox();
