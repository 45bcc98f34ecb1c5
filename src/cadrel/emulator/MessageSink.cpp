#include "emulator/MessageSink.h"
#include "framework/MessageList.h"

HRESULT STDMETHODCALLTYPE MessageSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_EmulatorSink))
        return E_NOINTERFACE;
    *object = static_cast<EmulatorSink*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE MessageSink::AddRef()
{
    return ULONG(InterlockedIncrement(&count_));
}

ULONG STDMETHODCALLTYPE MessageSink::Release()
{
    const LONG count = InterlockedDecrement(&count_);
    if (count == 0)
        delete this;
    return ULONG(count);
}

HRESULT STDMETHODCALLTYPE MessageSink::Notify(DWORD kind, char* text)
{
    if (kind == 1 && text && window_)
        AddMessageLine(window_, text);
    return 1;
}
