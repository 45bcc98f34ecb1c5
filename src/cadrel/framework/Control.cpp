#include "framework/Control.h"
#include <commctrl.h>
#include <cstdarg>

int Control::HandleNotify(void* notify)
{
    DispatchMessageMap(*this, GetMessageMap(), WM_NOTIFY, WPARAM(id_), LPARAM(notify));
    return OnNotify(notify);
}

int StaticText::Update()
{
    SetDlgItemTextA(parent_, id_, static_cast<const char*>(data_));
    return 1;
}

int StatusWindow::Update()
{
    SetDlgItemTextA(parent_, id_, static_cast<const char*>(data_));
    return 1;
}

void StatusWindow::OnAttach()
{
    handle_ = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, static_cast<const char*>(data_), parent_, UINT(id_));
}

int CheckBox::Retrieve()
{
    *static_cast<int*>(data_) = int(Send(BM_GETCHECK));
    return 1;
}

int CheckBox::Update()
{
    Send(BM_SETCHECK, WPARAM(*static_cast<int*>(data_)));
    return 1;
}

RadioGroup::RadioGroup(int* value, int count, ...) : Control(0), buttons_(new int[count > 0 ? count : 1]), count_(count)
{
    va_list args;
    va_start(args, count);
    for (int i = 0; i < count; ++i)
        buttons_[i] = va_arg(args, int);
    va_end(args);
    data_ = value;
    // The registry knows the group by its first button.
    id_ = count > 0 ? buttons_[0] : 0;
    SetKey(id_);
}

RadioGroup::~RadioGroup()
{
    delete[] buttons_;
}

int RadioGroup::Retrieve()
{
    for (int i = 0; i < count_; ++i) {
        if (SendDlgItemMessageA(parent_, buttons_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            *static_cast<int*>(data_) = i;
            return 1;
        }
    }
    return 0;
}

int RadioGroup::Update()
{
    for (int i = 0; i < count_; ++i)
        SendDlgItemMessageA(parent_, buttons_[i], BM_SETCHECK, BST_UNCHECKED, 0);
    const int value = *static_cast<int*>(data_);
    if (value >= 0 && value < count_)
        SendDlgItemMessageA(parent_, buttons_[value], BM_SETCHECK, BST_CHECKED, 0);
    return 1;
}
