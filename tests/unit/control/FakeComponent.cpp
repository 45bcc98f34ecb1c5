#include "FakeComponent.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace {

FakeComponent* current = nullptr;
constexpr int64_t CallMs = 5;  // model time each device call takes

template <class Interface>
class Counted : public Interface {
public:
    explicit Counted(FakeComponent& fake) : fake_(fake) {}
    virtual ~Counted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --count_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    FakeComponent& fake_;
    ULONG count_ = 1;
};

class Device final : public Counted<EmulatorDevice> {
public:
    using Counted::Counted;
    HRESULT Box(const char* op, int32_t result)
    {
        for (std::string& line : fake_.Box().TakeMessages())
            if (sink_)
                sink_->Notify(1, line.data());
        fake_.Clock().Advance(CallMs);
        return fake_.Log(op, result);
    }
    HRESULT STDMETHODCALLTYPE AcquireHandle(ULONG_PTR, DWORD* h, ULONG_PTR, ULONG_PTR) override { return Box("AcquireHandle", fake_.Box().AcquireHandle(h)); }
    HRESULT STDMETHODCALLTYPE ReleaseHandle(DWORD h, ULONG_PTR, ULONG_PTR) override { return Box("ReleaseHandle", fake_.Box().ReleaseHandle(h)); }
    HRESULT STDMETHODCALLTYPE SetMessageSink(EmulatorSink* s, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { sink_ = s; return S_OK; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DownloadCutterModule(DWORD h, const BYTE* image, DWORD length, ULONG_PTR, ULONG_PTR) override { return Box("DownloadCutterModule", fake_.Box().DownloadCutterModule(h, image, length)); }
    HRESULT STDMETHODCALLTYPE QueryMode(DWORD h, BYTE* b, DWORD n, BYTE* s, ULONG_PTR) override { return Box("QueryMode", fake_.Box().QueryMode(h, b, n, s)); }
    HRESULT STDMETHODCALLTYPE SetMode(DWORD h, DWORD word, ULONG_PTR) override { return Box("SetMode", fake_.Box().SetMode(h, word)); }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TestReady(DWORD h, ULONG_PTR) override { return Box("TestReady", fake_.Box().TestReady(h)); }
    HRESULT STDMETHODCALLTYPE GetTargetInfo(DWORD h, BYTE* b, DWORD* n, ULONG_PTR) override { return Box("GetTargetInfo", fake_.Box().GetTargetInfo(h, b, n)); }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteMemory(DWORD h, DWORD a, const BYTE* d, DWORD n) override
    {
        const std::string op = "WriteMemory " + std::to_string(a) + " " + std::to_string(n);
        return Box(op.c_str(), fake_.Box().WriteMemory(h, a, d, n));
    }
    HRESULT STDMETHODCALLTYPE ReadMemory(DWORD h, DWORD a, BYTE* b, DWORD* n) override { return Box("ReadMemory", fake_.Box().ReadMemory(h, a, b, n)); }
    HRESULT STDMETHODCALLTYPE GetStatus(DWORD h, BYTE* b, DWORD* n, DWORD kind, ULONG_PTR) override
    {
        const std::string op = "GetStatus." + std::to_string(kind);
        return Box(op.c_str(), fake_.Box().GetStatus(h, b, n, kind));
    }
    HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved20() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConfiguration(DWORD* v, DWORD* s, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return Box("GetConfiguration", fake_.Box().GetConfiguration(v, s)); }
    HRESULT STDMETHODCALLTYPE Reserved22() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved23() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset(DWORD h, ULONG_PTR) override { return Box("Reset", fake_.Box().Reset(h)); }

private:
    EmulatorSink* sink_ = nullptr;
};

class System final : public Counted<EmulatorSystem> {
public:
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE Initialise(EmulatorSink*, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OpenDevice(REFIID, void** out, ULONG_PTR, ULONG_PTR, ULONG_PTR) override
    {
        *out = static_cast<EmulatorDevice*>(new Device(fake_));
        return S_OK;
    }
};

class Key final : public Counted<SettingsKey> {
public:
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE QueryValue(const char* name, BYTE* buffer, DWORD* size) override
    {
        auto it = fake_.Settings().find(name);
        const DWORD needed = it == fake_.Settings().end() ? 0 : DWORD(it->second.size() + 1);
        if (!needed || !buffer || *size < needed) {
            *size = needed;
            return needed ? S_OK : E_FAIL;
        }
        memcpy(buffer, it->second.c_str(), needed);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(const char* name, const char* text) override
    {
        fake_.Settings()[name] = text;
        return fake_.Log((std::string("SetValue.") + name).c_str(), S_OK);
    }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryBinaryValue(const char*, BYTE*, DWORD*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetBinaryValue(const char*, const BYTE*, DWORD) override { return S_OK; }
};

class Registry final : public Counted<SettingsRegistry> {
public:
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenKey(const char*, SettingsKey** key) override
    {
        *key = new Key(fake_);
        return S_OK;
    }
};

HRESULT STDMETHODCALLTYPE CreateCurrent(REFCLSID clsid, ULONG_PTR, ULONG_PTR, REFIID iid, void** out)
{
    return current ? current->Create(clsid, iid, out) : E_FAIL;
}

}  // namespace

FakeComponent::FakeComponent(const std::string& scenarioToml)
{
    std::string error;
    scenario_ = DefaultScenario();
    EXPECT_TRUE(ParseScenario(scenarioToml, scenario_, error)) << error;
    faults_ = std::make_unique<FaultPlan>(scenario_.faults);
    box_ = std::make_unique<VirtualEmulator>(scenario_, clock_, *faults_);
    current = this;
}

FakeComponent::~FakeComponent()
{
    if (current == this)
        current = nullptr;
}

TamberCOCreateInstanceFn FakeComponent::Factory() { return CreateCurrent; }

HRESULT FakeComponent::Create(REFCLSID clsid, REFIID, void** out)
{
    if (IsEqualGUID(clsid, CLSID_EmulatorSystem))
        *out = static_cast<EmulatorSystem*>(new System(*this));
    else
        *out = static_cast<SettingsRegistry*>(new Registry(*this));
    return S_OK;
}

HRESULT FakeComponent::Log(const char* op, HRESULT result)
{
    char text[32];
    snprintf(text, sizeof text, " %08X", unsigned(result));
    calls_.push_back(op + std::string(text));
    return result;
}

int FakeComponent::Count(const std::string& op) const
{
    int n = 0;
    for (const std::string& call : calls_)
        n += call.compare(0, op.size() + 1, op + " ") == 0;
    return n;
}
