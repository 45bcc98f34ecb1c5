// The module settings values: read at start-up, written back when the main window goes.
#include "mainwindow/MainDialog.h"

namespace {

// Probe the size, then read into a buffer of that size. A missing value leaves capacity 0
// (never written back) but still a readable empty text.
void ReadText(SettingsKey* key, const char* name, char** text, DWORD* capacity)
{
    DWORD size = 0;
    key->QueryValue(name, nullptr, &size);
    *text = new char[size ? size : 1]();
    *capacity = size;
    if (size) {
        key->QueryValue(name, reinterpret_cast<BYTE*>(*text), &size);
        (*text)[*capacity - 1] = '\0';
    }
}

void WriteText(SettingsKey* key, const char* name, const char* text, DWORD capacity)
{
    if (capacity && text)
        key->SetValue(name, text);
}

}  // namespace

void MainDialog::ReadModuleSettings()
{
    ReadText(machineKey_, "Modules", &availableList_, &availableSize_);
    ReadText(machineKey_, "ModsInstalled", &installedList_, &installedSize_);
    ReadText(machineKey_, "Path", &modulePath_, &modulePathSize_);
    DWORD size = sizeof defaultModule_;
    machineKey_->QueryValue("DefModule", reinterpret_cast<BYTE*>(defaultModule_), &size);
    defaultModule_[sizeof defaultModule_ - 1] = '\0';
}

void MainDialog::WriteModuleSettings()
{
    if (!machineKey_)
        return;
    WriteText(machineKey_, "Modules", availableList_, availableSize_);
    WriteText(machineKey_, "ModsInstalled", installedList_, installedSize_);
    WriteText(machineKey_, "Path", modulePath_, modulePathSize_);
    if (defaultModule_[0])
        machineKey_->SetValue("DefModule", defaultModule_);
}
