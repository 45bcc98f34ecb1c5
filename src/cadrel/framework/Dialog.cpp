#include "framework/Dialog.h"
#include "framework/Application.h"

namespace {

// A picture named in a dialog template is loaded by its static control. Windows frees it with the
// control, Wine never does, so an About box opened again and again would grow the process. Taking
// the picture out of the control makes it ours to free, on both.
void FreeTemplatePictures(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        if (HGDIOBJ picture = HGDIOBJ(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)))
            DeleteObject(picture);
    }
}

}  // namespace

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DialogInitMessage) {
        Dialog* dialog = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, LONG_PTR(dialog));
        dialog->OnInitDialog();
        // The dialog may have closed itself while initialising.
        if (IsWindow(window))
            ShowWindow(window, SW_SHOWNORMAL);
        return TRUE;
    }
    if (message == WM_DESTROY)
        FreeTemplatePictures(window);
    // Until the runner binds the object (WM_INITDIALOG included) there is nobody to answer.
    Dialog* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!dialog)
        return FALSE;
    return dialog->HandleMessage(message, wParam, lParam);
}

Dialog::~Dialog()
{
    // A window that outlives its object must not call into freed memory.
    if (window_ && IsWindow(window_) &&
        GetWindowLongPtrA(window_, GWLP_USERDATA) == LONG_PTR(this))
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
}

int Dialog::OnInitDialog()
{
    return registry_.UpdateAll();
}

int Dialog::RetrieveAndValidate()
{
    return registry_.RetrieveAll() && Validate() ? 1 : 0;
}

BOOL Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam))
        return TRUE;
    if (message != WM_COMMAND)
        return OnMessage(message, wParam, lParam);
    if (wParam == IDOK) {
        OnOK();
        return TRUE;
    }
    if (wParam == IDCANCEL) {
        Close(0);
        return TRUE;
    }
    return OnCommand(wParam, lParam);
}

int Dialog::OnOK()
{
    if (!registry_.RetrieveAll())
        return 0;
    if (!Validate())
        return 0;
    Close(1);
    return 1;
}

HWND Dialog::Create()
{
    window_ = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(templateId_), owner_, DialogProc, 0);
    if (!window_)
        return nullptr;
    registry_.AttachAll(window_);
    return window_;
}

int Dialog::RunModal()
{
    HWND window = Create();
    if (!window)
        return 0;
    DialogProc(window, DialogInitMessage, 0, LPARAM(this));
    if (!IsWindow(window))
        return 0;
    modal_ = 1;
    if (owner_)
        EnableWindow(owner_, FALSE);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (owner_)
        EnableWindow(owner_, TRUE);
    return int(msg.wParam);
}

HWND Dialog::CreateModeless()
{
    HWND window = Create();
    if (!window)
        return nullptr;
    modal_ = 0;
    DialogProc(window, DialogInitMessage, 0, LPARAM(this));
    return window;
}

void Dialog::Close(int result)
{
    if (!CanClose())
        return;
    if (owner_) {
        SetActiveWindow(owner_);
        SetFocus(owner_);
    }
    DestroyWindow(window_);
    if (modal_)
        PostQuitMessage(result);
}
