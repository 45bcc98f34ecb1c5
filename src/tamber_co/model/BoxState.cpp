// What the box keeps over a restart of the program: its battery-backed SRAM and a running cut.
#include <cstdio>
#include <sstream>
#include "model/VirtualEmulator.h"
#include "store/AtomicFile.h"

namespace {
const char* const SramFile = "sram.bin";
const char* const CutFile = "cut.state";
}  // namespace

void VirtualEmulator::LoadState()
{
    if (stateDir_.empty()) return;
    MakeDirectories(stateDir_);
    std::string bytes;
    if (!scenario_.freshSram && ReadWholeFile(JoinPath(stateDir_, SramFile), bytes) && bytes.size() == SramSize)
        sram_.assign(bytes.begin(), bytes.end());

    std::string text;
    if (!ReadWholeFile(JoinPath(stateDir_, CutFile), text)) return;
    std::istringstream in(text);
    std::string word;
    int active = 0, waiting = 0, speed = 0, test = 0;
    unsigned long long first = 0, end = 0;
    long long wallStart = 0;
    while (in >> word) {
        if (word == "active") in >> active;
        else if (word == "waiting") in >> waiting;
        else if (word == "speed") in >> speed;
        else if (word == "test") in >> test;
        else if (word == "first") in >> first;
        else if (word == "end") in >> end;
        else if (word == "wall_start") in >> wallStart;
    }
    if (!in.eof() || active != 1 || speed < 0 || speed > 2 || test < 0 || test > 1 || end < first || end > 0xFFFFFFFF)
        return;
    cut_.active = true;
    cut_.waiting = waiting != 0;
    cut_.speed = uint8_t(speed);
    cut_.test = uint8_t(test);
    cut_.first = uint32_t(first);
    cut_.end = uint32_t(end);
    // The cut went on while nobody watched: place its start so the elapsed wall time counts.
    cut_.startMs = now_ - int64_t(double(clock_.WallMs() - wallStart) * clock_.Scale());
}

void VirtualEmulator::SaveSram()
{
    if (stateDir_.empty()) return;
    ReplaceFileAtomically(JoinPath(stateDir_, SramFile), sram_.data(), sram_.size(), false);
}

void VirtualEmulator::SaveCut()
{
    if (stateDir_.empty()) return;
    std::ostringstream out;
    const int64_t wallStart = clock_.WallMs() - int64_t(double(now_ - cut_.startMs) / clock_.Scale());
    out << "active " << (cut_.active ? 1 : 0) << "\nwaiting " << (cut_.waiting ? 1 : 0) << "\nspeed "
        << int(cut_.speed) << "\ntest " << int(cut_.test) << "\nfirst " << cut_.first << "\nend " << cut_.end
        << "\nwall_start " << wallStart << "\n";
    const std::string text = out.str();
    ReplaceFileAtomically(JoinPath(stateDir_, CutFile), text.data(), text.size(), true);
}
