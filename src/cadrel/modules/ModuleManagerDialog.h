// The Module Manager: the modules stored on this machine beside those installed in the
// emulator; edits the main window's module texts and default target in place.
#pragma once
#include <windows.h>
#include "framework/Dialog.h"

class ModuleListView;

class ModuleManagerDialog : public Dialog {
public:
    // The texts, their sizes and the default module (4 bytes) are the main window's own and may
    // be replaced; changed is cleared here and set when the installed modules must be uploaded.
    ModuleManagerDialog(HWND owner, char*& available, DWORD& availableSize, char*& installed,
                        DWORD& installedSize, char* defaultModule, DWORD memoryForModules, char*& path,
                        DWORD& pathSize, int& changed);
    ~ModuleManagerDialog() override;

    int OnInitDialog() override;
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Validate() override;

    void UpdateMemoryDisplay();
    void InstallModule();
    void DeleteModule();

private:
    void AddSelected();
    void RemoveSelected();
    void SetDefaultFromSelection();
    int Refuse(const char* text, const char* caption);

    char*& installedText_;
    char* defaultModule_;
    DWORD memoryForModules_;
    char*& path_;
    DWORD& pathSize_;
    int& changed_;
    HMENU popup_ = nullptr;
    char installedName_[30] = "";
    char installedVersion_[6] = "";
    char installedSize_[7] = "";
    char availableName_[30] = "";
    char availableVersion_[6] = "";
    char availableSize_[9] = "";
    ModuleListView* availableList_;
    ModuleListView* installedList_;
};
