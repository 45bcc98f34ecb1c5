// Drives the real main window from a second thread of the same process, as a user would, and
// reads back what it shows. In-process, so common-control messages with pointers work.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class Robot {
public:
    explicit Robot(DWORD uiThread) : uiThread_(uiThread) {}

    // Polls cond every 20 ms; false when timeoutMs passed first.
    static bool WaitUntil(const std::function<bool()>& cond, int timeoutMs);

    HWND MainWindow() const;          // "Tamber Cadrel" on the program's thread, or null
    bool WaitForMainWindow(int timeoutMs = 10000);
    // A message box (or other dialog) with this caption on the program's thread.
    HWND FindDialog(const char* caption) const;
    HWND WaitForDialog(const char* caption, int timeoutMs = 10000) const;
    static std::string DialogText(HWND box);  // the text of a message box
    static void Press(HWND dialog, int id);

    std::string Text(int id) const;
    std::string StatusPane(int pane) const;
    std::vector<int> StatusEdges() const;
    std::vector<std::string> Messages() const;
    bool HasMessage(const std::string& line) const;
    bool IsEnabled(int id) const;
    std::string MenuText(int id) const;
    UINT MenuState(int id) const;

    void Command(WPARAM id) const;      // as a click on a button or a menu item
    void Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    void Close() const;                 // the close box

    static std::string WindowText(HWND window);

    // Added for cutting and the device choices.
    static LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam);  // a SendMessage
    HWND CutPanel() const;  // the panel over the Messages area, or null
    // A report list view's rows, "vendor|name|version", with " (selected)" after a selected one.
    static std::vector<std::string> ListRows(HWND list);
    static void ChooseRow(HWND list, int row);  // -1: none, not even the focus
    // For cut-pictures.sh: names the window to take as picture `name` and waits until it is taken.
    static bool PoseForPicture(const char* name, const char* title);

private:
    DWORD uiThread_;
};
