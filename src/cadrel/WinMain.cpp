// Process entry: run the main window modally; the exit code is always 0.
#include <windows.h>
#include <commctrl.h>
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"

namespace {

// DLLs the system loads for us come only from System32 and the program's own folder, never the
// working folder. Windows 7 has the call only with its security update, so it is looked up.
void RestrictDllSearch()
{
    using Fn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
        if (auto restrict = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
            restrict(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    ModuleInstance = instance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Application* application = new Application;
    {
        MainDialog main;
        main.RunModal();
    }
    const int exitCode = application->ExitCode();
    delete application;
    return exitCode;
}
