// The one bounded wait. Every wait on the box (for the access handle, for the box to be ready,
// for a cut to begin) tries, lets a little time pass, and gives up at its bound, so a fix to
// how the program waits reaches every wait.
#pragma once
#include <functional>
#include <utility>
#include "interface/EmulatorInterfaces.h"

// How long each wait may go on before the user is told.
constexpr DWORD AcquireHandleBoundMs = 2000;
constexpr DWORD TestReadyBoundMs = 3000;
constexpr DWORD StartupReadBoundMs = 2000;

// Done: the attempt succeeded. Stopped: the user gave up. Closing: the program is ending.
enum class WaitEnd { Done, TimedOut, Stopped, Closing };

class BoundedWait {
public:
    using Attempt = std::function<bool()>;
    // Lets ms pass (0: only what must be done between two tries); false stops the wait.
    using Idle = std::function<bool(DWORD ms)>;

    // A wait the user sits out, on a box that answers at once when it can: the first tries follow
    // each other at once, as the box expects; then a short pause, so a box that stays busy does
    // not cost a whole core. A bound of 0 makes it a single try.
    BoundedWait(DWORD boundMs, Attempt attempt);
    // A wait the user may stop, trying every pauseMs; what says what it waits for.
    BoundedWait(DWORD boundMs, DWORD pauseMs, const char* what, Attempt attempt);

    // Done once before the first try, and before the bound starts counting (a prompt to the user).
    void Before(std::function<void()> first) { before_ = std::move(first); }

    WaitEnd Run(const Idle& idle);
    // Sleeps between the tries.
    WaitEnd Run();

    bool Stoppable() const { return stoppable_; }
    const char* What() const { return what_; }

private:
    DWORD boundMs_;
    int immediateTries_;
    DWORD pauseMs_;
    bool stoppable_;
    const char* what_;
    Attempt attempt_;
    std::function<void()> before_;
};
