// Immediate retries with a bound in time, for device calls the emulator may refuse for a while.
#pragma once
#include <windows.h>

// How long each kind of retry may go on before the user is told.
constexpr DWORD AcquireHandleBoundMs = 2000;
constexpr DWORD TestReadyBoundMs = 3000;
constexpr DWORD StartupReadBoundMs = 2000;

// Calls attempt() until it returns true or boundMs have passed; between tries calls between().
// The first tries follow each other at once, as the emulator expects; after that a short sleep
// keeps a device that stays busy from costing a whole core. Returns whether attempt succeeded.
template <class Attempt, class Between>
bool RetryWithin(DWORD boundMs, Attempt attempt, Between between)
{
    const ULONGLONG start = GetTickCount64();
    for (int tries = 1;; ++tries) {
        if (attempt())
            return true;
        if (GetTickCount64() - start >= boundMs)
            return false;
        between();
        if (tries >= 20)
            Sleep(5);
    }
}

template <class Attempt>
bool RetryWithin(DWORD boundMs, Attempt attempt)
{
    return RetryWithin(boundMs, attempt, [] {});
}
