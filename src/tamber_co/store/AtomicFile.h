// The few file operations whose safety depends on the operating system: a whole-file replace
// that a reader never sees half done, even when the writer is killed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes to a temporary file beside path, flushes it to the disc and renames it over path.
// durable: also wait for the disc (settings); SRAM only needs the atomic rename.
bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, bool durable);

// False when the file is missing or unreadable.
bool ReadWholeFile(const std::string& path, std::string& out);

bool FileExists(const std::string& path);
bool MakeDirectories(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Joins with the platform's separator ('\' on Windows, so paths shown to the user look native).
std::string JoinPath(const std::string& a, const std::string& b);

// False when the file is missing or unreadable.
bool FileSize(const std::string& path, uint64_t& size);

#ifdef _WIN32
// Paths are UTF-8 inside the library and reach Windows as UTF-16, so no letter is lost to the
// ANSI code page (a user name such as "Łukasz" would become "?ukasz"). Empty for text that is
// not UTF-8, which every call then refuses.
std::wstring WidePath(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
#endif
