// The module settings values: read at start-up, written back when the main window goes.
#include "mainwindow/MainDialog.h"

namespace {

// Probe the size, then read into a buffer of that size. A missing value leaves capacity 0
// (never written back) but still a readable empty text. So does a value the store sized but
// then would not read: writing its empty buffer back at exit would wipe the stored value.
void ReadText(SettingsKey* key, const char* name, char** text, DWORD* capacity)
{
    DWORD size = 0;
    if (key->QueryValue(name, nullptr, &size) < 0)
        size = 0;
    *text = new char[size ? size : 1]();
    *capacity = size;
    if (size && key->QueryValue(name, reinterpret_cast<BYTE*>(*text), &size) < 0) {
        (*text)[0] = '\0';
        *capacity = 0;
    } else if (size) {
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
    if (machineKey_->QueryValue("DefModule", reinterpret_cast<BYTE*>(defaultModule_), &size) < 0)
        defaultModule_[0] = '\0';  // empty: not written back
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
