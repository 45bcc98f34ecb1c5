// Object creation for the factory: the object with one reference, or a failure and no object.
#pragma once
#include <string>
#include <windows.h>

HRESULT CreateEmulatorSystem(REFIID iid, void** out, std::string& name);
HRESULT CreateSettingsRegistry(REFIID iid, void** out, std::string& name);
