// tamber_co.dll slot by slot: factory, QueryInterface, references, every operation, no object left.
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include "StateFolder.h"
#include "com/ComBase.h"

// No C++ exception may unwind through a call into the program: what every object answers at any
// moment, and the words of the trace, are noexcept, and the compiler holds them to it.
static_assert(noexcept(std::declval<ComObject<SettingsKey>&>().QueryInterface(IID_Unknown, nullptr)) &&
              noexcept(std::declval<ComObject<SettingsKey>&>().AddRef()) && noexcept(std::declval<ComObject<SettingsKey>&>().Release()) &&
              noexcept(Shown(nullptr)) && noexcept(GuidName(IID_Unknown)));

namespace {

constexpr GUID IID_IUnknownId = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID SomeOtherId = {0x12345678, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};

// Calls the operation in vtable slot `slot` directly, so the slot numbers are checked and not
// only the names in the shared header.
template <typename... Args>
HRESULT CallSlot(void* object, int slot, Args... args)
{
    using Fn = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
    return reinterpret_cast<Fn>((*static_cast<void***>(object))[slot])(object, args...);
}

// The program's side of the callback: counts its references.
class TestSink : public EmulatorSink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++count); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--count); }
    HRESULT STDMETHODCALLTYPE Notify(DWORD, char*) override { return S_OK; }
    long count = 1;
};

// QueryValue as the program calls it: a size probe, then a buffer of the size it gave.
std::string QueryText(void* key, const char* name)
{
    DWORD size = 0;
    CallSlot(key, 3, name, static_cast<BYTE*>(nullptr), &size);
    if (size == 0) return "<size 0>";
    std::string buffer(size, 'x');
    EXPECT_TRUE(CallSlot(key, 3, name, reinterpret_cast<BYTE*>(buffer.data()), &size) == S_OK && buffer.back() == '\0')
        << "the size probe counts the terminator";
    return buffer.substr(0, buffer.size() - 1);
}

}  // namespace

TEST(TamberCo, EverySlotThroughTheFactoryAndNoObjectLeftAlive)
{
    const StateFolder folder("tamber-co-", true);
    const std::string& home = folder.Home();
    const HMODULE dll = LoadLibraryA("tamber_co.dll");
    const TamberCOCreateInstanceFn create = FactoryOf(dll);
    ASSERT_NE(create, nullptr);

    const struct { const GUID *clsid, *iid; HRESULT result; } factory[] = {
        {&SomeOtherId, &IID_EmulatorSystem, CLASS_E_CLASSNOTAVAILABLE},
        {&CLSID_SettingsRegistry, &IID_EmulatorSystem, E_NOINTERFACE},
    };
    for (const auto& c : factory) {
        void* out = reinterpret_cast<void*>(0x1234);
        EXPECT_TRUE(create(*c.clsid, 0, 0, *c.iid, &out) == c.result && out == nullptr) << "a failed factory call gives no object";
    }
    void *system = nullptr, *registry = nullptr, *device = nullptr, *machine = nullptr;
    ASSERT_EQ(create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, &system), S_OK);
    ASSERT_EQ(create(CLSID_SettingsRegistry, 0, 0, IID_IUnknownId, &registry), S_OK);
    TestSink sink;
    EXPECT_EQ(CallSlot(system, 3, static_cast<EmulatorSink*>(&sink), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(sink.count, 2) << "Initialise keeps the sink";
    ASSERT_EQ(CallSlot(system, 4, &IID_EmulatorDevice, &device, ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    ASSERT_EQ(CallSlot(registry, 10, "\\\\Machine\\CDModules", &machine), S_OK);

    // Every object answers its own id and IUnknown with one more reference, and nothing else.
    const struct { void* object; const GUID* own; } objects[] = {
        {system, &IID_EmulatorSystem}, {device, &IID_EmulatorDevice}, {registry, &IID_SettingsRegistry}, {machine, &IID_SettingsKey}};
    for (const auto& o : objects) {
        for (const GUID* id : {&IID_IUnknownId, o.own}) {
            void* answer = nullptr;
            EXPECT_TRUE(CallSlot(o.object, 0, id, &answer) == S_OK && answer == o.object);
            EXPECT_EQ(CallSlot(o.object, 2), HRESULT(1)) << "QueryInterface added one reference";
        }
        for (const GUID* id : {&SomeOtherId, &IID_EmulatorSink, &IID_EmulatorDevice, &IID_SettingsKey}) {
            void* untouched = reinterpret_cast<void*>(0x5151);
            EXPECT_TRUE(id == o.own || (CallSlot(o.object, 0, id, &untouched) == E_NOINTERFACE && untouched == reinterpret_cast<void*>(0x5151)))
                << "another id is refused and the out pointer left alone";
        }
        EXPECT_EQ(CallSlot(o.object, 1), HRESULT(2)) << "AddRef gives the new count";
        EXPECT_EQ(CallSlot(o.object, 2), HRESULT(1)) << "Release gives the new count";
    }
    for (int slot : {6, 7, 11, 12, 15, 19, 20, 22, 23}) EXPECT_EQ(CallSlot(device, slot), E_NOTIMPL) << slot;
    for (int slot : {3, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(CallSlot(registry, slot), E_NOTIMPL) << slot;
    for (int slot : {5, 6, 7}) EXPECT_EQ(CallSlot(machine, slot), E_NOTIMPL) << slot;

    // One handle at a time, refused once given back. (Each operation's effect is seen end to end.)
    DWORD handle = 0, second = 0, size = 20;
    BYTE status[20] = {};
    ASSERT_EQ(CallSlot(device, 3, ULONG_PTR(0), &handle, ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_LT(CallSlot(device, 3, ULONG_PTR(0), &second, ULONG_PTR(0), ULONG_PTR(0)), 0) << "one handle at a time";
    EXPECT_EQ(CallSlot(device, 5, static_cast<EmulatorSink*>(&sink), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_EQ(CallSlot(device, 4, handle, ULONG_PTR(0), ULONG_PTR(0)), S_OK);
    EXPECT_LT(CallSlot(device, 18, handle, status, &size, DWORD(1), ULONG_PTR(0)), 0) << "released handle refused";

    // The settings: missing values and bad paths. (Round trips are seen end to end.)
    EXPECT_EQ(QueryText(machine, "Path"), home + "\\Modules") << "the first-run value";
    EXPECT_EQ(CallSlot(machine, 4, "Modules", "SatCD120400000;"), S_OK);
    EXPECT_LT(CallSlot(machine, 4, std::string(200, 'N').c_str(), static_cast<const char*>(nullptr)), 0);
    BYTE back[44] = {};
    EXPECT_EQ(QueryText(machine, "NoSuchValue"), "<size 0>");
    for (const char* name : {"NoSuchValue", "Modules"})  // a string is not read as binary
        EXPECT_TRUE(CallSlot(machine, 8, name, back, &(size = 44)) < 0 && size == 0) << name;
    for (const char* bad : {"\\\\Software\\Cadrel", "Machine\\CDModules", "\\\\User\\", "\\\\User\\..\\x", "",
                            "\\\\User\\a/b", "\\\\User\\a:b"}) {
        void* key = reinterpret_cast<void*>(0x77);
        EXPECT_TRUE(CallSlot(registry, 10, bad, &key) < 0 && key == nullptr) << bad << " is not a key";
    }

    // Everything released: the library lets go of the sink, and the trace ends with no live object.
    // (The trace of each operation is read by the end-to-end tests.)
    for (void* object : {machine, registry, device, system}) EXPECT_EQ(CallSlot(object, 2), HRESULT(0));
    EXPECT_EQ(sink.count, 1) << "the sink's references given back";
    FreeLibrary(dll);
    std::ifstream in(folder.TracePath());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), "live objects: 0\n");
    // The trace's words are made in fixed buffers: objects by kind and number, long texts shortened.
    for (const std::string& part : {std::string(" AddRef object=EmulatorDevice#"), "name=\"" + std::string(120, 'N') + "...\" text=\"(null)\""})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}
