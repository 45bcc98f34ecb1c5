// EmulatorSystem and EmulatorDevice: each operation checks its arguments' shape, calls the
// virtual box under the process lock, traces itself and hands the box's messages to the sink
// after the lock is given back, so the program may call in again from Notify.
#include <cstring>
#include <new>
#include "com/ComBase.h"
#include "com/Objects.h"

namespace {

class SinkHolder {
public:
    SinkHolder() = default;
    SinkHolder(const SinkHolder&) = delete;
    SinkHolder& operator=(const SinkHolder&) = delete;
    ~SinkHolder() { Set(nullptr); }
    void Set(EmulatorSink* sink)
    {
        if (sink) sink->AddRef();
        if (sink_) sink_->Release();
        sink_ = sink;
    }
    EmulatorSink* Get() const { return sink_; }

private:
    EmulatorSink* sink_ = nullptr;
};

void Deliver(EmulatorSink* sink, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        if (!sink) {
            TraceText("message dropped (no sink): %s", line.c_str());
            continue;
        }
        std::vector<char> text(line.begin(), line.end());
        text.push_back('\0');
        const HRESULT r = sink->Notify(1, text.data());
        TraceCall("Notify", r, "kind=1 text=\"%s\"", line.c_str());
    }
}

// Runs one operation of the box; the fault or the box's own result comes back.
template <typename F>
HRESULT OnBox(EmulatorSink* sink, F body) noexcept
{
    std::vector<std::string> lines;
    const HRESULT r = Guarded([&]() -> HRESULT {
        Process& p = TheProcess();
        std::lock_guard<std::mutex> guard(p.lock);
        if (!p.ready) return E_FAIL;
        VirtualEmulator* box = TheBox(p);
        if (!box) return E_FAIL;
        const HRESULT result = HRESULT(body(*box));
        lines = box->TakeMessages();
        for (const std::string& note : box->TakeTraceNotes()) TraceText("%s", note.c_str());
        return result;
    });
    Guarded([&] { return Deliver(sink, lines), S_OK; });
    return r;
}

// Operations the box has no part in still count for the scenario's faults.
HRESULT Fault(const char* op, const char* particular = "") noexcept
{
    return Guarded([&]() -> HRESULT {
        Process& p = TheProcess();
        std::lock_guard<std::mutex> guard(p.lock);
        if (!p.ready) return E_FAIL;
        const FaultVerdict v = p.faults->Check(op, particular);
        return v.fail ? HRESULT(v.result) : S_OK;
    });
}

class DeviceObject final : public ComObject<EmulatorDevice> {
public:
    explicit DeviceObject(EmulatorSink* sink) : ComObject(IID_EmulatorDevice, "EmulatorDevice") { sink_.Set(sink); }

    HRESULT STDMETHODCALLTYPE AcquireHandle(ULONG_PTR, DWORD* handle, ULONG_PTR, ULONG_PTR) noexcept override
    {
        uint32_t h = 0;
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.AcquireHandle(handle ? &h : nullptr); });
        if (r >= 0 && handle) *handle = h;
        TraceCall("AcquireHandle", r, "handle=%lu", r >= 0 ? static_cast<unsigned long>(h) : 0ul);
        return r;
    }
    HRESULT STDMETHODCALLTYPE ReleaseHandle(DWORD handle, ULONG_PTR, ULONG_PTR) noexcept override
    {
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.ReleaseHandle(handle); });
        TraceCall("ReleaseHandle", r, "handle=%lu", static_cast<unsigned long>(handle));
        return r;
    }
    HRESULT STDMETHODCALLTYPE SetMessageSink(EmulatorSink* sink, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                             ULONG_PTR) noexcept override
    {
        const HRESULT r = Fault("SetMessageSink");
        if (r >= 0) sink_.Set(sink);
        TraceCall("SetMessageSink", r, "sink=%p", static_cast<void*>(sink));
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved6() noexcept override { return NotImplemented("Reserved6"); }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override { return NotImplemented("Reserved7"); }
    HRESULT STDMETHODCALLTYPE DownloadCutterModule(DWORD handle, const BYTE* image, DWORD length, ULONG_PTR,
                                                   ULONG_PTR) noexcept override
    {
        const HRESULT r =
            OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.DownloadCutterModule(handle, image, length); });
        TraceCall("DownloadCutterModule", r, "handle=%lu length=%lu cutter=%d source=%d speed=%d test=%d",
                  static_cast<unsigned long>(handle), static_cast<unsigned long>(length),
                  image && length > 6 ? image[3] : -1, image && length > 6 ? image[4] : -1,
                  image && length > 6 ? image[5] : -1, image && length > 6 ? image[6] : -1);
        return r;
    }
    HRESULT STDMETHODCALLTYPE QueryMode(DWORD handle, BYTE* buffer, DWORD length, BYTE* second, ULONG_PTR) noexcept override
    {
        const HRESULT r =
            OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.QueryMode(handle, buffer, length, second); });
        TraceCall("QueryMode", r, "handle=%lu length=%lu mode=%d", static_cast<unsigned long>(handle),
                  static_cast<unsigned long>(length), r >= 0 && buffer && length ? buffer[0] : -1);
        return r;
    }
    HRESULT STDMETHODCALLTYPE SetMode(DWORD handle, DWORD word, ULONG_PTR) noexcept override
    {
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.SetMode(handle, word); });
        TraceCall("SetMode", r, "handle=%lu word=0x%lX mode=%lu configuration=%lu device=%lu",
                  static_cast<unsigned long>(handle), static_cast<unsigned long>(word),
                  static_cast<unsigned long>(word & 15), static_cast<unsigned long>((word >> 4) & 15),
                  static_cast<unsigned long>(word >> 8));
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved11() noexcept override { return NotImplemented("Reserved11"); }
    HRESULT STDMETHODCALLTYPE Reserved12() noexcept override { return NotImplemented("Reserved12"); }
    HRESULT STDMETHODCALLTYPE TestReady(DWORD handle, ULONG_PTR) noexcept override
    {
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.TestReady(handle); });
        TraceCall("TestReady", r, "handle=%lu", static_cast<unsigned long>(handle));
        return r;
    }
    HRESULT STDMETHODCALLTYPE GetTargetInfo(DWORD handle, BYTE* buffer, DWORD* size, ULONG_PTR) noexcept override
    {
        const unsigned long in = size ? *size : 0;
        uint32_t s = uint32_t(in);
        const HRESULT r =
            OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.GetTargetInfo(handle, buffer, size ? &s : nullptr); });
        if (size) *size = s;
        TraceCall("GetTargetInfo", r, "handle=%lu size=%lu kind=%d modules=%d", static_cast<unsigned long>(handle), in,
                  r >= 0 ? buffer[39] : -1, r >= 0 ? buffer[36] << 8 | buffer[37] : -1);
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved15() noexcept override { return NotImplemented("Reserved15"); }
    HRESULT STDMETHODCALLTYPE WriteMemory(DWORD handle, DWORD address, const BYTE* data, DWORD length) noexcept override
    {
        const HRESULT r =
            OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.WriteMemory(handle, address, data, length); });
        TraceCall("WriteMemory", r, "handle=%lu address=0x%05lX length=%lu", static_cast<unsigned long>(handle),
                  static_cast<unsigned long>(address), static_cast<unsigned long>(length));
        return r;
    }
    HRESULT STDMETHODCALLTYPE ReadMemory(DWORD handle, DWORD address, BYTE* buffer, DWORD* length) noexcept override
    {
        const unsigned long in = length ? *length : 0;
        uint32_t n = uint32_t(in);
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) {
            return b.ReadMemory(handle, address, buffer, length ? &n : nullptr);
        });
        if (length) *length = n;
        TraceCall("ReadMemory", r, "handle=%lu address=0x%05lX length=%lu", static_cast<unsigned long>(handle),
                  static_cast<unsigned long>(address), in);
        return r;
    }
    HRESULT STDMETHODCALLTYPE GetStatus(DWORD handle, BYTE* buffer, DWORD* size, DWORD kind, ULONG_PTR) noexcept override
    {
        const unsigned long in = size ? *size : 0;
        uint32_t s = uint32_t(in);
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) {
            return b.GetStatus(handle, buffer, size ? &s : nullptr, kind);
        });
        if (size) *size = s;
        if (r >= 0 && kind == 1 && buffer) {
            TraceCall("GetStatus", r, "handle=%lu kind=%lu size=%lu activity=%d state=%d error=0x%04X",
                      static_cast<unsigned long>(handle), static_cast<unsigned long>(kind), in, buffer[11] & 6,
                      buffer[10], unsigned(buffer[12] << 8 | buffer[13]));
        } else {
            TraceCall("GetStatus", r, "handle=%lu kind=%lu size=%lu", static_cast<unsigned long>(handle),
                      static_cast<unsigned long>(kind), in);
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved19() noexcept override { return NotImplemented("Reserved19"); }
    HRESULT STDMETHODCALLTYPE Reserved20() noexcept override { return NotImplemented("Reserved20"); }
    HRESULT STDMETHODCALLTYPE GetConfiguration(DWORD* value, DWORD* second, ULONG_PTR, ULONG_PTR, ULONG_PTR) noexcept override
    {
        uint32_t v = 0, s = 0;
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) {
            return b.GetConfiguration(value ? &v : nullptr, second ? &s : nullptr);
        });
        if (r >= 0) {
            if (value) *value = v;
            if (second) *second = s;
        }
        TraceCall("GetConfiguration", r, "value=%lu", static_cast<unsigned long>(v));
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved22() noexcept override { return NotImplemented("Reserved22"); }
    HRESULT STDMETHODCALLTYPE Reserved23() noexcept override { return NotImplemented("Reserved23"); }
    HRESULT STDMETHODCALLTYPE Reset(DWORD handle, ULONG_PTR) noexcept override
    {
        const HRESULT r = OnBox(sink_.Get(), [&](VirtualEmulator& b) { return b.Reset(handle); });
        TraceCall("Reset", r, "handle=%lu", static_cast<unsigned long>(handle));
        return r;
    }

private:
    SinkHolder sink_;
};

class SystemObject final : public ComObject<EmulatorSystem> {
public:
    SystemObject() : ComObject(IID_EmulatorSystem, "EmulatorSystem") {}

    HRESULT STDMETHODCALLTYPE Initialise(EmulatorSink* sink, ULONG_PTR, ULONG_PTR, ULONG_PTR) noexcept override
    {
        const HRESULT r = Fault("Initialise");
        if (r >= 0) sink_.Set(sink);
        TraceCall("Initialise", r, "sink=%p", static_cast<void*>(sink));
        return r;
    }
    HRESULT STDMETHODCALLTYPE OpenDevice(REFIID iid, void** device, ULONG_PTR, ULONG_PTR, ULONG_PTR) noexcept override
    {
        HRESULT r = Fault("OpenDevice");
        TraceWord name = {"-"};
        if (r >= 0) {
            if (!device) {
                r = E_POINTER;
            } else if (!IsEqualGUID(iid, IID_EmulatorDevice)) {
                *device = nullptr;
                r = E_NOINTERFACE;
            } else if (DeviceObject* d = new (std::nothrow) DeviceObject(sink_.Get())) {
                *device = static_cast<EmulatorDevice*>(d);
                name = d->Name();
            } else {
                *device = nullptr;
                r = E_OUTOFMEMORY;
            }
        }
        TraceCall("OpenDevice", r, "iid=%s out=%s", GuidName(iid).text, name.text);
        return r;
    }

private:
    SinkHolder sink_;
};

}  // namespace

HRESULT CreateEmulatorSystem(REFIID iid, void** out, TraceWord& name)
{
    if (!IsEqualGUID(iid, IID_Unknown) && !IsEqualGUID(iid, IID_EmulatorSystem)) return E_NOINTERFACE;
    {
        Process& p = TheProcess();
        std::lock_guard<std::mutex> guard(p.lock);
        if (!TheBox(p)) return E_FAIL;  // the box powers up (or is joined) with the first system object
    }
    SystemObject* s = new (std::nothrow) SystemObject;
    if (!s) return E_OUTOFMEMORY;
    *out = static_cast<EmulatorSystem*>(s);
    name = s->Name();
    return S_OK;
}
