#include "modules/ModuleManagerDialog.h"
#include <commctrl.h>
#include <commdlg.h>
#include <cderr.h>
#include <cstdio>
#include <cstring>
#include <vector>
#include "modules/ModuleListText.h"
#include "modules/ModuleListView.h"
#include "modules/ModuleRecord.h"
#include "modules/RecordBlock.h"
#include "resources/ResourceIds.h"

namespace {

const char SaturnName[] = "Sega Saturn";
const char PlaystationName[] = "Playstation (Dex)";
const char InstallCaption[] = "Install Module";

// The system's text for an error code, without its closing line break and full stop.
void ErrorText(DWORD error, char* text, DWORD size)
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, size,
                        nullptr))
        snprintf(text, size, "error %lu", static_cast<unsigned long>(error));
    for (size_t n = strlen(text); n > 0 && strchr("\r\n. ", text[n - 1]); --n)
        text[n - 1] = '\0';
}

// The same file on disc, whatever form each path was written in: letter case, "." and "..",
// slashes and short names are settled by the full long path; another drive letter reaching
// the same folder (Wine's Z:) by the file's identity on its volume.
bool SameFile(const char* a, const char* b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH], longA[MAX_PATH], longB[MAX_PATH];
    const DWORD lengthA = GetFullPathNameA(a, MAX_PATH, fullA, nullptr);
    const DWORD lengthB = GetFullPathNameA(b, MAX_PATH, fullB, nullptr);
    if (lengthA && lengthA < MAX_PATH && lengthB && lengthB < MAX_PATH) {
        const DWORD longLengthA = GetLongPathNameA(fullA, longA, MAX_PATH);
        const DWORD longLengthB = GetLongPathNameA(fullB, longB, MAX_PATH);
        if (lstrcmpiA(longLengthA && longLengthA < MAX_PATH ? longA : fullA,
                      longLengthB && longLengthB < MAX_PATH ? longB : fullB) == 0)
            return true;
    }
    auto identity = [](const char* path, BY_HANDLE_FILE_INFORMATION* info) {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool got = GetFileInformationByHandle(file, info) != 0;
        CloseHandle(file);
        return got;
    };
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    if (!identity(a, &infoA) || !identity(b, &infoB))
        return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

}  // namespace

ModuleManagerDialog::ModuleManagerDialog(HWND owner, char*& available, DWORD& availableSize, char*& installed,
                                         DWORD& installedSize, char* defaultModule, DWORD memoryForModules,
                                         char*& path, DWORD& pathSize, int& changed)
    : Dialog(IDD_MODULE_MANAGER, owner), installedText_(installed), defaultModule_(defaultModule), memoryForModules_(memoryForModules),
      path_(path), pathSize_(pathSize), changed_(changed)
{
    changed_ = 0;
    availableList_ = new ModuleListView(IDC_AVAILABLE_MODULES, availableName_, availableVersion_, availableSize_,
                                        available, availableSize);
    installedList_ = new ModuleListView(IDC_INSTALLED_MODULES, installedName_, installedVersion_, installedSize_,
                                        installed, installedSize);
    registry_.Add(availableList_);
    registry_.Add(installedList_);
}

ModuleManagerDialog::~ModuleManagerDialog()
{
    if (popup_)
        DestroyMenu(popup_);
}

int ModuleManagerDialog::OnInitDialog()
{
    popup_ = CreatePopupMenu();
    static const char* const texts[2] = {"&Lock/Unlock this module version", "&Set this target as the default"};
    static const UINT commands[2] = {ID_TOGGLE_LOCK, ID_SET_DEFAULT};
    for (int i = 0; i < 2; ++i) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_TYPE | MIIM_ID;
        item.fType = MFT_STRING;
        item.wID = commands[i];
        item.dwTypeData = const_cast<char*>(texts[i]);
        InsertMenuItemA(popup_, 1, TRUE, &item);
    }
    Dialog::OnInitDialog();
    SendDlgItemMessageA(window_, IDC_MEMORY_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, memoryForModules_ / 1000));
    const char* shown = "None";
    if (strcmp(defaultModule_, "Sat") == 0 || strcmp(defaultModule_, "SAT") == 0)
        shown = SaturnName;
    else if (strcmp(defaultModule_, "Dex") == 0 || strcmp(defaultModule_, "DEX") == 0)
        shown = PlaystationName;
    SetDlgItemTextA(window_, IDC_DEFAULT_MODULE, shown);
    UpdateMemoryDisplay();
    return 1;
}

BOOL ModuleManagerDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && wParam == IDC_INSTALLED_MODULES) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == UINT(NM_RCLICK)) {
            POINT at{};
            GetCursorPos(&at);
            TrackPopupMenu(popup_, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
        } else if (header->code == UINT(NM_DBLCLK)) {
            SetDefaultFromSelection();
        }
    } else if (message == WM_COMMAND) {
        switch (wParam) {
        case ID_MODULE_HELP:
            WinHelpA(window_, "Control.hlp", HELP_CONTEXT, 1000000112);
            break;
        case ID_TOGGLE_LOCK:
            installedList_->ToggleLock();
            break;
        case ID_SET_DEFAULT:
            SetDefaultFromSelection();
            break;
        case IDC_ADD_MODULE:
            AddSelected();
            break;
        case IDC_REMOVE_MODULE:
            RemoveSelected();
            break;
        case IDC_DELETE_MODULE:
            DeleteModule();
            break;
        case IDC_INSTALL_MODULE:
            InstallModule();
            break;
        default:
            break;
        }
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}

// Each command on a selection does nothing at all when nothing is selected.
void ModuleManagerDialog::SetDefaultFromSelection()
{
    installedList_->GetSelection();
    if (!installedName_[0])
        return;
    changed_ = 1;
    SetDlgItemTextA(window_, IDC_DEFAULT_MODULE, installedName_);
}

void ModuleManagerDialog::AddSelected()
{
    availableList_->GetSelection();
    if (!availableName_[0])
        return;
    changed_ = 1;
    installedList_->InsertModule(availableName_, availableVersion_, availableSize_, 0);
    UpdateMemoryDisplay();
}

void ModuleManagerDialog::RemoveSelected()
{
    installedList_->GetSelection();
    if (!installedName_[0])
        return;
    changed_ = 1;
    if (strstr(installedName_, defaultModule_)) {
        SetDlgItemTextA(window_, IDC_DEFAULT_MODULE, "None");
        snprintf(defaultModule_, 4, "Nun");
    }
    installedList_->DeleteSelected();
    UpdateMemoryDisplay();
}

void ModuleManagerDialog::UpdateMemoryDisplay()
{
    const uint32_t used = installedList_->SizeTotal();
    SendDlgItemMessageA(window_, IDC_MEMORY_BAR, PBM_SETPOS, WPARAM(used / 1000), 0);
    char text[32];
    snprintf(text, sizeof text, "%d bytes", int(memoryForModules_ - used));
    SetDlgItemTextA(window_, IDC_MEMORY_AVAILABLE, text);
    snprintf(text, sizeof text, "%d bytes", int(used));
    SetDlgItemTextA(window_, IDC_MEMORY_USED, text);
}

int ModuleManagerDialog::Refuse(const char* text, const char* caption)
{
    MessageBoxA(window_, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

int ModuleManagerDialog::Validate()
{
    if (installedList_->ItemCount() == 0)
        return Refuse("You have not specified any Emulation Modules for download", "Validation Error");
    // The installed text has just been rebuilt from the list view.
    if (HasTwoModulesForATarget(installedText_))
        return Refuse("You can only download one module for each target", "Validation Error");
    char shown[30] = "";
    GetDlgItemTextA(window_, IDC_DEFAULT_MODULE, shown, sizeof shown);
    const char* value = strcmp(shown, SaturnName) == 0 ? "Sat" : strcmp(shown, PlaystationName) == 0 ? "Dex" : "Nun";
    snprintf(defaultModule_, 4, "%s", value);
    return 1;
}

void ModuleManagerDialog::InstallModule()
{
    if (!path_ || !path_[0]) {
        Refuse("No module directory is set in the CD Emulator settings (\"Path\"), so the module has nowhere "
               "to go. Set it, then install the module.", InstallCaption);
        return;
    }
    char file[300] = "";
    char title[15] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;  // the structure's own size: 64-bit builds have a larger one
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = "CD Modules\0*CD*.bin\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = sizeof title;
    dialog.lpstrTitle = "Please locate the Module to install";
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameA(&dialog)) {
        if (const DWORD error = CommDlgExtendedError()) {
            char text[160];
            snprintf(text, sizeof text,
                     error == FNERR_BUFFERTOOSMALL ? "The path of the chosen file is too long: move the module "
                                                     "to a folder with a shorter path and try again."
                                                   : "The file dialog could not be shown (error %lu).",
                     static_cast<unsigned long>(error));
            Refuse(text, InstallCaption);
        }
        return;
    }
    // The list record is made from the file name, so only a module's name makes a good record.
    if (!IsModuleFileName(title)) {
        char text[400];
        snprintf(text, sizeof text,
                 "%s is not an emulation module file.\n\nA module file is named after its target and version: "
                 "Sat or Dex, then CD, then the version in three digits, for instance SatCD123.bin.",
                 file + dialog.nFileOffset);
        Refuse(text, InstallCaption);
        return;
    }
    char destination[MAX_PATH];
    const int length = snprintf(destination, sizeof destination, "%s\\%s", path_, title);
    if (length <= 0 || size_t(length) >= sizeof destination) {
        Refuse("The module directory's path is too long to hold the module.", InstallCaption);
        return;
    }
    DWORD bytes = 0;
    if (!CopyModuleFile(file, destination, &bytes))
        return;
    char record[ModuleRecordLength + 1];
    snprintf(record, sizeof record, "%.8s%05lu0", title, static_cast<unsigned long>(bytes));
    availableList_->InsertRecord(record);
}

int ModuleManagerDialog::CopyModuleFile(const char* source, const char* destination, DWORD* bytes)
{
    char reason[200];
    char text[MAX_PATH + 400];
    std::vector<char> image(ModuleImageMaximum);
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE || !ReadFile(in, image.data(), DWORD(image.size()), bytes, nullptr)) {
        ErrorText(GetLastError(), reason, sizeof reason);
        if (in != INVALID_HANDLE_VALUE)
            CloseHandle(in);
        snprintf(text, sizeof text, "The module file %s could not be read: %s.\n\nNothing was installed.", source,
                 reason);
        return Refuse(text, InstallCaption);
    }
    CloseHandle(in);
    // Already in the module directory: listing it is all there is to do.
    if (SameFile(source, destination))
        return 1;

    // Written beside the destination and put in its place only when whole, so a failed copy
    // never leaves half a module where the upload would take it.
    char partial[MAX_PATH + 8];
    snprintf(partial, sizeof partial, "%s.part", destination);
    HANDLE out = CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool done = out != INVALID_HANDLE_VALUE && WriteFile(out, image.data(), *bytes, &written, nullptr) &&
                written == *bytes;
    DWORD error = GetLastError();
    if (out != INVALID_HANDLE_VALUE && !CloseHandle(out) && done) {
        done = false;
        error = GetLastError();
    }
    if (done && !MoveFileExA(partial, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        done = false;
        error = GetLastError();
    }
    if (done)
        return 1;
    if (out != INVALID_HANDLE_VALUE)
        DeleteFileA(partial);
    ErrorText(error, reason, sizeof reason);
    snprintf(text, sizeof text,
             "The module could not be copied to %s: %s.\n\nCheck that the module directory exists and can be "
             "written to. Nothing was installed.",
             destination, reason);
    return Refuse(text, InstallCaption);
}

void ModuleManagerDialog::DeleteModule()
{
    availableList_->GetSelection();
    if (!availableName_[0])
        return;
    if (availableList_->ItemCount() == 1) {
        Refuse("There must be at least ONE module stored on this machine.", "Module Delete");
        return;
    }
    if (installedList_->Contains(availableName_, availableVersion_)) {
        Refuse("That module is currently in use.", "Module Delete");
        return;
    }
    char question[200];
    snprintf(question, sizeof question,
             "Are you sure you want to permanently remove the module\n%s version %s from this machine?",
             availableName_, availableVersion_);
    if (MessageBoxA(window_, question, "OK To Remove Module?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    char moduleName[ModuleRecordLength + 1];
    EncodeModuleRecord(moduleName, availableName_, availableVersion_, nullptr, nullptr, ModuleNameLength);
    char file[MAX_PATH + 16];
    const int length = snprintf(file, sizeof file, "%s\\%s.bin", path_ ? path_ : "", moduleName);
    if (length <= 0 || size_t(length) >= sizeof file || !DeleteFileA(file))
        MessageBoxA(window_, "Error removing module file", "Error", MB_OK | MB_ICONEXCLAMATION);
    availableList_->DeleteSelected();
}
