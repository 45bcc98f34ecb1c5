// Process entry: run the main window modally; the exit code is always 0.
#include <windows.h>
#include <commctrl.h>
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
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
