#include "Robot.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

bool Robot::WaitUntil(const std::function<bool()>& cond, int timeoutMs)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs;; Sleep(20)) {
        if (cond())
            return true;
        if (GetTickCount64() >= end)
            return false;
    }
}

HWND Robot::FindDialog(const char* caption) const
{
    std::pair<const char*, HWND> search{caption, nullptr};
    EnumThreadWindows(uiThread_, [](HWND window, LPARAM lParam) -> BOOL {
        auto* search = reinterpret_cast<std::pair<const char*, HWND>*>(lParam);
        // Class and visibility first: asking a hidden helper window of a thread that no longer
        // pumps messages for its text would stall the robot.
        char className[64] = "", text[256] = "";
        GetClassNameA(window, className, sizeof className);
        if (!IsWindowVisible(window) || strcmp(className, "#32770") != 0)
            return TRUE;
        GetWindowTextA(window, text, sizeof text);
        search->second = strcmp(text, search->first) == 0 ? window : nullptr;
        return search->second == nullptr;
    }, LPARAM(&search));
    return search.second;
}

HWND Robot::WaitForDialog(const char* caption, int timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(caption)) != nullptr; }, timeoutMs);
    return found;
}

HWND Robot::MainWindow() const { return FindDialog("Tamber Cadrel"); }
bool Robot::WaitForMainWindow(int timeoutMs) { return WaitUntil([&] { return MainWindow() != nullptr; }, timeoutMs); }

std::string Robot::WindowText(HWND window)
{
    char text[1024] = "";
    Ask(window, WM_GETTEXT, sizeof text, LPARAM(text));
    return text;
}

// A message box keeps its text in a static control with id 0xFFFF.
std::string Robot::DialogText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }
void Robot::Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, WPARAM(id), 0); }
std::string Robot::Text(int id) const { return WindowText(GetDlgItem(MainWindow(), id)); }

std::string Robot::StatusPane(int pane) const
{
    HWND bar = GetDlgItem(MainWindow(), IDC_STATUS_BAR);
    char text[512] = "";
    if (LOWORD(Ask(bar, SB_GETTEXTLENGTHA, pane, 0)) >= sizeof text)
        return "<too long>";
    Ask(bar, SB_GETTEXTA, pane, LPARAM(text));
    return text;
}

std::vector<int> Robot::StatusEdges() const
{
    int edges[8] = {};
    const DWORD_PTR count = Ask(GetDlgItem(MainWindow(), IDC_STATUS_BAR), SB_GETPARTS, 8, LPARAM(edges));
    return std::vector<int>(edges, edges + (count <= 8 ? count : 8));
}

std::vector<std::string> Robot::Messages() const
{
    HWND list = GetDlgItem(MainWindow(), IDC_MESSAGES);
    std::vector<std::string> lines;
    for (DWORD_PTR i = 0, count = Ask(list, LB_GETCOUNT, 0, 0); i < count; ++i) {
        std::string line(Ask(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
        line.resize(Ask(list, LB_GETTEXT, i, LPARAM(line.data())));
        lines.push_back(line);
    }
    return lines;
}

bool Robot::HasMessage(const std::string& line) const { return Contains(Messages(), line); }

bool Robot::IsEnabled(int id) const { return IsWindowEnabled(GetDlgItem(MainWindow(), id)) != FALSE; }

std::string Robot::MenuText(int id) const
{
    char text[128] = "";
    GetMenuStringA(GetMenu(MainWindow()), UINT(id), text, sizeof text, MF_BYCOMMAND);
    return text;
}

UINT Robot::MenuState(int id) const { return GetMenuState(GetMenu(MainWindow()), UINT(id), MF_BYCOMMAND); }
void Robot::Command(WPARAM id) const { PostMessageA(MainWindow(), WM_COMMAND, id, 0); }
void Robot::Send(UINT message, WPARAM wParam, LPARAM lParam) const { Ask(MainWindow(), message, wParam, lParam); }
void Robot::Close() const { PostMessageA(MainWindow(), WM_CLOSE, 0, 0); }

// SendMessage with a bound: a window that stopped pumping messages must not stall the robot.
LRESULT Robot::Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &answer);
    return LRESULT(answer);
}

HWND Robot::CutPanel() const
{
    HWND main = MainWindow();
    return main ? FindWindowExA(main, nullptr, "#32770", nullptr) : nullptr;
}

std::vector<std::string> Robot::ListRows(HWND list)
{
    std::vector<std::string> rows;
    for (LRESULT row = 0, count = Ask(list, LVM_GETITEMCOUNT, 0, 0); row < count; ++row) {
        std::string shown;
        for (int column = 0; column < 3; ++column) {
            char text[64] = "";
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            Ask(list, LVM_GETITEMTEXTA, WPARAM(row), LPARAM(&item));
            shown += (column ? "|" : "") + std::string(text);
        }
        rows.push_back(shown + (Ask(list, LVM_GETITEMSTATE, WPARAM(row), LVIS_SELECTED) ? " (selected)" : ""));
    }
    return rows;
}

void Robot::ChooseRow(HWND list, int row)
{
    LVITEMA item{};
    item.stateMask = 0xFFFF;
    Ask(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (row >= 0)
        Ask(list, LVM_SETITEMSTATE, WPARAM(row), LPARAM(&item));
}

bool Robot::PoseForPicture(const char* name, const char* title)
{
    const std::string base = std::string(getenv("CADREL_PICTURE_DIR") ? getenv("CADREL_PICTURE_DIR") : ".") + "\\" + name;
    if (FILE* file = fopen((base + ".tmp").c_str(), "wb")) {
        fputs(title, file);
        fclose(file);
    }
    MoveFileA((base + ".tmp").c_str(), (base + ".ready").c_str());  // the script never reads half a title
    return WaitUntil([&] { return GetFileAttributesA((base + ".done").c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}
