// The program's callback object and the counted device lock, against a scripted device.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "UiSupport.h"
#include "emulator/DeviceLock.h"
#include "emulator/MessageSink.h"
#include "resources/ResourceIds.h"

namespace {

// A device whose handle calls follow a script; every other slot is not called by the lock.
class ScriptedDevice : public EmulatorDevice {
public:
    int acquireFailures = 0;  // how many AcquireHandle calls fail before one succeeds (-1: all)
    bool releaseFails = false;
    int acquires = 0, releases = 0;
    DWORD lastReleased = 0;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE AcquireHandle(ULONG_PTR, DWORD* handle, ULONG_PTR, ULONG_PTR) override
    {
        ++acquires;
        if (acquireFailures < 0 || acquires <= acquireFailures)
            return E_FAIL;
        *handle = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseHandle(DWORD handle, ULONG_PTR, ULONG_PTR) override
    {
        ++releases;
        lastReleased = handle;
        return releaseFails ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMessageSink(EmulatorSink*, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DownloadCutterModule(DWORD, const BYTE*, DWORD, ULONG_PTR, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryMode(DWORD, BYTE*, DWORD, BYTE*, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMode(DWORD, DWORD, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TestReady(DWORD, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTargetInfo(DWORD, BYTE*, DWORD*, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteMemory(DWORD, DWORD, const BYTE*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReadMemory(DWORD, DWORD, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(DWORD, BYTE*, DWORD*, DWORD, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved20() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConfiguration(DWORD*, DWORD*, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved22() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved23() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset(DWORD, ULONG_PTR) override { return E_NOTIMPL; }
};

// Collects what reaches the Messages list through a sink.
class LineCollector : public EmulatorSink {
public:
    std::vector<std::string> lines;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Notify(DWORD, char* text) override
    {
        lines.push_back(text);
        return 1;
    }
};

std::vector<std::string> ListLines(HWND dialog)
{
    std::vector<std::string> lines;
    const LRESULT count = SendDlgItemMessageA(dialog, IDC_MESSAGES, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = "";
        SendDlgItemMessageA(dialog, IDC_MESSAGES, LB_GETTEXT, WPARAM(i), LPARAM(text));
        lines.push_back(text);
    }
    return lines;
}

}  // namespace

TEST(MessageSink, OnlyKindOneReachesTheListAndQueryInterfaceAnswersItsTwoIds)
{
    TestDialog main(IDD_MAIN, nullptr);
    HWND window = main.CreateModeless();
    ASSERT_NE(window, nullptr);
    auto* sink = new MessageSink(window);
    EmulatorSink* held = nullptr;
    ASSERT_EQ(sink->QueryInterface(IID_EmulatorSink, reinterpret_cast<void**>(&held)), S_OK);
    EXPECT_EQ(held, sink);

    struct Case {
        DWORD kind;
        const char* text;
    };
    const Case cases[] = {{1, "Emulator is in Sega Saturn mode"}, {2, "not for the list"}, {0, "nor this"},
                          {1, "two\nlines"}};
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(held->Notify(c.kind, text.data()), 1) << c.text;
    }
    EXPECT_EQ(ListLines(window), (std::vector<std::string>{"Emulator is in Sega Saturn mode", "two lines"}));

    void* other = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(held->QueryInterface(IID_EmulatorDevice, &other), E_NOINTERFACE);
    EXPECT_EQ(other, reinterpret_cast<void*>(0x1234)) << "the out pointer must be left alone";
    IUnknown* unknown = nullptr;
    ASSERT_EQ(held->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(held->AddRef(), 3u) << "one reference each from the two answers, none from the refusal";
    EXPECT_EQ(held->Release(), 2u);
    unknown->Release();
    EXPECT_EQ(held->Release(), 0u);
    main.Close(0);
}

TEST(DeviceLock, NestedLevelsTakeTheHandleOnceAndGiveItBackAtTheLast)
{
    ScriptedDevice device;
    {
        DeviceLock lock(&device, nullptr);
        EXPECT_EQ(device.refs, 2) << "the lock holds the device";
        EXPECT_EQ(lock.Lock(true), 7u);
        EXPECT_EQ(lock.Lock(true), 7u);
        EXPECT_EQ(lock.Lock(true), 7u);
        EXPECT_EQ(device.acquires, 1);
        EXPECT_EQ(lock.Lock(false), 7u);
        EXPECT_EQ(lock.Lock(false), 7u);
        EXPECT_EQ(device.releases, 0);
        EXPECT_EQ(lock.Lock(false), 7u);
        EXPECT_EQ(device.releases, 1);
        EXPECT_EQ(device.lastReleased, 7u);

        device.releaseFails = true;
        lock.Lock(true);
        EXPECT_EQ(lock.Lock(false), 0u) << "a failed give-back answers 0";

        // Destroyed while held: the handle goes back.
        device.releaseFails = false;
        lock.Lock(true);
    }
    EXPECT_EQ(device.releases, 3);
    EXPECT_EQ(device.refs, 1) << "the device reference goes with the lock";
}

TEST(DeviceLock, RefusedAccessIsRetriedWithinABoundAndWarnedOnce)
{
    struct Case {
        int failures;
        DWORD handle;
        size_t warnings;
    };
    const Case cases[] = {{5, 7, 0}, {-1, 0, 1}};
    for (const Case& c : cases) {
        ScriptedDevice device;
        device.acquireFailures = c.failures;
        LineCollector lines;
        DeviceLock lock(&device, &lines);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(lock.Lock(true), c.handle) << c.failures;
        const ULONGLONG took = GetTickCount64() - start;
        lock.Lock(false);
        EXPECT_EQ(lines.lines.size(), c.warnings) << c.failures;
        if (c.failures < 0) {
            EXPECT_GE(took, 1900u);
            EXPECT_LT(took, 4000u);
            EXPECT_EQ(lines.lines[0].rfind("WARNING", 0), 0u);
            // Still refused: one try, no second wait, no second warning.
            const int before = device.acquires;
            EXPECT_EQ(lock.Lock(true), 0u);
            lock.Lock(false);
            EXPECT_EQ(device.acquires, before + 1);
            EXPECT_EQ(lines.lines.size(), 1u);
            EXPECT_EQ(device.releases, 0) << "nothing to give back";
        }
    }
}
