#include "store/AtomicFile.h"
#include <atomic>
#include <cstdio>

// Windows gets the Win32 calls: std::filesystem would bring libstdc++'s locale and conversion
// code into the DLL, most of its size.
#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::string TemporaryName(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = (unsigned long)getpid();
#endif
    return path + ".tmp" + std::to_string(pid) + "-" + std::to_string(counter++);
}

// A writer killed between creating its temporary file and the rename leaves the file behind.
// Old ones are swept at the next write of the same file; young ones may belong to a writer
// that is still at work.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace

#ifdef _WIN32

std::wstring WidePath(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, bool durable)
{
    const std::string temp = TemporaryName(path);
    HANDLE file = CreateFileW(WidePath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        DWORD written = 0;
        const DWORD chunk = left > 0x40000000 ? 0x40000000 : DWORD(left);
        ok = WriteFile(file, p, chunk, &written, nullptr) && written == chunk;
        p += chunk;
        left -= chunk;
    }
    if (ok && durable) ok = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    if (ok)
        ok = MoveFileExW(WidePath(temp).c_str(), WidePath(path).c_str(),
                         MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0)) != 0;
    if (!ok) DeleteFileW(WidePath(temp).c_str());
    if (ok) RemoveStaleTemporaries(path);
    return ok;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty()) return b;
    const char last = a.back();
    return (last == '\\' || last == '/') ? a + b : a + "\\" + b;
}

namespace {

void RemoveStaleTemporaries(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    const std::wstring dir = WidePath(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WidePath(path + ".tmp*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const ULONGLONG minute = 60ULL * 10000000ULL;  // in 100 ns steps
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (ticks(found.ftLastWriteTime) + minute < ticks(now)) DeleteFileW((dir + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectories(const std::string& path)
{
    // Each folder on the way, from the top; those that exist already (or a drive) just fail.
    for (size_t sep = path.find_first_of("\\/", 1); sep != std::string::npos; sep = path.find_first_of("\\/", sep + 1))
        CreateDirectoryW(WidePath(path.substr(0, sep)).c_str(), nullptr);
    CreateDirectoryW(WidePath(path).c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(WidePath(path).c_str()) != 0;
}

bool FileSize(const std::string& path, uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buffer[16384];
    DWORD n = 0;
    bool ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0) out.append(buffer, n);
    CloseHandle(file);
    return ok;
}

#else

namespace {

void RemoveStaleTemporaries(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    const std::string prefix = target.filename().string() + ".tmp";
    const auto limit = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    fs::directory_iterator it(target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(it->path(), timeError);
        if (!timeError && written < limit) fs::remove(it->path(), timeError);
    }
}

}  // namespace

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool MakeDirectories(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool RemoveFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::remove(path, ec);
}

bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, bool durable)
{
    const std::string temp = TemporaryName(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= size_t(n);
    }
    if (ok && durable) ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (durable) {
        // The rename itself must reach the disc too, or a power cut could bring the old file back.
        const std::string dir = std::filesystem::path(path).parent_path().string();
        const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
    RemoveStaleTemporaries(path);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FileSize(const std::string& path, uint64_t& size)
{
    std::error_code ec;
    size = std::filesystem::file_size(path, ec);
    return !ec;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty()) return b;
    return a.back() == '/' ? a + b : a + "/" + b;
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

#endif
