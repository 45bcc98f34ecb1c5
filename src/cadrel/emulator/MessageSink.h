// The program's callback object: lines of kind 1 go to the main window's Messages list.
#pragma once
#include <windows.h>
#include "control/CountedSink.h"

class MessageSink : public CountedSink {
public:
    explicit MessageSink(HWND window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) override;

private:
    HWND window_;
};
