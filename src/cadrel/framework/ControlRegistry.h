// The control wrappers of one dialog, in registration order, keyed by control id; owns them.
#pragma once
#include <windows.h>
#include "framework/LinkedList.h"

class Control;

class ControlRegistry : public LinkedList {
public:
    ~ControlRegistry() override = default;  // LinkedList deletes the controls

    // 0 when a control with the same id is already registered (the control is then not ours).
    int Add(Control* control);
    void AttachAll(HWND dialog);
    virtual int RetrieveAll();
    virtual int UpdateAll();

    HWND DialogWindow() const { return dialog_; }

private:
    HWND dialog_ = nullptr;
};
