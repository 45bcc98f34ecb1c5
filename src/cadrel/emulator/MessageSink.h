// The program's callback object: lines of kind 1 go to the main window's Messages list.
#pragma once
#include "interface/EmulatorInterfaces.h"

class MessageSink : public EmulatorSink {
public:
    explicit MessageSink(HWND window) : window_(window) {}
    MessageSink(const MessageSink&) = delete;
    MessageSink& operator=(const MessageSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) override;

private:
    virtual ~MessageSink() = default;  // only Release deletes

    HWND window_;
    LONG count_ = 0;
};
