// Base of the control wrappers: binds a dialog item to a program variable it does not own.
#pragma once
#include <windows.h>
#include "framework/LinkedList.h"
#include "framework/WindowObject.h"

class Control : public WindowObject, public ListNode {
public:
    explicit Control(int id) : WindowObject(nullptr), ListNode(id), id_(id) {}

    const MessageMap* GetMessageMap() override { return EmptyMessageMap(); }
    // A control is never initialised or closed as a dialog is: its dialog does that.
    int OnInitDialog() override { return 0; }
    int CanClose() override { return 1; }
    virtual int Retrieve() = 0;
    virtual int Update() = 0;
    virtual void OnAttach() {}
    virtual int HandleNotify(void* notify);
    virtual int OnNotify(void* notify) { return 0; }

    int Id() const { return id_; }
    HWND Parent() const { return parent_; }
    HWND Handle() const { return handle_; }
    void SetParent(HWND parent) { parent_ = parent; }
    void SetHandle(HWND handle) { handle_ = handle; }

protected:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendDlgItemMessageA(parent_, id_, message, wParam, lParam);
    }

    int id_;
    HWND parent_ = nullptr;
    HWND handle_ = nullptr;
    void* data_ = nullptr;
};

// Shows a caller-owned text; reads nothing back.
class StaticText : public Control {
public:
    StaticText(int id, const char* text) : Control(id) { data_ = const_cast<char*>(text); }
    int Retrieve() override { return 1; }
    int Update() override;
};

// A status window created when attached; the dialog template holds no item for it.
class StatusWindow : public Control {
public:
    StatusWindow(int id, const char* text) : Control(id) { data_ = const_cast<char*>(text); }
    int Retrieve() override { return 1; }
    int Update() override;
    void OnAttach() override;
};

class CheckBox : public Control {
public:
    CheckBox(int id, int* value) : Control(id) { data_ = value; }
    int Retrieve() override;
    int Update() override;
};

// A group of radio buttons bound to the index of the checked one; keyed by its first button.
class RadioGroup : public Control {
public:
    RadioGroup(int* value, int count, ...);
    ~RadioGroup() override;
    int Retrieve() override;
    int Update() override;

private:
    int* buttons_;
    int count_;
};
