// The resource script as the program's code relies on it: every template loads and holds the
// items the code addresses, every menu command has its help line, the pictures have the sizes
// the list views and the About box are laid out for, and the manifest brings common controls 6.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <cctype>
#include <string>
#include <vector>
#include "UiSupport.h"
#include "framework/Application.h"
#include "resources/ResourceIds.h"

namespace {

struct TemplateCase {
    const char* name;
    int id;
    bool child;                 // a child template needs a parent window
    const char* caption;
    std::vector<int> items;     // every item the code sends messages to
};

class Templates : public testing::TestWithParam<TemplateCase> {};

TEST_P(Templates, LoadWithEveryItemTheCodeAddresses)
{
    const TemplateCase& c = GetParam();
    const DLGPROC ignoreAll = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    HWND parent = nullptr;
    if (c.child)
        parent = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, ignoreAll, 0);
    HWND dialog = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(c.id), parent, ignoreAll, 0);
    ASSERT_NE(nullptr, dialog) << "template " << c.id << " does not load";
    EXPECT_EQ(c.caption, WindowText(dialog));
    for (int item : c.items)
        EXPECT_NE(nullptr, GetDlgItem(dialog, item)) << "template " << c.id << " has no item " << item;
    DestroyWindow(dialog);
    if (parent)
        DestroyWindow(parent);
}

INSTANTIATE_TEST_SUITE_P(All, Templates, testing::Values(
    TemplateCase{"MainWindow", IDD_MAIN, false, "Tamber Cadrel",
                 {IDC_TARGET, IDC_EMULATION_DEVICE, IDC_CUTTING_DEVICE, IDC_MESSAGES_GROUP, IDC_MESSAGES,
                  ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EXIT}},
    TemplateCase{"About", IDD_ABOUT, false, "About Cadrel", {IDOK, IDC_ABOUT_PICTURE}},
    TemplateCase{"ModuleManager", IDD_MODULE_MANAGER, false, "Module Manager",
                 {IDC_AVAILABLE_MODULES, IDC_INSTALLED_MODULES, IDC_ADD_MODULE, IDC_REMOVE_MODULE,
                  IDC_DELETE_MODULE, IDC_INSTALL_MODULE, IDC_MEMORY_AVAILABLE, IDC_MEMORY_USED,
                  IDC_DEFAULT_MODULE, IDC_MEMORY_BAR, IDOK, IDCANCEL, ID_MODULE_HELP}},
    TemplateCase{"EmulationDevice", IDD_EMULATION_DEVICE, false, "Device to Emulate from",
                 {IDC_EMULATION_DEVICE_LIST, IDC_EMULATION_DEVICE, IDOK, IDCANCEL}},
    TemplateCase{"CutterDevice", IDD_CUTTER_DEVICE, false, "Device to Cut to",
                 {IDC_CUTTER_DEVICE_LIST, IDC_CUTTING_DEVICE, IDOK, IDCANCEL}},
    TemplateCase{"BusyWait", IDD_BUSY, false, "", {IDC_BUSY_TEXT, IDC_BUSY_PROGRESS}},
    TemplateCase{"CutPanel", IDD_CUT_DISC, true, "",
                 {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4, IDC_TEST_MODE, IDOK, IDC_CUT_CURRENT,
                  IDC_CUT_TOTAL, IDC_CUT_PROGRESS, IDC_CUT_TIME}}),
    [](const testing::TestParamInfo<TemplateCase>& info) { return std::string(info.param.name); });

TEST(MainMenu, EveryCommandHasAHelpLineForTheStatusBar)
{
    HMENU menu = LoadMenuA(ModuleInstance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(nullptr, menu);
    int commands = 0;
    for (int top = 0; top < GetMenuItemCount(menu); ++top) {
        HMENU popup = GetSubMenu(menu, top);
        ASSERT_NE(nullptr, popup) << "top-level item " << top << " opens no menu";
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const UINT id = GetMenuItemID(popup, i);
            if (GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR)
                continue;
            char help[50] = "";
            // The status bar's buffer holds 49 characters; a longer line would be cut.
            const int length = LoadStringA(ModuleInstance, id, help, sizeof help);
            EXPECT_GT(length, 0) << "command " << id << " has no help line";
            EXPECT_LT(length, 49) << "help line of command " << id << " does not fit";
            ++commands;
        }
    }
    EXPECT_EQ(8, commands);
    // Until start-up finds a cutter there is nothing to choose.
    EXPECT_TRUE(GetMenuState(menu, ID_CUTTING_DEVICE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, ID_EMULATION_DEVICE, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
}

TEST(Pictures, HaveTheSizesTheirWindowsExpect)
{
    struct PictureCase {
        int id;
        LONG width, height;
        WORD bitsPerPixel;
    };
    // The module list views cut bitmap 117 into three 15x15 images.
    for (const PictureCase& c : {PictureCase{IDB_LIST_ICONS, 45, 15, 4}, PictureCase{IDB_ABOUT, 80, 128, 4}}) {
        HBITMAP bitmap = HBITMAP(LoadImageA(ModuleInstance, MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, bitmap) << "bitmap " << c.id;
        DIBSECTION dib{};
        ASSERT_EQ(int(sizeof dib), GetObjectA(bitmap, sizeof dib, &dib));
        EXPECT_EQ(c.width, dib.dsBmih.biWidth) << "bitmap " << c.id;
        EXPECT_EQ(c.height, dib.dsBmih.biHeight) << "bitmap " << c.id;
        EXPECT_EQ(c.bitsPerPixel, dib.dsBmih.biBitCount) << "bitmap " << c.id;
        DeleteObject(bitmap);
    }
    EXPECT_NE(nullptr, LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_CADREL)));
    HIMAGELIST images = ImageList_Create(15, 15, ILC_COLOR, 1, 0);
    HBITMAP strip = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(IDB_LIST_ICONS));
    EXPECT_EQ(0, ImageList_Add(images, strip, nullptr));
    EXPECT_EQ(3, ImageList_GetImageCount(images));
    DeleteObject(strip);
    ImageList_Destroy(images);
}

TEST(Manifest, BringsCommonControlsVersion6)
{
    // Version 6 is loaded only through the manifest's activation context, from the side-by-side
    // store and beside the system's version 5 (Wine's copy there still reports 5), so look at
    // every comctl32 the process holds.
    InitCommonControls();
    HMODULE modules[512];
    DWORD bytes = 0;
    ASSERT_TRUE(EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes));
    std::string seen;
    bool version6 = false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(modules[i], path, sizeof path);
        std::string lower(path);
        for (char& c : lower)
            c = char(tolower(static_cast<unsigned char>(c)));
        if (lower.size() < 12 || lower.compare(lower.size() - 12, 12, "comctl32.dll") != 0)
            continue;
        seen += std::string(path) + "; ";
        auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(modules[i], "DllGetVersion")));
        DLLVERSIONINFO version{};
        version.cbSize = sizeof version;
        if ((getVersion && getVersion(&version) == S_OK && version.dwMajorVersion >= 6) ||
            lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::string::npos)
            version6 = true;
    }
    EXPECT_TRUE(version6) << "loaded: " << seen;
}

}  // namespace
