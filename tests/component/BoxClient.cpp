// The other program on the box: loads tamber_co.dll as a program does and obeys one command a
// line from its input (acquire, release, mode WORD, write ADDRESS TEXT, read ADDRESS LENGTH),
// answering each with the call's result and what it read. "tamber_box_client churn N" instead
// writes until killed: from N on, the handle taken, 32 KiB of SRAM at 0x10000 filled with the
// number, the configuration set to its low four bits, the handle given back, "done N".
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "StateFolder.h"

namespace {

int Churn(EmulatorDevice* device, unsigned long n)
{
    std::vector<DWORD> block(8192);
    for (DWORD handle = 0;; ++n) {
        if (device->AcquireHandle(0, &handle, 0, 0) < 0) return 3;
        block.assign(block.size(), DWORD(n));
        device->WriteMemory(handle, 0x10000, reinterpret_cast<const BYTE*>(block.data()), 32768);
        device->SetMode(handle, 0x201 | (n & 15) << 4, 0);
        device->ReleaseHandle(handle, 0, 0);
        std::printf("done %lu\n", n), std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const TamberCOCreateInstanceFn create = FactoryOf(LoadLibraryA("tamber_co.dll"));
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    if (!create || create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) < 0 ||
        system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) < 0)
        return 2;
    if (argc == 3 && !std::strcmp(argv[1], "churn")) return Churn(device, std::strtoul(argv[2], nullptr, 10));
    DWORD handle = 0;
    for (char line[512]; std::fgets(line, sizeof line, stdin);) {
        char op[16] = "", text[256] = "";
        long value = 0;
        std::sscanf(line, "%15s %li %255s", op, &value, text);
        std::string read(std::strtoul(text, nullptr, 0), '\0');
        DWORD length = DWORD(read.size());
        HRESULT r = E_INVALIDARG;
        if (!std::strcmp(op, "acquire")) r = device->AcquireHandle(0, &handle, 0, 0);
        if (!std::strcmp(op, "release")) r = device->ReleaseHandle(handle, 0, 0);
        if (!std::strcmp(op, "mode")) r = device->SetMode(handle, DWORD(value), 0);
        if (!std::strcmp(op, "write")) r = device->WriteMemory(handle, DWORD(value), reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text)));
        if (!std::strcmp(op, "read")) r = device->ReadMemory(handle, DWORD(value), reinterpret_cast<BYTE*>(read.data()), &length);
        const bool shown = r >= 0 && !std::strcmp(op, "read");
        std::printf("0x%08lX%s\n", static_cast<unsigned long>(r), shown ? (" " + read).c_str() : ""), std::fflush(stdout);
    }
    return 0;  // the test ends it
}
