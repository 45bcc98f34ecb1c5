// The program's callback object filling the Messages list, and the counted device lock against a
// scripted device. (The lock's bounded retry and its single warning are checked end to end.)
#include <string>
#include <vector>
#include "UiSupport.h"
#include "emulator/DeviceLock.h"
#include "emulator/MessageSink.h"

namespace {

// A device whose handle calls follow a script; every other slot is not called by the lock.
class ScriptedDevice : public EmulatorDevice {
public:
    bool releaseFails = false;
    int acquires = 0, releases = 0;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE AcquireHandle(ULONG_PTR, DWORD* handle, ULONG_PTR, ULONG_PTR) override
    {
        ++acquires;
        *handle = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseHandle(DWORD handle, ULONG_PTR, ULONG_PTR) override
    {
        ++releases;
        return handle == 7 && !releaseFails ? S_OK : E_FAIL;
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

}  // namespace

// The program's path for every device message: kind 1 is a line for the Messages list.
TEST(MessageSink, OnlyKindOneReachesTheListOneLineEachWithTheNewestInView)
{
    TestDialog main(IDD_MAIN, nullptr);
    HWND window = main.CreateModeless();
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_MESSAGES);
    RECT client;
    GetClientRect(list, &client);
    const int rows = int(client.bottom / SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rows, 3);
    EmulatorSink* sink = new MessageSink(window);
    sink->AddRef();
    for (int i = 0; i < 3 * rows; ++i) {
        std::string other = "not for the list", line = "File " + std::to_string(i) + " not found\nCheck the directory\n";
        EXPECT_EQ(sink->Notify(i % 2 ? 0 : 2, other.data()), 1);
        EXPECT_EQ(sink->Notify(1, line.data()), 1);
        ASSERT_EQ(i + 1, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "each kind 1 message, and only those, adds one line";
        char shown[256] = "";
        SendMessageA(list, LB_GETTEXT, i, LPARAM(shown));
        ASSERT_EQ("File " + std::to_string(i) + " not found Check the directory ", std::string(shown))
            << "line feeds must show as spaces, in the order added";
        const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        ASSERT_TRUE(top <= i && i < top + rows) << "line " << i << " is out of view; top row is " << top;
    }
    EXPECT_EQ(sink->Release(), 0u);
    main.Close(0);
}

TEST(DeviceLock, NestedLevelsTakeTheHandleOnceAndGiveItBackAtTheLast)
{
    ScriptedDevice device;
    {
        DeviceLock lock(&device, nullptr);
        EXPECT_EQ(device.refs, 2) << "the lock holds the device";
        for (int level = 0; level < 3; ++level)
            EXPECT_EQ(lock.Lock(true), 7u) << "taking level " << level;
        EXPECT_EQ(device.acquires, 1) << "the handle is taken at the first level only";
        for (int level = 2; level >= 0; --level) {
            EXPECT_EQ(device.releases, 0) << "given back before the last level was dropped";
            EXPECT_EQ(lock.Lock(false), 7u) << "dropping level " << level;
        }
        EXPECT_EQ(device.releases, 1) << "the handle goes back with the last level";

        device.releaseFails = true;
        lock.Lock(true);
        EXPECT_EQ(lock.Lock(false), 0u) << "a failed give-back answers 0";
        device.releaseFails = false;
        lock.Lock(true);  // destroyed while held: the handle goes back
    }
    EXPECT_EQ(device.releases, 3);
    EXPECT_EQ(device.refs, 1) << "the device reference goes with the lock";
}
