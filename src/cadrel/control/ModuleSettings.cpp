#include "control/ModuleSettings.h"
#include "control/Presenter.h"

namespace {

// Probe the size, then read into a buffer of that size. A missing value leaves capacity 0
// (never written back) but still a readable empty text. So does a value the store sized but
// then would not read: writing its empty buffer back at exit would wipe the stored value.
void ReadText(SettingsKey* key, const char* name, char** text, DWORD* capacity, std::string* read,
              Presenter& presenter)
{
    DWORD size = 0;
    if (key->QueryValue(name, nullptr, &size) < 0)
        size = 0;
    if (size > SettingsTextLimit) {
        PostLine(presenter, "WARNING, the CD Emulator setting \"%s\" says it is %lu bytes long, more than %lu, so it "
                            "is damaged: Cadrel leaves it as it is and works without it. Set it again, or remove it.",
                 name, static_cast<unsigned long>(size), static_cast<unsigned long>(SettingsTextLimit));
        size = 0;
    }
    *text = new char[size ? size : 1]();
    *capacity = size;
    if (size && key->QueryValue(name, reinterpret_cast<BYTE*>(*text), &size) < 0) {
        (*text)[0] = '\0';
        *capacity = 0;
    } else if (size) {
        (*text)[*capacity - 1] = '\0';
    }
    *read = *text;
}

void WriteText(SettingsKey* key, const char* name, const char* text, DWORD capacity, std::string* read)
{
    if (capacity && text && *read != text && key->SetValue(name, text) >= 0)
        *read = text;
}

}  // namespace

ModuleSettings::~ModuleSettings()
{
    Free();
}

void ModuleSettings::Free()
{
    delete[] available;
    delete[] installed;
    delete[] path;
    available = installed = path = nullptr;
    availableSize = installedSize = pathSize = 0;
}

void ModuleSettings::Read(SettingsKey* key, Presenter& presenter)
{
    Free();
    ReadText(key, "Modules", &available, &availableSize, &readAvailable_, presenter);
    ReadText(key, "ModsInstalled", &installed, &installedSize, &readInstalled_, presenter);
    ReadText(key, "Path", &path, &pathSize, &readPath_, presenter);
    DWORD size = sizeof defaultModule;
    if (key->QueryValue("DefModule", reinterpret_cast<BYTE*>(defaultModule), &size) < 0)
        defaultModule[0] = '\0';  // empty: not written back
    defaultModule[sizeof defaultModule - 1] = '\0';
    readDefault_ = defaultModule;
}

void ModuleSettings::Write(SettingsKey* key)
{
    if (!key)
        return;
    WriteText(key, "Modules", available, availableSize, &readAvailable_);
    WriteText(key, "ModsInstalled", installed, installedSize, &readInstalled_);
    WriteText(key, "Path", path, pathSize, &readPath_);
    if (defaultModule[0] && readDefault_ != defaultModule && key->SetValue("DefModule", defaultModule) >= 0)
        readDefault_ = defaultModule;
}
