// Two programs on one box: the handle is the box's lock across them, and what one writes or
// switches the other sees at its next call.
#include "ChildProgram.h"
#include <gtest/gtest.h>
#include "StateFolder.h"

TEST(TamberCo, TwoProgramsShareOneBoxAndItsHandle)
{
    const StateFolder folder("tamber-co-shared-");
    const HMODULE dll = LoadLibraryA("tamber_co.dll");
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    ChildProgram client(BesideThisProgram("tamber_box_client.exe"));
    DWORD handle = 0, length = 5;
    BYTE status[20] = {}, read[5] = {};
    ASSERT_TRUE(FactoryOf(dll)(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) == S_OK &&
                system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) == S_OK &&
                device->AcquireHandle(0, &handle, 0, 0) == S_OK);
    const DWORD asked = GetTickCount();
    EXPECT_EQ(client.Ask("acquire"), "0x800700AA") << "the handle is held here";
    EXPECT_LT(GetTickCount() - asked, 1000u) << "a busy handle is answered at once, not waited for";
    EXPECT_TRUE(device->WriteMemory(handle, 0x1000, reinterpret_cast<const BYTE*>("here"), 4) == S_OK && device->ReleaseHandle(handle, 0, 0) == S_OK);
    const std::string steps[][2] = {
        {"acquire", "0x00000000"},               // given back here, granted there
        {"read 0x1000 4", "0x00000000 here"},    // what this process wrote
        {"write 0x2000 there", "0x00000000"},
        {"mode 0x200", "0x00000000"},            // file transfer
    };
    for (const auto& step : steps) EXPECT_EQ(client.Ask(step[0]), step[1]);
    EXPECT_LT(device->AcquireHandle(0, &handle, 0, 0), 0) << "held there";
    client.Kill();  // holding the handle
    ASSERT_EQ(device->AcquireHandle(0, &handle, 0, 0), S_OK) << "a killed holder gives the handle back";
    EXPECT_TRUE(device->ReadMemory(handle, 0x2000, read, &length) == S_OK && std::string(reinterpret_cast<char*>(read), 5) == "there");
    EXPECT_TRUE(device->GetStatus(handle, status, &(length = 20), 1, 0) == S_OK && (status[11] & 1) == 0) << "the mode set there";
    device->ReleaseHandle(handle, 0, 0), device->Release(), system->Release();
    FreeLibrary(dll);
}
