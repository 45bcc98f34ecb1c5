// The yardstick for the polling benchmark: a dialog that does nothing but run a 100 ms timer.
// With an argument it writes that file once its window is shown, to time start-up against.
#include <windows.h>
#include <cstdio>

namespace {

const char* shownFile = nullptr;

INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(window, 1, 100, nullptr);
        return TRUE;
    case WM_SHOWWINDOW:
        if (shownFile)
            if (FILE* f = fopen(shownFile, "w"))
                fclose(f);
        return FALSE;
    case WM_TIMER:
        return TRUE;
    case WM_CLOSE:
        EndDialog(window, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        shownFile = argv[1];
    // An empty in-memory template: caption and a size, no controls.
    struct {
        DLGTEMPLATE head;
        WORD menu, windowClass;
        wchar_t title[8];
    } dialog = {{WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER, 0, 0, 0, 0, 233, 197}, 0, 0, L"Minimal"};
    return int(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.head, nullptr, Proc, 0));
}
