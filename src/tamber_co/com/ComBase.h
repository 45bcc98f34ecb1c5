// The COM manner shared by every object of the library: a count that starts at 1, interlocked,
// deletion at zero, and QueryInterface answered from a small table of ids.
#pragma once
#include <cstdio>
#include "interface/EmulatorInterfaces.h"
#include "com/Process.h"

inline constexpr GUID IID_Unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

template <typename Interface>
class ComObject : public Interface {
public:
    ComObject(const GUID& ownId, const char* kind) : ownId_(ownId), kind_(kind), serial_(NextSerial())
    {
        InterlockedIncrement(&LiveObjects);
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // These three are called by the program at any moment, tracing or not: they never throw and
    // format their trace line only when there is a trace.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override
    {
        HRESULT r = E_NOINTERFACE;
        const GUID* const ids[] = {&IID_Unknown, &ownId_};
        if (!out) {
            r = E_POINTER;
        } else {
            for (const GUID* id : ids) {
                if (IsEqualGUID(iid, *id)) {
                    *out = static_cast<Interface*>(this);
                    this->AddRef();
                    r = S_OK;
                    break;
                }
            }
        }
        if (Tracing()) TraceCall("QueryInterface", r, "object=%s iid=%s", Name().text, GuidName(iid).text);
        return r;  // any other id leaves *out as the caller had it
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override
    {
        const LONG n = InterlockedIncrement(&refs_);
        if (Tracing()) TraceCount("AddRef", Name().text, n);
        return ULONG(n);
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        const LONG n = InterlockedDecrement(&refs_);
        if (Tracing()) TraceCount("Release", Name().text, n);
        if (n == 0) delete this;
        return ULONG(n < 0 ? 0 : n);
    }

    TraceWord Name() const noexcept
    {
        TraceWord word;
        std::snprintf(word.text, sizeof word.text, "%s#%ld", kind_, serial_);
        return word;
    }

protected:
    virtual ~ComObject()
    {
        if (InterlockedDecrement(&LiveObjects) == 0) TraceLiveObjects();
    }
    // Reserved slots keep their place in the table and say so.
    HRESULT NotImplemented(const char* slot) noexcept
    {
        if (Tracing()) TraceCall(slot, E_NOTIMPL, "object=%s", Name().text);
        return E_NOTIMPL;
    }

private:
    volatile LONG refs_ = 1;
    GUID ownId_;
    const char* kind_;
    long serial_;
};
