#include "framework/Application.h"

HINSTANCE ModuleInstance = nullptr;
