#include "control/BoundedWait.h"
#include <chrono>
#include <thread>
#include <utility>

namespace {
constexpr int ImmediateTries = 20;
constexpr DWORD BriefPauseMs = 5;
}  // namespace

BoundedWait::BoundedWait(DWORD boundMs, Attempt attempt)
    : boundMs_(boundMs), immediateTries_(ImmediateTries), pauseMs_(BriefPauseMs), stoppable_(false), what_(""),
      attempt_(std::move(attempt))
{
}

BoundedWait::BoundedWait(DWORD boundMs, DWORD pauseMs, const char* what, Attempt attempt)
    : boundMs_(boundMs), immediateTries_(0), pauseMs_(pauseMs), stoppable_(true), what_(what),
      attempt_(std::move(attempt))
{
}

WaitEnd BoundedWait::Run(const Idle& idle)
{
    using Clock = std::chrono::steady_clock;
    if (before_)
        before_();
    const Clock::time_point start = Clock::now();
    for (int tries = 1;; ++tries) {
        if (attempt_())
            return WaitEnd::Done;
        if (Clock::now() - start >= std::chrono::milliseconds(boundMs_))
            return WaitEnd::TimedOut;
        if (!idle(tries < immediateTries_ ? 0 : pauseMs_))
            return WaitEnd::Stopped;
    }
}

WaitEnd BoundedWait::Run()
{
    return Run([](DWORD ms) {
        if (ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return true;
    });
}
