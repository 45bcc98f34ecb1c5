// SettingsRegistry and SettingsKey over the settings store; the first opening of the machine
// key on a fresh machine seeds the demo modules and the module settings.
#include <cstring>
#include <new>
#include "com/ComBase.h"
#include "com/Objects.h"
#include "store/AtomicFile.h"
#include "store/DemoMaterial.h"

namespace {

// UTF-8 text in the ANSI code page, or empty when a letter has no place in it.
std::string AnsiText(const std::string& utf8)
{
    const std::wstring wide = WidePath(utf8);
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0, nullptr, &lost);
    std::string text(size_t(n > 0 && !lost ? n : 0), '\0');
    if (!text.empty()) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), text.data(), n, nullptr, &lost);
    return lost ? std::string() : text;
}

// A fault that scripts a size answers a query with it, as a damaged store would, reading nothing.
template <typename F>
HRESULT OnStore(const char* op, F body, uint32_t* scriptedSize = nullptr) noexcept
{
    return Guarded([&]() -> HRESULT {
        Process& p = TheProcess();
        std::lock_guard<std::mutex> guard(p.lock);
        if (!p.ready) return E_FAIL;
        const FaultVerdict v = p.faults->Check(op);
        if (v.fail) return HRESULT(v.result);
        if (v.size >= 0 && scriptedSize) {
            *scriptedSize = uint32_t(v.size);
            return S_OK;
        }
        return HRESULT(body(*p.store));
    });
}

class KeyObject final : public ComObject<SettingsKey> {
public:
    explicit KeyObject(std::string file) : ComObject(IID_SettingsKey, "SettingsKey"), file_(std::move(file)) {}

    HRESULT STDMETHODCALLTYPE QueryValue(const char* name, BYTE* buffer, DWORD* size) noexcept override
    {
        return Query("QueryValue", name, false, buffer, size);
    }
    HRESULT STDMETHODCALLTYPE SetValue(const char* name, const char* text) noexcept override
    {
        const HRESULT r = OnStore("SetValue", [&](SettingsStore& s) -> HRESULT {
            if (!text) return E_POINTER;
            return s.Set(file_, name, false, reinterpret_cast<const uint8_t*>(text), uint32_t(std::strlen(text)));
        });
        TraceCall("SetValue", r, "key=%s name=\"%s\" text=\"%s\"", Name().text, Shown(name).text,
                  Shown(text).text);
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved5() noexcept override { return NotImplemented("Reserved5"); }
    HRESULT STDMETHODCALLTYPE Reserved6() noexcept override { return NotImplemented("Reserved6"); }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override { return NotImplemented("Reserved7"); }
    HRESULT STDMETHODCALLTYPE QueryBinaryValue(const char* name, BYTE* buffer, DWORD* size) noexcept override
    {
        return Query("QueryBinaryValue", name, true, buffer, size);
    }
    HRESULT STDMETHODCALLTYPE SetBinaryValue(const char* name, const BYTE* data, DWORD size) noexcept override
    {
        const HRESULT r = OnStore("SetBinaryValue", [&](SettingsStore& s) { return s.Set(file_, name, true, data, size); });
        TraceCall("SetBinaryValue", r, "key=%s name=\"%s\" size=%lu", Name().text, Shown(name).text,
                  static_cast<unsigned long>(size));
        return r;
    }

private:
    HRESULT Query(const char* op, const char* name, bool binary, BYTE* buffer, DWORD* size) noexcept
    {
        const unsigned long in = size ? *size : 0;
        uint32_t n = uint32_t(in);
        bool asked = false;  // an injected fault leaves the caller's size as it was
        uint32_t scripted = 0;
        const HRESULT r = OnStore(op, [&](SettingsStore& s) -> HRESULT {
            if (!size) return E_POINTER;
            asked = true;
            return s.Query(file_, name, binary, buffer, &n);
        }, size ? &scripted : nullptr);
        if (asked) *size = n;
        else if (r >= 0 && size) *size = scripted;
        TraceCall(op, r, "key=%s name=\"%s\" size=%lu out_size=%lu", Name().text, Shown(name).text, in,
                  size ? static_cast<unsigned long>(*size) : 0ul);
        return r;
    }

    std::string file_;
};

bool SameText(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

class RegistryObject final : public ComObject<SettingsRegistry> {
public:
    RegistryObject() : ComObject(IID_SettingsRegistry, "SettingsRegistry") {}

    HRESULT STDMETHODCALLTYPE Reserved3() noexcept override { return NotImplemented("Reserved3"); }
    HRESULT STDMETHODCALLTYPE Reserved4() noexcept override { return NotImplemented("Reserved4"); }
    HRESULT STDMETHODCALLTYPE Reserved5() noexcept override { return NotImplemented("Reserved5"); }
    HRESULT STDMETHODCALLTYPE Reserved6() noexcept override { return NotImplemented("Reserved6"); }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override { return NotImplemented("Reserved7"); }
    HRESULT STDMETHODCALLTYPE Reserved8() noexcept override { return NotImplemented("Reserved8"); }
    HRESULT STDMETHODCALLTYPE Reserved9() noexcept override { return NotImplemented("Reserved9"); }
    HRESULT STDMETHODCALLTYPE OpenKey(const char* path, SettingsKey** key) noexcept override
    {
        TraceWord name = {"-"};
        const HRESULT r = OnStore("OpenKey", [&](SettingsStore& s) -> HRESULT {
            if (!path || !key) return E_POINTER;
            *key = nullptr;
            std::string file;
            if (!s.KeyFile(path, file)) return E_INVALIDARG;
            Process& p = TheProcess();
            if (SameText(path, "\\\\Machine\\CDModules") && p.scenario.seedDefaults && !p.seedChecked) {
                p.seedChecked = true;
                // The program reads "Path" through the ANSI interface: a folder its code page
                // cannot name is left unset, which the program reports, rather than set wrong.
                const std::string programFolder = AnsiText(p.moduleFolder);
                if (programFolder.empty())
                    TraceText("first run: the module folder %s cannot be named in the program's code page; no Path set",
                              p.moduleFolder.c_str());
                else if (SeedDefaultSettings(s, file, p.moduleFolder, programFolder))
                    TraceText("first run: demo modules written to %s", p.moduleFolder.c_str());
            }
            KeyObject* k = new (std::nothrow) KeyObject(file);
            if (!k) return E_OUTOFMEMORY;
            *key = k;
            name = k->Name();
            return S_OK;
        });
        TraceCall("OpenKey", r, "path=\"%s\" out=%s", Shown(path).text, name.text);
        return r;
    }
};

}  // namespace

HRESULT CreateSettingsRegistry(REFIID iid, void** out, TraceWord& name)
{
    if (!IsEqualGUID(iid, IID_Unknown) && !IsEqualGUID(iid, IID_SettingsRegistry)) return E_NOINTERFACE;
    RegistryObject* r = new (std::nothrow) RegistryObject;
    if (!r) return E_OUTOFMEMORY;
    *out = static_cast<SettingsRegistry*>(r);
    name = r->Name();
    return S_OK;
}
