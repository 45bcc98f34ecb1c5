#include "control/CountedSink.h"

HRESULT STDMETHODCALLTYPE CountedSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_EmulatorSink))
        return E_NOINTERFACE;
    *object = static_cast<EmulatorSink*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CountedSink::AddRef()
{
    return ULONG(++count_);
}

ULONG STDMETHODCALLTYPE CountedSink::Release()
{
    const LONG count = --count_;
    if (count == 0)
        delete this;
    return ULONG(count);
}
