#include "modules/ModuleManagerDialog.h"
#include <commctrl.h>
#include <commdlg.h>
#include <cderr.h>
#include <cstdio>
#include "control/ModuleFiles.h"
#include "modules/ModuleListText.h"
#include "modules/ModuleListView.h"
#include "modules/ModuleRecord.h"
#include "modules/ModuleRules.h"
#include "modules/RecordBlock.h"
#include "resources/ResourceIds.h"

namespace {

const char InstallCaption[] = "Install Module";

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
    SetDlgItemTextA(window_, IDC_DEFAULT_MODULE, DefaultTargetName(defaultModule_));
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
    if (RemovesDefault(installedName_, defaultModule_)) {
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
    // The installed text has just been rebuilt from the list view.
    if (const char* refusal = InstalledSetRefusal(installedList_->ItemCount(), installedText_))
        return Refuse(refusal, ValidationCaption);
    char shown[30] = "";
    GetDlgItemTextA(window_, IDC_DEFAULT_MODULE, shown, sizeof shown);
    snprintf(defaultModule_, 4, "%s", DefaultTargetValue(shown));
    return 1;
}

void ModuleManagerDialog::InstallModule()
{
    if (!path_ || !path_[0]) {
        Refuse(NoModuleDirectoryText, InstallCaption);
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
    char record[ModuleRecordLength + 1];
    char problem[MAX_PATH + 400];
    if (InstallModuleFile(file, file + dialog.nFileOffset, path_, record, problem, sizeof problem))
        availableList_->InsertRecord(record);
    else
        Refuse(problem, InstallCaption);
}

void ModuleManagerDialog::DeleteModule()
{
    availableList_->GetSelection();
    if (!availableName_[0])
        return;
    if (const char* refusal = DeleteRefusal(availableList_->ItemCount(),
                                            installedList_->Contains(availableName_, availableVersion_))) {
        Refuse(refusal, ModuleDeleteCaption);
        return;
    }
    char question[200];
    snprintf(question, sizeof question,
             "Are you sure you want to permanently remove the module\n%s version %s from this machine?",
             availableName_, availableVersion_);
    if (MessageBoxA(window_, question, "OK To Remove Module?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!DeleteModuleFile(path_, availableName_, availableVersion_))
        MessageBoxA(window_, "Error removing module file", "Error", MB_OK | MB_ICONEXCLAMATION);
    availableList_->DeleteSelected();
}
