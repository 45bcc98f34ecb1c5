#include "framework/MessageList.h"
#include "resources/ResourceIds.h"

void AddMessageLine(HWND mainWindow, char* text)
{
    for (char* p = text; *p; ++p)
        if (*p == '\n')
            *p = ' ';
    const LRESULT index = SendDlgItemMessageA(mainWindow, IDC_MESSAGES, LB_ADDSTRING, 0, LPARAM(text));
    if (index == LB_ERRSPACE)
        SendDlgItemMessageA(mainWindow, IDC_MESSAGES, LB_RESETCONTENT, 0, 0);
    else
        SendDlgItemMessageA(mainWindow, IDC_MESSAGES, LB_SETTOPINDEX, WPARAM(index), 0);
}
