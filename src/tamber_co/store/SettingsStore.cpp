#include "store/SettingsStore.h"
#include <algorithm>
#include <cstring>
#include "model/VirtualEmulator.h"
#include "store/AtomicFile.h"

using namespace TamberResult;

namespace {

const char* const Header = "TamberSettings 1";

bool ValidName(const char* name)
{
    if (!name || !*name || std::strlen(name) > 255) return false;
    for (const char* p = name; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == '=' || *p == 0x7F) return false;
    return true;
}

bool ValidComponent(const std::string& c)
{
    if (c.empty() || c.size() > 64 || c == "." || c == "..") return false;
    for (char ch : c) {
        const bool ok = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                        ch == ' ' || ch == '_' || ch == '-' || ch == '.';
        if (!ok) return false;
    }
    return c.back() != ' ' && c.back() != '.';  // Windows drops these silently
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

SettingsStore::SettingsStore(std::string machineRoot, std::string userRoot)
    : machineRoot_(std::move(machineRoot)), userRoot_(std::move(userRoot))
{
}

bool SettingsStore::KeyFile(const std::string& path, std::string& file) const
{
    std::string rest;
    const std::string* root = nullptr;
    if (path.rfind("\\\\Machine\\", 0) == 0) {
        root = &machineRoot_;
        rest = path.substr(10);
    } else if (path.rfind("\\\\User\\", 0) == 0) {
        root = &userRoot_;
        rest = path.substr(7);
    } else {
        return false;
    }
    std::string result = *root;
    size_t start = 0;
    while (true) {
        const size_t slash = rest.find('\\', start);
        const std::string component = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!ValidComponent(component)) return false;
        if (slash == std::string::npos) {
            result = JoinPath(result, component + ".key");
            break;
        }
        result = JoinPath(result, component);
        start = slash + 1;
    }
    file = result;
    return true;
}

SettingsStore::LoadResult SettingsStore::Parse(const std::string& text, std::map<std::string, Value>& values)
{
    values.clear();
    // Line by line; the last line needs no newline after it.
    size_t pos = 0;
    std::string line;
    const auto nextLine = [&]() {
        if (pos >= text.size()) return false;
        const size_t end = std::min(text.find('\n', pos), text.size());
        line.assign(text, pos, end - pos);
        pos = end + 1;
        return true;
    };
    if (!nextLine() || line != Header) return LoadResult::Damaged;
    bool ended = false;
    while (nextLine()) {
        if (ended) {
            if (!line.empty()) return LoadResult::Damaged;
            continue;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 >= line.size()) return LoadResult::Damaged;
        Value v;
        const std::string name = line.substr(0, eq);
        const char* p = line.c_str() + eq + 1;
        if (*p == 'x') {
            v.binary = true;
            for (++p; *p; p += 2) {
                const int hi = HexDigit(p[0]), lo = p[1] ? HexDigit(p[1]) : -1;
                if (hi < 0 || lo < 0) return LoadResult::Damaged;
                v.bytes.push_back(char(hi * 16 + lo));
            }
        } else if (p[0] == 's' && p[1] == '"') {
            for (p += 2; *p && *p != '"'; ++p) {
                if (*p != '\\') {
                    v.bytes.push_back(*p);
                } else if (p[1] == '\\' || p[1] == '"') {
                    v.bytes.push_back(*++p);
                } else if (p[1] == 'x' && p[2] && p[3] && HexDigit(p[2]) >= 0 && HexDigit(p[3]) >= 0) {
                    v.bytes.push_back(char(HexDigit(p[2]) * 16 + HexDigit(p[3])));
                    p += 3;
                } else {
                    return LoadResult::Damaged;
                }
            }
            if (*p != '"' || p[1] != '\0') return LoadResult::Damaged;
        } else {
            return LoadResult::Damaged;
        }
        values[name] = std::move(v);
    }
    return ended ? LoadResult::Ok : LoadResult::Damaged;
}

std::string SettingsStore::Format(const std::map<std::string, Value>& values)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out = std::string(Header) + "\n";
    for (const auto& [name, v] : values) {
        out += name;
        if (v.binary) {
            out += "=x";
            for (unsigned char c : v.bytes) {
                out += hex[c >> 4];
                out += hex[c & 15];
            }
        } else {
            out += "=s\"";
            for (unsigned char c : v.bytes) {
                if (c == '\\' || c == '"') {
                    out += '\\';
                    out += char(c);
                } else if (c < 0x20 || c >= 0x7F) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += char(c);
                }
            }
            out += '"';
        }
        out += '\n';
    }
    out += "end\n";
    return out;
}

int32_t SettingsStore::Query(const std::string& file, const char* name, bool binary, uint8_t* buffer, uint32_t* size)
{
    if (!size) return Pointer;
    const uint32_t capacity = *size;
    *size = 0;
    if (!ValidName(name)) return InvalidArg;
    std::string text;
    std::map<std::string, Value> values;
    if (!ReadWholeFile(file, text)) return NotFound;
    if (Parse(text, values) != LoadResult::Ok) return InvalidData;
    const auto it = values.find(name);
    if (it == values.end()) return NotFound;
    if (it->second.binary != binary) return InvalidArg;
    const std::string& bytes = it->second.bytes;
    const uint32_t needed = uint32_t(bytes.size() + (binary ? 0 : 1));
    *size = needed;
    if (capacity == 0 || !buffer) return Ok;  // the size probe
    if (capacity < needed) return BufferTooSmall;
    std::memcpy(buffer, bytes.data(), bytes.size());
    if (!binary) buffer[bytes.size()] = 0;
    return Ok;
}

int32_t SettingsStore::Set(const std::string& file, const char* name, bool binary, const uint8_t* data, uint32_t size)
{
    if (!ValidName(name)) return InvalidArg;
    if (!data && size) return Pointer;
    std::map<std::string, Value> values;
    std::string text;
    int32_t result = Ok;
    if (ReadWholeFile(file, text) && Parse(text, values) != LoadResult::Ok) {
        // Never overwrite a damaged file unseen: it stays beside the new one for whoever looks.
        std::string aside = file + ".damaged";
        for (int n = 2; FileExists(aside); ++n) aside = file + ".damaged" + std::to_string(n);
        if (!RenameFile(file, aside)) return InvalidData;
        values.clear();
        result = 1;
    }
    Value& v = values[name];
    v.binary = binary;
    if (size) v.bytes.assign(reinterpret_cast<const char*>(data), size);
    else v.bytes.clear();
    const size_t slash = file.find_last_of("/\\");
    if (slash != std::string::npos) MakeDirectories(file.substr(0, slash));
    const std::string out = Format(values);
    if (!ReplaceFileAtomically(file, out.data(), out.size(), true)) return Fail;
    return result;
}
