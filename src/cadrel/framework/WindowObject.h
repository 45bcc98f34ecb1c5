// Root of dialogs and controls: the window handles and the registry of control wrappers.
#pragma once
#include <windows.h>
#include "framework/ControlRegistry.h"
#include "framework/MessageMap.h"

class WindowObject {
public:
    explicit WindowObject(HWND owner) : owner_(owner) {}
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    virtual const MessageMap* GetMessageMap() { return EmptyMessageMap(); }
    virtual int OnInitDialog() = 0;
    virtual int CanClose() { return 1; }

    HWND Window() const { return window_; }
    HWND Owner() const { return owner_; }
    ControlRegistry& Controls() { return registry_; }

protected:
    // Dialog adds the virtual destructor; controls are deleted through ListNode.
    ~WindowObject() = default;

    ControlRegistry registry_;
    HWND window_ = nullptr;
    HWND owner_;
};
