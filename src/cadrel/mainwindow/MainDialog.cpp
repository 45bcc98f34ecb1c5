#include "mainwindow/MainDialog.h"
#include "framework/Application.h"
#include "framework/StatusBar.h"
#include "resources/ResourceIds.h"

namespace {
const char NoneText[] = "None";
}

MainDialog::MainDialog() : Dialog(IDD_MAIN, nullptr)
{
    registry_.Add(new StaticText(IDC_TARGET, NoneText));
    registry_.Add(new StaticText(IDC_EMULATION_DEVICE, NoneText));
    registry_.Add(new StaticText(IDC_CUTTING_DEVICE, NoneText));
    statusBar_ = new StatusBar;
    registry_.Add(statusBar_);
}

MainDialog::~MainDialog() = default;

int MainDialog::OnInitDialog()
{
    SendMessageA(window_, WM_SETICON, ICON_BIG, LPARAM(LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_CADREL))));
    return Dialog::OnInitDialog();
}

BOOL MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Exit();
        return TRUE;
    case WM_COMMAND:
        switch (wParam) {
        case ID_EXIT:
            Exit();
            return TRUE;
        case ID_ABOUT: {
            Dialog about(IDD_ABOUT, window_);
            about.RunModal();
            return TRUE;
        }
        default:
            return FALSE;
        }
    case WM_MENUSELECT:
        ShowMenuHelp(wParam);
        return TRUE;
    default:
        return FALSE;
    }
}

void MainDialog::Exit()
{
    Close(0);
}

void MainDialog::ShowMenuHelp(WPARAM wParam)
{
    char text[50] = "";
    LoadStringA(ModuleInstance, LOWORD(wParam), text, sizeof text);
    SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
}
