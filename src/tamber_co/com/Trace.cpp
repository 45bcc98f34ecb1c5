// The call trace. One line per call:
//   <ms since load, %10.3f> <operation> <name=value ...> -> <result>
// Results are 0x%08X, except AddRef and Release, which give the new count in decimal. The last
// line of a process is "live objects: N". Lines go straight to the file with WriteFile, so a
// killed program loses nothing and the line written at unload needs no C runtime.
#include <cstdarg>
#include <cstdio>
#include "com/Process.h"

namespace {

HANDLE TraceFile = INVALID_HANDLE_VALUE;
LARGE_INTEGER Start, Frequency;
CRITICAL_SECTION TraceLock;
bool Started = false;

void Write(const char* text, int length)
{
    if (!Started || TraceFile == INVALID_HANDLE_VALUE || length <= 0) return;
    EnterCriticalSection(&TraceLock);
    DWORD written = 0;
    WriteFile(TraceFile, text, DWORD(length), &written, nullptr);
    LeaveCriticalSection(&TraceLock);
}

double Elapsed()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - Start.QuadPart) * 1000.0 / double(Frequency.QuadPart);
}

void Line(const char* op, const char* args, const char* result)
{
    if (TraceFile == INVALID_HANDLE_VALUE) return;
    char line[1024];
    int n = std::snprintf(line, sizeof line, "%10.3f %s%s%s -> %s\n", Elapsed(), op, *args ? " " : "", args, result);
    if (n >= int(sizeof line)) {
        n = int(sizeof line) - 1;
        line[n - 1] = '\n';
    }
    Write(line, n);
}

}  // namespace

void TraceStart() noexcept
{
    InitializeCriticalSection(&TraceLock);
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Start);
    Started = true;
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"TAMBER_TRACE", path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return;
    wchar_t full[MAX_PATH * 2];
    const DWORD m = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);  // "/tmp/t.txt" under Wine too
    TraceFile = CreateFileW(m > 0 && m < MAX_PATH * 2 ? full : path, FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
}

void TraceStop() noexcept
{
    if (!Started) return;
    TraceLiveObjects();
    if (TraceFile != INVALID_HANDLE_VALUE) CloseHandle(TraceFile);
    TraceFile = INVALID_HANDLE_VALUE;
}

void TraceCall(const char* op, HRESULT result, const char* format, ...) noexcept
{
    if (TraceFile == INVALID_HANDLE_VALUE) return;
    char args[768];
    va_list list;
    va_start(list, format);
    std::vsnprintf(args, sizeof args, format, list);
    va_end(list);
    char r[16];
    std::snprintf(r, sizeof r, "0x%08lX", static_cast<unsigned long>(result));
    Line(op, args, r);
}

void TraceCount(const char* op, const char* object, long count) noexcept
{
    if (TraceFile == INVALID_HANDLE_VALUE) return;
    char args[128], r[16];
    std::snprintf(args, sizeof args, "object=%s", object);
    std::snprintf(r, sizeof r, "%ld", count);
    Line(op, args, r);
}

void TraceText(const char* format, ...) noexcept
{
    if (TraceFile == INVALID_HANDLE_VALUE) return;
    char text[1024];
    va_list list;
    va_start(list, format);
    std::vsnprintf(text, sizeof text, format, list);
    va_end(list);
    char line[1100];
    const int n = std::snprintf(line, sizeof line, "%10.3f %s\n", Elapsed(), text);
    Write(line, n < int(sizeof line) ? n : int(sizeof line) - 1);
}

bool Tracing() noexcept
{
    return TraceFile != INVALID_HANDLE_VALUE;
}

void TraceLiveObjects() noexcept
{
    if (TraceFile == INVALID_HANDLE_VALUE) return;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "live objects: %ld\n", static_cast<long>(LiveObjects));
    Write(line, n);
}
