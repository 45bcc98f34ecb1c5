// tamber_co.dll loaded the way the program loads it, and driven slot by slot through its
// interfaces: the factory, QueryInterface, reference counts, every device and settings
// operation, faults from a scenario, and the trace it leaves.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "emulator/EmulatorInterfaces.h"

namespace {

constexpr GUID IID_IUnknownId = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID SomeOtherId = {0x12345678, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};

// A new folder under the temporary folder, removed when the test program ends.
std::string NewFolder(const char* what)
{
    struct Cleanup {
        std::vector<std::filesystem::path> dirs;
        ~Cleanup()
        {
            std::error_code ec;
            for (const auto& d : dirs) std::filesystem::remove_all(d, ec);
        }
    };
    static Cleanup cleanup;
    static int counter = 0;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tamber-co-" + std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    cleanup.dirs.push_back(dir);
    return dir.string();
}

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// One load of the DLL with its own home, trace and scenario.
class Library {
public:
    explicit Library(const std::string& home, const std::string& scenario = {}) : trace(home + "\\trace.txt")
    {
        SetEnvironmentVariableA("TAMBER_HOME", home.c_str());
        SetEnvironmentVariableA("TAMBER_TRACE", trace.c_str());
        if (scenario.empty()) {
            SetEnvironmentVariableA("TAMBER_EMULATOR", nullptr);
        } else {
            const std::string file = home + "\\scenario.toml";
            std::ofstream(file) << scenario;
            SetEnvironmentVariableA("TAMBER_EMULATOR", file.c_str());
        }
        module = LoadLibraryA("tamber_co.dll");
        create = module ? reinterpret_cast<TamberCOCreateInstanceFn>(
                              reinterpret_cast<void*>(GetProcAddress(module, "TamberCOCreateInstance")))
                        : nullptr;
    }
    ~Library() { Unload(); }
    void Unload()
    {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE module = nullptr;
    TamberCOCreateInstanceFn create = nullptr;
    std::string trace;
};

// Calls the operation in vtable slot `slot` directly, so the slot numbers are checked and not
// only the names in the shared header.
template <typename... Args>
HRESULT CallSlot(void* object, int slot, Args... args)
{
    using Fn = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Fn>(table[slot])(object, args...);
}

// The program's side of the callback: counts its references and keeps the lines it was given.
class TestSink : public EmulatorSink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknownId) || IsEqualGUID(iid, IID_EmulatorSink)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++count); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--count); }
    HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) override
    {
        lines.push_back(std::to_string(kind) + ":" + text);
        return 1;
    }
    long count = 1;
    std::vector<std::string> lines;
};

// The record block and module images as the program writes them.
void UploadModule(EmulatorDevice* device, DWORD handle, const std::string& file, uint16_t code, uint32_t& next,
                  std::vector<uint8_t>& block, int index)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(image.empty()) << file;
    const uint32_t length = uint32_t(image.size() + 3) / 4 * 4;
    image.resize(length, 0);
    next -= length;
    ASSERT_EQ(CallSlot(device, 16, handle, DWORD(next), static_cast<const BYTE*>(image.data()), DWORD(length)), S_OK);
    uint8_t* e = block.data() + 22 + 20 * index;
    StoreBE16(e, code);
    e[2] = 1;
    StoreBE32(e + 8, next);
    StoreBE32(e + 12, length);
    StoreLE32(e + 16, XorChecksum(image.data(), length / 4));
    StoreBE16(block.data() + 2, uint16_t(index + 1));
}

std::string QueryText(SettingsKey* key, const char* name, DWORD* probed = nullptr)
{
    DWORD size = 0;
    CallSlot(key, 3, name, static_cast<BYTE*>(nullptr), &size);
    if (probed) *probed = size;
    if (size == 0) return "<size 0>";
    std::vector<char> buffer(size, 'x');
    EXPECT_EQ(CallSlot(key, 3, name, reinterpret_cast<BYTE*>(buffer.data()), &size), S_OK);
    return std::string(buffer.data());
}

}  // namespace

TEST(TamberCo, EverySlotThroughTheFactoryAndNoObjectLeftAlive)
{
    const std::string home = NewFolder("slots");
    Library dll(home);
    ASSERT_NE(dll.module, nullptr);
    ASSERT_NE(dll.create, nullptr);

    // Factory: wrong class, wrong interface, right ones.
    struct FactoryCase {
        const GUID* clsid;
        const GUID* iid;
        HRESULT result;
    };
    const FactoryCase factory[] = {
        {&SomeOtherId, &IID_EmulatorSystem, CLASS_E_CLASSNOTAVAILABLE},
        {&CLSID_EmulatorSystem, &IID_SettingsRegistry, E_NOINTERFACE},
        {&CLSID_SettingsRegistry, &IID_EmulatorSystem, E_NOINTERFACE},
        {&IID_EmulatorSystem, &IID_EmulatorSystem, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const FactoryCase& c : factory) {
        void* out = reinterpret_cast<void*>(0x1234);
        EXPECT_EQ(dll.create(*c.clsid, 0, 0, *c.iid, &out), c.result);
        EXPECT_EQ(out, nullptr) << "a failed factory call gives no object";
    }
    EXPECT_EQ(dll.create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, nullptr), E_POINTER);

    void* out = nullptr;
    ASSERT_EQ(dll.create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, &out), S_OK);
    auto* system = static_cast<EmulatorSystem*>(out);
    ASSERT_EQ(dll.create(CLSID_SettingsRegistry, 0, 0, IID_IUnknownId, &out), S_OK);
    auto* registry = static_cast<SettingsRegistry*>(out);

    TestSink sink;
    EXPECT_EQ(CallSlot(system, 3, static_cast<EmulatorSink*>(&sink), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(sink.count, 2) << "Initialise keeps the sink";
    out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(CallSlot(system, 4, &SomeOtherId, &out, ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), E_NOINTERFACE);
    ASSERT_EQ(CallSlot(system, 4, &IID_EmulatorDevice, &out, ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    auto* device = static_cast<EmulatorDevice*>(out);
    ASSERT_EQ(CallSlot(registry, 10, "\\\\Machine\\CDModules", &out), S_OK);
    auto* machine = static_cast<SettingsKey*>(out);

    // QueryInterface and counts on every object: its own id and IUnknown answer, others do not.
    struct Object {
        const char* name;
        IUnknown* object;
        const GUID* own;
    };
    const Object objects[] = {{"system", system, &IID_EmulatorSystem},
                              {"device", device, &IID_EmulatorDevice},
                              {"registry", registry, &IID_SettingsRegistry},
                              {"key", machine, &IID_SettingsKey}};
    const GUID* others[] = {&SomeOtherId, &IID_EmulatorSink, &CLSID_EmulatorSystem, &IID_EmulatorDevice,
                            &IID_SettingsKey};
    for (const Object& o : objects) {
        SCOPED_TRACE(o.name);
        for (const GUID* id : {&IID_IUnknownId, o.own}) {
            void* answer = nullptr;
            ASSERT_EQ(CallSlot(o.object, 0, id, &answer), S_OK);
            EXPECT_EQ(answer, o.object);
            EXPECT_EQ(CallSlot(o.object, 2), HRESULT(1)) << "QueryInterface added one reference";
        }
        for (const GUID* id : others) {
            if (id == o.own) continue;
            void* untouched = reinterpret_cast<void*>(0x5151);
            EXPECT_EQ(CallSlot(o.object, 0, id, &untouched), E_NOINTERFACE);
            EXPECT_EQ(untouched, reinterpret_cast<void*>(0x5151));
        }
        EXPECT_EQ(CallSlot(o.object, 1), HRESULT(2));
        EXPECT_EQ(CallSlot(o.object, 1), HRESULT(3));
        EXPECT_EQ(CallSlot(o.object, 2), HRESULT(2));
        EXPECT_EQ(CallSlot(o.object, 2), HRESULT(1));
    }

    // Reserved slots keep their places.
    for (int slot : {6, 7, 11, 12, 15, 19, 20, 22, 23}) EXPECT_EQ(CallSlot(device, slot), E_NOTIMPL) << slot;
    for (int slot : {3, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(CallSlot(registry, slot), E_NOTIMPL) << slot;
    for (int slot : {5, 6, 7}) EXPECT_EQ(CallSlot(machine, slot), E_NOTIMPL) << slot;

    // The device, in the order the program uses it at start-up.
    DWORD handle = 0;
    ASSERT_EQ(CallSlot(device, 3, ULONG_PTR(0), &handle, ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(CallSlot(device, 5, static_cast<EmulatorSink*>(&sink), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0),
                       ULONG_PTR(0), ULONG_PTR(0)),
              S_OK);
    DWORD configuration = 99, second = 0;
    EXPECT_EQ(CallSlot(device, 21, &configuration, &second, ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(configuration, 0u);
    std::vector<uint8_t> target(200, 0);
    DWORD size = 200;
    ASSERT_EQ(CallSlot(device, 14, handle, target.data(), &size, ULONG_PTR(0)), S_OK);
    EXPECT_EQ(target[36], 0xFF) << "a fresh box has no module data";
    EXPECT_EQ(target[39], 2);

    // Upload the first-run demo modules as the program does, then the record block.
    const std::string modules = QueryText(machine, "Path");
    std::vector<uint8_t> block(512, 0);
    DWORD length = 256;
    ASSERT_EQ(CallSlot(device, 17, handle, DWORD(0xFFF00), block.data() + 256, &length), S_OK);
    StoreBE16(block.data(), 4);
    uint32_t next = 0xF3E00;
    UploadModule(device, handle, modules + "\\SatCD100.bin", 0x0002, next, block, 0);
    UploadModule(device, handle, modules + "\\DexCD100.bin", 0x00FC, next, block, 1);
    EXPECT_EQ(next, 0xE2C8Cu) << "40,000 and 30,004 bytes below 0xF3E00";
    StoreLE32(block.data() + 508, XorChecksum(block.data(), 127));
    ASSERT_EQ(CallSlot(device, 16, handle, DWORD(0xFFE00), static_cast<const BYTE*>(block.data()), DWORD(512)), S_OK);
    size = 200;
    ASSERT_EQ(CallSlot(device, 14, handle, target.data(), &size, ULONG_PTR(0)), S_OK);
    EXPECT_EQ(target[37], 2) << "two modules";

    BYTE mode[2] = {}, other[2] = {};
    EXPECT_EQ(CallSlot(device, 9, handle, mode, DWORD(2), other, ULONG_PTR(0)), S_OK);
    EXPECT_EQ(mode[0], 1) << "emulation mode at power-on";
    EXPECT_EQ(CallSlot(device, 10, handle, DWORD(0x200), ULONG_PTR(0)), S_OK);
    EXPECT_LT(CallSlot(device, 10, handle, DWORD(0x301), ULONG_PTR(0)), 0) << "the cutter holds no disc";
    EXPECT_EQ(CallSlot(device, 10, handle, DWORD(0x201), ULONG_PTR(0)), S_OK);
    EXPECT_LT(CallSlot(device, 13, handle, ULONG_PTR(0)), 0) << "busy right after the switch";
    int tries = 0;
    while (CallSlot(device, 13, handle, ULONG_PTR(0)) < 0 && tries < 200) {
        Sleep(10);
        ++tries;
    }
    EXPECT_LT(tries, 200) << "the box became ready";
    uint8_t status[20] = {};
    size = 20;
    ASSERT_EQ(CallSlot(device, 18, handle, status, &size, DWORD(1), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(status[11] & 1, 1);
    EXPECT_EQ(status[12] << 8 | status[13], 0) << "the Saturn module is good";
    uint8_t detail[42] = {};
    size = 42;
    EXPECT_EQ(CallSlot(device, 18, handle, detail, &size, DWORD(2), ULONG_PTR(0)), S_OK);
    size = 4;
    EXPECT_LT(CallSlot(device, 18, handle, detail, &size, DWORD(1), ULONG_PTR(0)), 0) << "buffer too small";

    // A cut from the cutter module of the first run: x4, test.
    std::ifstream in(modules + "\\cutcd004.bin", std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(image.empty());
    const size_t padded = (image.size() + 3) / 4 * 4;
    image.resize(padded + 4, 0);
    image[3] = 3;
    image[4] = 2;
    image[5] = 2;
    image[6] = 1;
    StoreLE32(image.data() + padded, XorChecksum(image.data(), padded / 4));
    EXPECT_EQ(CallSlot(device, 8, handle, static_cast<const BYTE*>(image.data()), DWORD(image.size()), ULONG_PTR(0),
                       ULONG_PTR(0)),
              S_OK);
    image[6] = 0;  // checksum no longer matches
    EXPECT_LT(CallSlot(device, 8, handle, static_cast<const BYTE*>(image.data()), DWORD(image.size()), ULONG_PTR(0),
                       ULONG_PTR(0)),
              0);
    size = 20;
    ASSERT_EQ(CallSlot(device, 18, handle, status, &size, DWORD(1), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(status[11] & 6, 4) << "cutting";
    uint8_t progress[12] = {};
    size = 12;
    ASSERT_EQ(CallSlot(device, 18, handle, progress, &size, DWORD(3), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(LoadBE32(progress + 4), 270000u);
    EXPECT_EQ(LoadBE16(progress + 8), 2u);
    EXPECT_FALSE(sink.lines.empty()) << "the box reported the cutter module through the sink";
    EXPECT_EQ(CallSlot(device, 24, handle, ULONG_PTR(0)), S_OK);

    // Handles: a second one is refused, a released one no longer works.
    DWORD another = 0;
    EXPECT_LT(CallSlot(device, 3, ULONG_PTR(0), &another, ULONG_PTR(0), ULONG_PTR(0)), 0);
    EXPECT_EQ(CallSlot(device, 4, handle, ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    size = 20;
    EXPECT_LT(CallSlot(device, 18, handle, status, &size, DWORD(1), ULONG_PTR(0)), 0);
    length = 4;
    EXPECT_LT(CallSlot(device, 17, handle, DWORD(0), status, &length), 0);

    // Everything released: the library lets go of the sink, and the trace ends with no live object.
    EXPECT_EQ(CallSlot(machine, 2), HRESULT(0));
    EXPECT_EQ(CallSlot(registry, 2), HRESULT(0));
    EXPECT_EQ(CallSlot(device, 2), HRESULT(0));
    EXPECT_EQ(CallSlot(system, 2), HRESULT(0));
    EXPECT_EQ(sink.count, 1);
    dll.Unload();

    const std::vector<std::string> trace = Lines(dll.trace);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "live objects: 0");
    std::string all;
    for (const std::string& l : trace) all += l + "\n";
    for (const char* op : {"TamberCOCreateInstance", "Initialise", "OpenDevice", "AcquireHandle", "ReleaseHandle",
                           "SetMessageSink", "DownloadCutterModule", "QueryMode", "SetMode", "TestReady",
                           "GetTargetInfo", "WriteMemory", "ReadMemory", "GetStatus", "GetConfiguration", "Reset",
                           "OpenKey", "QueryValue", "QueryInterface", "AddRef", "Release", "Reserved6", "Notify"})
        EXPECT_NE(all.find(std::string(" ") + op + " "), std::string::npos) << op << " missing from the trace";
    EXPECT_NE(all.find(" WriteMemory handle=1 address=0xFFE00 length=512 -> 0x00000000\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" TamberCOCreateInstance clsid={12345678-9D14-11CF-9A59-00AA002676D3} iid=IID_EmulatorSystem "
                       "out=- -> 0x80040111\n"),
              std::string::npos);
}

TEST(TamberCo, SettingsRoundTripFirstRunAndUnknownKeys)
{
    const std::string home = NewFolder("settings");
    {
        Library dll(home);
        void* out = nullptr;
        ASSERT_EQ(dll.create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out), S_OK);
        auto* registry = static_cast<SettingsRegistry*>(out);
        SettingsKey* machine = nullptr;
        SettingsKey* user = nullptr;
        ASSERT_EQ(registry->OpenKey("\\\\Machine\\CDModules", &machine), S_OK);
        ASSERT_EQ(registry->OpenKey("\\\\User\\Cadrel", &user), S_OK);

        // First run on a fresh machine.
        DWORD probed = 0;
        EXPECT_EQ(QueryText(machine, "Path", &probed), home + "\\Modules");
        EXPECT_EQ(probed, home.size() + 9) << "size probe counts the terminator";
        EXPECT_EQ(QueryText(machine, "Modules"), "SatCD100400000;DexCD100300010;");
        EXPECT_EQ(QueryText(machine, "ModsInstalled"), "SatCD100400000;DexCD100300010;");
        char def[4] = {};
        DWORD size = 4;
        EXPECT_EQ(machine->QueryValue("DefModule", reinterpret_cast<BYTE*>(def), &size), S_OK);
        EXPECT_STREQ(def, "Sat");
        EXPECT_EQ(std::filesystem::file_size(home + "\\Modules\\SatCD100.bin"), 40000u);
        EXPECT_EQ(std::filesystem::file_size(home + "\\Modules\\DexCD100.bin"), 30001u);
        EXPECT_TRUE(std::filesystem::exists(home + "\\Modules\\cutcd004.bin"));

        // Round trips, a missing value, and key paths that are not keys.
        EXPECT_EQ(machine->SetValue("Modules", "SatCD120400000;"), S_OK);
        EXPECT_EQ(QueryText(machine, "Modules"), "SatCD120400000;");
        BYTE placement[44];
        for (int i = 0; i < 44; ++i) placement[i] = BYTE(i * 5 + 1);
        EXPECT_EQ(user->SetBinaryValue("WindowPos", placement, 44), S_OK);
        BYTE back[44] = {};
        size = 44;
        EXPECT_EQ(user->QueryBinaryValue("WindowPos", back, &size), S_OK);
        EXPECT_EQ(std::memcmp(back, placement, 44), 0);
        size = 44;
        EXPECT_LT(user->QueryBinaryValue("NoSuchValue", back, &size), 0);
        EXPECT_EQ(size, 0u) << "a missing value leaves size 0";
        EXPECT_EQ(QueryText(user, "NoSuchValue"), "<size 0>");
        for (const char* bad : {"\\\\Software\\Cadrel", "Machine\\CDModules", "\\\\User\\", "", "\\\\User\\..\\x"}) {
            SettingsKey* key = reinterpret_cast<SettingsKey*>(0x77);
            EXPECT_LT(registry->OpenKey(bad, &key), 0) << bad;
            EXPECT_EQ(key, nullptr) << bad;
        }
        user->Release();
        machine->Release();
        registry->Release();
    }
    {
        // A second run reads what the first wrote, and seeds nothing over it.
        Library dll(home);
        void* out = nullptr;
        ASSERT_EQ(dll.create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out), S_OK);
        auto* registry = static_cast<SettingsRegistry*>(out);
        SettingsKey* machine = nullptr;
        ASSERT_EQ(registry->OpenKey("\\\\Machine\\CDModules", &machine), S_OK);
        EXPECT_EQ(QueryText(machine, "Modules"), "SatCD120400000;");
        machine->Release();
        registry->Release();
        dll.Unload();
        EXPECT_EQ(Lines(dll.trace).back(), "live objects: 0");
    }
    {
        // Tests that want an unseeded machine say so in their scenario.
        const std::string bare = NewFolder("bare");
        Library dll(bare, "[settings]\nseed_defaults = false\n");
        void* out = nullptr;
        ASSERT_EQ(dll.create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out), S_OK);
        auto* registry = static_cast<SettingsRegistry*>(out);
        SettingsKey* machine = nullptr;
        ASSERT_EQ(registry->OpenKey("\\\\Machine\\CDModules", &machine), S_OK);
        EXPECT_EQ(QueryText(machine, "Path"), "<size 0>");
        EXPECT_FALSE(std::filesystem::exists(bare + "\\Modules"));
        registry->Release();
        // The key is left alive on purpose: the trace must say so when the library goes.
        dll.Unload();
        EXPECT_EQ(Lines(dll.trace).back(), "live objects: 1");
    }
}

TEST(TamberCo, ScenarioFaultsReachTheInterfacesAndABadScenarioIsTraced)
{
    const std::string home = NewFolder("faults");
    {
        Library dll(home, R"(
[[fault]]
op = "TamberCOCreateInstance.SettingsRegistry"
nth = 2
[[fault]]
op = "OpenKey"
nth = 1
result = 0x80070005
[[fault]]
op = "TestReady"
busy_forever = true
[[fault]]
op = "GetStatus.1"
random = true
seed = 5
)");
        void* out = nullptr;
        std::vector<HRESULT> results;
        std::vector<IUnknown*> made;
        for (int i = 0; i < 3; ++i) {
            results.push_back(dll.create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out));
            if (results.back() >= 0) made.push_back(static_cast<IUnknown*>(out));
        }
        EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, E_FAIL, S_OK}));
        auto* registry = static_cast<SettingsRegistry*>(static_cast<void*>(made[0]));
        SettingsKey* key = nullptr;
        EXPECT_EQ(registry->OpenKey("\\\\User\\Cadrel", &key), HRESULT(0x80070005));
        ASSERT_EQ(registry->OpenKey("\\\\User\\Cadrel", &key), S_OK);
        key->Release();
        for (IUnknown* u : made) u->Release();

        ASSERT_EQ(dll.create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, &out), S_OK);
        auto* system = static_cast<EmulatorSystem*>(out);
        ASSERT_EQ(system->OpenDevice(IID_EmulatorDevice, &out, 0, 0, 0), S_OK);
        auto* device = static_cast<EmulatorDevice*>(out);
        DWORD handle = 0;
        ASSERT_EQ(device->AcquireHandle(0, &handle, 0, 0), S_OK);
        Sleep(300);
        EXPECT_LT(device->TestReady(handle, 0), 0) << "busy for ever";
        uint8_t a[20], b[20];
        DWORD size = 20;
        EXPECT_EQ(device->GetStatus(handle, a, &size, 1, 0), S_OK);
        EXPECT_EQ(device->GetStatus(handle, b, &size, 1, 0), S_OK);
        EXPECT_NE(std::memcmp(a, b, 20), 0) << "random blocks";
        device->ReleaseHandle(handle, 0, 0);
        device->Release();
        system->Release();
    }
    {
        const std::string other = NewFolder("bad-scenario");
        Library dll(other, "[target]\nkinds = 2\n");
        void* out = reinterpret_cast<void*>(0x99);
        EXPECT_LT(dll.create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, &out), 0);
        EXPECT_EQ(out, nullptr);
        dll.Unload();
        std::string all;
        for (const std::string& l : Lines(dll.trace)) all += l + "\n";
        EXPECT_NE(all.find("scenario error: "), std::string::npos) << all;
        EXPECT_NE(all.find("unknown key 'kinds'"), std::string::npos) << all;
    }
}
