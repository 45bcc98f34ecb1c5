// The scenario's faults: decides, call by call, whether an operation fails. Each rule counts the
// calls of its own operation name, and a probability is drawn from the seed and the call number
// alone, so the same scenario fails the same calls whatever else the program does.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>
#include "model/Scenario.h"

struct FaultVerdict {
    bool fail = false;
    int32_t result = 0;
    bool random = false;     // GetStatus: random bytes drawn from randomSeed
    uint64_t randomSeed = 0;
    int64_t size = -1;       // a settings query: this size and success, nothing read
};

class FaultPlan {
public:
    FaultPlan() = default;
    explicit FaultPlan(std::vector<FaultRule> rules) : rules_(std::move(rules)) {}

    // Counts one call of each given name (a general one like "GetStatus" and a particular one like
    // "GetStatus.1"; either may be empty) and says what the call should do.
    FaultVerdict Check(std::string_view name, std::string_view particular = {});

    // TestReady's busy faults: true while a busy rule holds at model time now.
    bool TestReadyBusy(int64_t now);

private:
    static bool Selected(const FaultRule& rule, uint32_t call);
    std::vector<FaultRule> rules_;
    std::map<std::string, uint32_t, std::less<>> calls_;
    int64_t firstTestReady_ = -1;
};

// A 64-bit mix of two numbers: the same inputs always give the same output.
uint64_t MixBits(uint64_t a, uint64_t b);
