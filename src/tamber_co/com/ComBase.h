// The COM manner shared by every object of the library: a count that starts at 1, interlocked,
// deletion at zero, and QueryInterface answered from a small table of ids.
#pragma once
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

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
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
        TraceCall("QueryInterface", r, "object=%s iid=%s", Name().c_str(), GuidName(iid).c_str());
        return r;  // any other id leaves *out as the caller had it
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        const LONG n = InterlockedIncrement(&refs_);
        TraceCount("AddRef", Name().c_str(), n);
        return ULONG(n);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&refs_);
        TraceCount("Release", Name().c_str(), n);
        if (n == 0) delete this;
        return ULONG(n < 0 ? 0 : n);
    }

    std::string Name() const { return std::string(kind_) + "#" + std::to_string(serial_); }

protected:
    virtual ~ComObject()
    {
        if (InterlockedDecrement(&LiveObjects) == 0) TraceLiveObjects();
    }
    // Reserved slots keep their place in the table and say so.
    HRESULT NotImplemented(const char* slot)
    {
        TraceCall(slot, E_NOTIMPL, "object=%s", Name().c_str());
        return E_NOTIMPL;
    }

private:
    volatile LONG refs_ = 1;
    GUID ownId_;
    const char* kind_;
    long serial_;
};
