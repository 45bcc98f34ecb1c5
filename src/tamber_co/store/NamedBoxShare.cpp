#include "store/NamedBoxShare.h"
#include <windows.h>
#include <cstdio>
#include <vector>
#include "store/AtomicFile.h"

namespace {

// A call holds the box for microseconds, a memory write with its file for milliseconds. A
// program that keeps it longer is stuck (in a debugger, say): refuse rather than hang with it.
constexpr DWORD LockWaitMs = 2000;

// One name per folder however it is written: the folder's final path when Windows gives it, in
// capitals (paths ignore case), hashed so that any length fits a kernel object's name.
std::wstring FolderKey(const std::string& stateDir)
{
    std::wstring path = WidePath(stateDir);
    HANDLE folder = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        std::vector<wchar_t> final(32768);
        const DWORD n = GetFinalPathNameByHandleW(folder, final.data(), DWORD(final.size()), 0);
        if (n > 0 && n < final.size()) path.assign(final.data(), n);
        CloseHandle(folder);
    }
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    if (!path.empty()) CharUpperBuffW(path.data(), DWORD(path.size()));
    uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a
    for (wchar_t c : path) hash = (hash ^ uint16_t(c)) * 0x100000001B3ULL;
    std::wstring key(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4) key[size_t(i)] = L"0123456789ABCDEF"[hash & 15];
    return key;
}

uint64_t StartTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return uint64_t(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

class NamedShare final : public BoxShare {
public:
    NamedShare(HANDLE mutex, HANDLE mapping, BoxImage* image)
        : mutex_(mutex), mapping_(mapping), image_(image), self_{GetCurrentProcessId(), StartTime(GetCurrentProcess())}
    {
    }
    ~NamedShare() override
    {
        UnmapViewOfFile(image_);
        CloseHandle(mapping_);
        CloseHandle(mutex_);
    }
    NamedShare(const NamedShare&) = delete;
    NamedShare& operator=(const NamedShare&) = delete;

    BoxImage& Image() override { return *image_; }
    Entry Enter() override
    {
        switch (WaitForSingleObject(mutex_, LockWaitMs)) {
        case WAIT_OBJECT_0: return Entry::Entered;
        case WAIT_ABANDONED: return Entry::HolderEnded;
        default: return Entry::TimedOut;
        }
    }
    void Leave() override { ReleaseMutex(mutex_); }
    BoxHolder Self() override { return self_; }
    bool Alive(const BoxHolder& holder) override
    {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, holder.id);
        if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to ask
        // A process that ended but is still held open by someone signals; a new one with the
        // same number started later.
        const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT && StartTime(process) == holder.started;
        CloseHandle(process);
        return alive;
    }

private:
    HANDLE mutex_;
    HANDLE mapping_;
    BoxImage* image_;
    BoxHolder self_;
};

std::string LastError(const char* what)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s failed, error %lu", what, static_cast<unsigned long>(GetLastError()));
    return text;
}

}  // namespace

std::unique_ptr<BoxShare> OpenNamedBox(const std::string& stateDir, std::string& error)
{
    // The folder first: its final path, which names the box, is known only once it exists.
    if (!MakeDirectories(stateDir)) {
        error = LastError(("making the state folder " + stateDir).c_str());
        return nullptr;
    }
    const std::wstring key = FolderKey(stateDir);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Local\\Tamber.Box." + key + L".Lock").c_str());
    if (!mutex) {
        error = LastError("CreateMutex");
        return nullptr;
    }
    // Memory of the system's paging file, zero when made: the box lives as long as a process has it.
    const uint64_t size = sizeof(BoxImage);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, DWORD(size >> 32), DWORD(size),
                                        (L"Local\\Tamber.Box." + key + L".State").c_str());
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
    MEMORY_BASIC_INFORMATION region = {};
    if (!view || !VirtualQuery(view, &region, sizeof region) || region.RegionSize < size) {
        error = !mapping ? LastError("CreateFileMapping")
                : !view  ? LastError("MapViewOfFile")
                         : "the box is held by another version of tamber_co.dll";
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<NamedShare>(mutex, mapping, static_cast<BoxImage*>(view));
}
