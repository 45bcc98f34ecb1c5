// tamber_co.dll loaded as the program loads it; its settings and trace.txt in a fresh folder.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <filesystem>
#include <string>
#include "interface/EmulatorInterfaces.h"

inline HMODULE LoadTamber(const char* what, bool traced, std::string& home)
{
    home = (std::filesystem::temp_directory_path() / (what + std::to_string(GetCurrentProcessId()))).string();
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    SetEnvironmentVariableA("TAMBER_HOME", home.c_str());
    SetEnvironmentVariableA("TAMBER_TRACE", traced ? (home + "\\trace.txt").c_str() : nullptr);
    SetEnvironmentVariableA("TAMBER_EMULATOR", nullptr);
    return LoadLibraryA("tamber_co.dll");
}

inline TamberCOCreateInstanceFn CreateFunction(HMODULE dll)
{
    return dll ? reinterpret_cast<TamberCOCreateInstanceFn>(reinterpret_cast<void*>(GetProcAddress(dll, "TamberCOCreateInstance"))) : nullptr;
}
