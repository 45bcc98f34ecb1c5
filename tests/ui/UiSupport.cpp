#include "UiSupport.h"
#include <commctrl.h>
#include "framework/Application.h"

// The program's resources are linked in, so dialogs load exactly as they do in cadrel.exe.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    ModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return RUN_ALL_TESTS();
}
