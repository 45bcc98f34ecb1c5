// tamber_co.dll loaded the way the program loads it, its settings in a fresh folder of its own.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <filesystem>
#include <string>
#include "interface/EmulatorInterfaces.h"

inline HMODULE LoadTamber(const std::string& home, const char* trace)
{
    std::filesystem::create_directories(home);
    SetEnvironmentVariableA("TAMBER_HOME", home.c_str());
    SetEnvironmentVariableA("TAMBER_TRACE", trace);
    SetEnvironmentVariableA("TAMBER_EMULATOR", nullptr);
    return LoadLibraryA("tamber_co.dll");
}

inline TamberCOCreateInstanceFn CreateFunction(HMODULE dll)
{
    return dll ? reinterpret_cast<TamberCOCreateInstanceFn>(reinterpret_cast<void*>(GetProcAddress(dll, "TamberCOCreateInstance"))) : nullptr;
}

inline std::string TempHome(const char* what)
{
    return (std::filesystem::temp_directory_path() / (what + std::to_string(GetCurrentProcessId()))).string();
}
