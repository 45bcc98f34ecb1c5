#include "framework/ControlRegistry.h"
#include "framework/Control.h"

int ControlRegistry::Add(Control* control)
{
    control->SetParent(dialog_);
    return InsertUnique(control);
}

void ControlRegistry::AttachAll(HWND dialog)
{
    dialog_ = dialog;
    Rewind();
    for (ListNode* node = Current(); node; node = Next() ? Current() : nullptr) {
        Control* control = static_cast<Control*>(node);
        control->SetParent(dialog);
        control->SetHandle(GetDlgItem(dialog, control->Id()));
        control->OnAttach();
    }
}

int ControlRegistry::RetrieveAll()
{
    Rewind();
    for (ListNode* node = Current(); node; node = Next() ? Current() : nullptr) {
        Control* control = static_cast<Control*>(node);
        // A disabled control that cannot deliver a value is not the user's to fix.
        if (!control->Retrieve() && IsWindowEnabled(control->Handle()))
            return 0;
    }
    return 1;
}

int ControlRegistry::UpdateAll()
{
    Rewind();
    for (ListNode* node = Current(); node; node = Next() ? Current() : nullptr)
        static_cast<Control*>(node)->Update();
    return 1;
}
