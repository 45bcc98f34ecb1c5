// What the box keeps over a restart of the program: its battery-backed SRAM and a running cut.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <algorithm>
#include "model/VirtualEmulator.h"
#include "store/AtomicFile.h"

namespace {
const char* const SramFile = "sram.bin";
const char* const CutFile = "cut.state";

// The next word of text after pos, words being separated by white space; empty at the end.
std::string NextWord(const std::string& text, size_t& pos)
{
    const char* const space = " \t\r\n\v\f";
    const size_t start = text.find_first_not_of(space, pos);
    if (start == std::string::npos) {
        pos = text.size();
        return {};
    }
    const size_t end = std::min(text.find_first_of(space, start), text.size());
    pos = end;
    return text.substr(start, end - start);
}

// A whole word as a number; false for anything else, or a number out of range of T.
template <typename T>
bool ReadNumber(const std::string& word, T& out)
{
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    if constexpr (std::is_signed_v<T>) {
        const long long v = std::strtoll(word.c_str(), &end, 10);
        if (errno || *end || v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) return false;
        out = T(v);
    } else {
        const unsigned long long v = std::strtoull(word.c_str(), &end, 10);
        if (errno || *end || v > std::numeric_limits<T>::max()) return false;
        out = T(v);
    }
    return true;
}
}  // namespace

void VirtualEmulator::LoadState()
{
    if (stateDir_.empty()) return;
    if (!MakeDirectories(stateDir_)) TraceNote("box error: the state folder " + stateDir_ + " could not be made");
    std::string bytes;
    if (!scenario_.freshSram && ReadWholeFile(JoinPath(stateDir_, SramFile), bytes) && bytes.size() == SramSize)
        std::memcpy(sram_, bytes.data(), SramSize);

    std::string text;
    if (!ReadWholeFile(JoinPath(stateDir_, CutFile), text)) return;
    int active = 0, waiting = 0, speed = 0, test = 0;
    unsigned long long first = 0, end = 0;
    long long wallStart = 0;
    size_t pos = 0;
    for (std::string word = NextWord(text, pos); !word.empty(); word = NextWord(text, pos)) {
        bool ok = true;
        if (word == "active") ok = ReadNumber(NextWord(text, pos), active);
        else if (word == "waiting") ok = ReadNumber(NextWord(text, pos), waiting);
        else if (word == "speed") ok = ReadNumber(NextWord(text, pos), speed);
        else if (word == "test") ok = ReadNumber(NextWord(text, pos), test);
        else if (word == "first") ok = ReadNumber(NextWord(text, pos), first);
        else if (word == "end") ok = ReadNumber(NextWord(text, pos), end);
        else if (word == "wall_start") ok = ReadNumber(NextWord(text, pos), wallStart);
        if (!ok) return;
    }
    if (active != 1 || speed < 0 || speed > 2 || test < 0 || test > 1 || end < first || end > 0xFFFFFFFF)
        return;
    BoxCut& cut = s_.cut;
    cut.active = true;
    cut.waiting = waiting != 0;
    cut.speed = uint8_t(speed);
    cut.test = uint8_t(test);
    cut.first = uint32_t(first);
    cut.end = uint32_t(end);
    // The cut went on while nobody watched: place its start so the elapsed wall time counts.
    cut.startMs = now_ - int64_t(double(clock_.WallMs() - wallStart) * clock_.Scale());
}

bool VirtualEmulator::SaveSram()
{
    if (stateDir_.empty()) return true;
    const std::string path = JoinPath(stateDir_, SramFile);
    if (ReplaceFileAtomically(path, sram_, SramSize, false)) return true;
    TraceNote("box error: " + path + " could not be written");
    return false;
}

void VirtualEmulator::SaveCut()
{
    if (stateDir_.empty()) return;
    const BoxCut& cut = s_.cut;
    const int64_t wallStart = clock_.WallMs() - int64_t(double(now_ - cut.startMs) / clock_.Scale());
    char text[256];
    const int n = std::snprintf(text, sizeof text, "active %d\nwaiting %d\nspeed %d\ntest %d\nfirst %lu\nend %lu\nwall_start %lld\n",
                                cut.active ? 1 : 0, cut.waiting ? 1 : 0, int(cut.speed), int(cut.test),
                                static_cast<unsigned long>(cut.first), static_cast<unsigned long>(cut.end),
                                static_cast<long long>(wallStart));
    if (n < 0 || size_t(n) >= sizeof text) return;
    if (!ReplaceFileAtomically(JoinPath(stateDir_, CutFile), text, size_t(n), true))
        TraceNote("box error: " + JoinPath(stateDir_, CutFile) + " could not be written");
}
