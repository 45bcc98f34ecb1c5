#include "model/FaultPlan.h"

uint64_t MixBits(uint64_t a, uint64_t b)
{
    uint64_t z = a * 0x9E3779B97F4A7C15ULL + b + 0x632BE59BD9B4E5ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

bool FaultPlan::Selected(const FaultRule& r, uint32_t call)
{
    const bool bySelection = r.always || r.nth > 0 || r.probability > 0;
    if (!bySelection) return true;  // a rule naming only its operation applies to every call
    if (r.always) return true;
    if (r.nth > 0 && call >= r.nth && (r.count == 0 || uint64_t(call) < uint64_t(r.nth) + r.count)) return true;
    if (r.probability > 0) {
        const double draw = double(MixBits(r.seed, call) >> 11) / double(1ULL << 53);
        if (draw < r.probability) return true;
    }
    return false;
}

FaultVerdict FaultPlan::Check(std::string_view name, std::string_view particular)
{
    FaultVerdict verdict;
    if (rules_.empty()) return verdict;
    for (std::string_view n : {name, particular}) {
        if (n.empty()) continue;
        auto it = calls_.find(n);
        if (it == calls_.end()) it = calls_.emplace(std::string(n), 0).first;
        const uint32_t call = ++it->second;
        for (const FaultRule& r : rules_) {
            if (r.op != n || r.busyMs >= 0 || r.busyForever) continue;
            if (verdict.fail || verdict.random || verdict.size >= 0 || !Selected(r, call)) continue;
            if (r.size >= 0) {
                verdict.size = r.size;
            } else if (r.random) {
                verdict.random = true;
                verdict.randomSeed = MixBits(r.seed, call);
            } else {
                verdict.fail = true;
                verdict.result = r.result;
            }
        }
    }
    return verdict;
}

bool FaultPlan::TestReadyBusy(int64_t now)
{
    for (const FaultRule& r : rules_) {
        if (r.op != "TestReady" || (r.busyMs < 0 && !r.busyForever)) continue;
        if (firstTestReady_ < 0) firstTestReady_ = now;
        if (r.busyForever || now - firstTestReady_ < r.busyMs) return true;
    }
    return false;
}
