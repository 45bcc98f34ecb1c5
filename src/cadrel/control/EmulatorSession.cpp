#include "control/EmulatorSession.h"
#include <cstring>
#include "control/BoundedWait.h"
#include "control/Presenter.h"
#include "emulator/ErrorTable.h"
#include "emulator/StatusBlock.h"
#include "modules/RecordBlock.h"

EmulatorSession::EmulatorSession(Presenter& presenter, TamberCOCreateInstanceFn factory)
    : presenter_(presenter), library_(factory)
{
}

const char* EmulatorSession::OpenFailureText(OpenResult result)
{
    if (result == SettingsFailed)
        return "The CD Emulator Settings in the machine's registry are incorrect";
    return "An Error Has Occurred with the CD Emulator.\n\nPlease Ensure the Tamber_CO and Tambercde Dll files\n"
           "are correctly installed and that the emulator\nis connected and switched on.";
}

EmulatorSession::OpenResult EmulatorSession::Open(EmulatorSink* sink)
{
    sink_ = ComRef<EmulatorSink>::Share(sink);
    if (library_.CreateInstance(CLSID_EmulatorSystem, IID_EmulatorSystem, system_.ReceiveAny()) < 0) {
        system_.Forget();
        return EmulatorFailed;
    }
    if (system_->Initialise(sink_.Get(), 0, 0, 0) < 0)
        return EmulatorFailed;
    if (system_->OpenDevice(IID_EmulatorDevice, device_.ReceiveAny(), 0, 0, 0) < 0) {
        device_.Forget();
        return EmulatorFailed;
    }
    // The reference the session keeps from here on is the sink's own answer for its interface.
    ComRef<EmulatorSink> own;
    if (sink_->QueryInterface(IID_EmulatorSink, own.ReceiveAny()) < 0) {
        own.Forget();
        return EmulatorFailed;
    }
    sink_ = std::move(own);
    if (device_->SetMessageSink(sink_.Get(), 0, 0, 0, 0, 0) < 0)
        return EmulatorFailed;
    if (device_->GetConfiguration(&configuration_[0], &configuration_[1], 0, 0, 0) < 0)
        return EmulatorFailed;

    if (library_.CreateInstance(CLSID_SettingsRegistry, IID_SettingsRegistry, registry_.ReceiveAny()) < 0) {
        registry_.Forget();
        return SettingsFailed;
    }
    if (registry_->OpenKey("\\\\Machine\\CDModules", machineKey_.Receive()) < 0) {
        machineKey_.Forget();
        return SettingsFailed;
    }
    if (registry_->OpenKey("\\\\User\\Cadrel", userKey_.Receive()) < 0) {
        userKey_.Forget();
        return SettingsFailed;
    }
    lock_ = std::make_unique<DeviceLock>(device_.Get(), presenter_);
    return Opened;
}

void EmulatorSession::Close()
{
    lock_.reset();
    sink_.Reset();
    device_.Reset();
    system_.Reset();
    registry_.Reset();
    machineKey_.Reset();
    userKey_.Reset();
}

// A refused read keeps the block as it was: cleared, it would say "no target" and make a Saturn's
// drive states read as a PlayStation's for the rest of the session.
void EmulatorSession::ReadTarget()
{
    lock_->Lock(true);
    uint8_t block[TargetBlockSize] = {};
    DWORD size = sizeof block;
    if (const DWORD handle = lock_->GetHandle())
        if (device_->GetTargetInfo(handle, block, &size, 0) >= 0 && size <= sizeof block)
            memcpy(targetBlock_, block, sizeof block);
    lock_->Lock(false);
}

int EmulatorSession::ReadRecordBlock(uint8_t* block)
{
    memset(block, 0, RecordBlockSize);
    const DWORD handle = lock_->GetHandle();
    BoundedWait wait(StartupReadBoundMs, [&] {
        DWORD length = RecordBlockSize;
        return device_->ReadMemory(handle, RecordBlockAddress, block, &length) >= 0;
    });
    if (handle != 0 && wait.Run() == WaitEnd::Done)
        return 1;
    memset(block, 0, RecordBlockSize);
    PostLine(presenter_, "WARNING, the module record data could not be read from the CD Emulator. "
                         "Check that it is switched on and connected, then start Cadrel again.");
    return 0;
}

int EmulatorSession::SwitchMode(int mode)
{
    const DWORD handle = lock_->Lock(true);
    int result = 0;
    uint8_t query[2] = {};
    uint8_t second[2] = {};
    if (handle != 0 && device_->QueryMode(handle, query, sizeof query, second, 0) >= 0)
        result = device_->SetMode(handle, ModeWord(emulationDevice_, configuration_[0], DWORD(mode)), 0) >= 0;
    lock_->Lock(false);
    return result;
}

int EmulatorSession::Reset(Presenter& presenter)
{
    const DWORD handle = lock_->Lock(true);
    const int reset = handle != 0 && device_->Reset(handle, 0) >= 0;
    if (!reset)
        presenter.Line(ResetFailedWarning);
    lock_->Lock(false);
    return reset;
}

void EmulatorSession::WaitUntilReady(Presenter& presenter)
{
    const DWORD handle = lock_->Lock(true);
    if (handle != 0) {
        // One try while the box is known to be stuck: one delay and one warning in all.
        const bool stuck = lock_->StayedBusy();
        BoundedWait wait(stuck ? 0 : TestReadyBoundMs, [&] { return device_->TestReady(handle, 0) >= 0; });
        const bool answered = presenter.Wait(wait) == WaitEnd::Done;
        if (!answered && !stuck)
            PostLine(presenter, "WARNING, the CD Emulator stayed busy for %lu seconds. "
                                "If this goes on, switch the Emulator off then on again.",
                     static_cast<unsigned long>(TestReadyBoundMs / 1000));
        lock_->SetStayedBusy(!answered);
    }
    lock_->Lock(false);
}

int EmulatorSession::ReadWindowPlacement(BYTE* data, DWORD* size)
{
    return userKey_ && userKey_->QueryBinaryValue("WindowPos", data, size) >= 0;
}

void EmulatorSession::WriteWindowPlacement(const BYTE* data, DWORD size)
{
    if (userKey_)
        userKey_->SetBinaryValue("WindowPos", data, size);
}
