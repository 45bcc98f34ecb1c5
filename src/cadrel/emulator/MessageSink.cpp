#include "emulator/MessageSink.h"
#include "framework/MessageList.h"

HRESULT STDMETHODCALLTYPE MessageSink::Notify(DWORD kind, char* text)
{
    if (kind == 1 && text && window_)
        AddMessageLine(window_, text);
    return 1;
}
