// Object creation for the factory: the object with one reference, or a failure and no object.
#pragma once
#include <windows.h>
#include "com/Process.h"

HRESULT CreateEmulatorSystem(REFIID iid, void** out, TraceWord& name);
HRESULT CreateSettingsRegistry(REFIID iid, void** out, TraceWord& name);
