#include "control/CutStarter.h"
#include <cstdio>
#include <cstring>
#include "common/ByteOrder.h"
#include "control/EmulatorSession.h"
#include "control/Presenter.h"
#include "cutting/CutProgress.h"
#include "cutting/CutterImage.h"

namespace {
constexpr uint16_t CutterNotReady = 0x8200;
// A window ends each pause at its own poll (every 100 ms while it waits); this is the longest a
// pause may last when no poll comes.
constexpr DWORD WaitPollMs = 150;
}  // namespace

CutStarter::CutStarter(EmulatorSession& session, CutWaitBounds bounds, uint32_t cutter, uint32_t emulationDevice,
                       char* const* moduleDirectory, const char* again)
    : session_(session), bounds_(bounds), cutter_(cutter), emulationDevice_(emulationDevice),
      moduleDirectory_(moduleDirectory), again_(again)
{
}

int CutStarter::ReadImage(int speedIndex, int testMode, Presenter& presenter)
{
    image_.assign(CutterImageCapacity, 0);
    char path[MAX_PATH];
    const char* directory = *moduleDirectory_ ? *moduleDirectory_ : "";
    const int written = snprintf(path, sizeof path, "%s\\%s", directory, "cutcd004.bin");
    FILE* file = written > 0 && size_t(written) < sizeof path ? fopen(path, "rb") : nullptr;
    if (!file) {
        presenter.Problem("Error", "Cutter Module not present");
        return 0;
    }
    const size_t read = fread(image_.data(), 1, CutterModuleLimit, file);
    const bool failed = ferror(file) != 0;
    fclose(file);
    char text[MAX_PATH + 200];
    if (failed) {
        snprintf(text, sizeof text, "The Cutter Module %s could not be read.\n\n"
                 "Check that no other program holds it open, then %s.", path, again_);
        presenter.Problem("Error", text);
        return 0;
    }
    if (read == 0) {
        snprintf(text, sizeof text, "The Cutter Module %s is empty.\n\n"
                 "Copy a good cutcd004.bin into the module directory, then %s.", path, again_);
        presenter.Problem("Error", text);
        return 0;
    }
    image_.resize(BuildCutterImage(image_.data(), read, CutSettings{cutter_, emulationDevice_, speedIndex, testMode}));
    return 1;
}

CutStarter::Outcome CutStarter::Begin(Presenter& presenter)
{
    Outcome outcome;
    DeviceLock& lock = session_.Lock();
    const DWORD handle = lock.Lock(true);
    if (handle == 0 || session_.Device()->DownloadCutterModule(handle, image_.data(), DWORD(image_.size()), 0, 0) < 0) {
        presenter.Problem("Error", "Unable to download the Cutter Module");
        lock.Lock(false);
        return outcome;
    }
    session_.WaitUntilReady(presenter);
    if (WaitForCut(handle, outcome.status, presenter, &outcome.end) != WaitEnd::Done) {
        GiveUp(outcome.end, presenter);
        lock.Lock(false);
        return outcome;
    }
    const RunningCut cut = ReadRunningCut();
    outcome.totalKnown = cut.known;
    outcome.total = cut.total;
    lock.Lock(false);
    return outcome;
}

// First until the box answers for the cutter, then, after one prompt when it has no blank, until
// the blank went in; the status block the last try read stays in status.
WaitEnd CutStarter::WaitForCut(DWORD handle, uint8_t* status, Presenter& presenter, End* why)
{
    EmulatorDevice* device = session_.Device();
    DWORD size = StatusBlockSize;
    auto cutting = [&] { return (status[11] & 6) == 4; };
    auto read = [&] {
        memset(status, 0, StatusBlockSize);
        size = StatusBlockSize;
        device->GetStatus(handle, status, &size, StatusKindStatus, 0);
    };
    BoundedWait forCutter(bounds_.noCutterMs, WaitPollMs, "Waiting for the CD Emulator to start the cut...", [&] {
        read();
        return cutting() || LoadBE16(status + 12) == CutterNotReady;
    });
    WaitEnd end = presenter.Wait(forCutter);
    *why = end == WaitEnd::TimedOut ? NoCutter : GaveUp;
    if (end == WaitEnd::Done && LoadBE16(status + 12) == CutterNotReady) {
        BoundedWait forBlank(bounds_.noBlankMs, WaitPollMs, "Waiting for a Gold Disc in the Cutter Drive...", [&] {
            read();
            return cutting();
        });
        forBlank.Before([&] {
            presenter.Problem("Insert Disk", "Please insert a Gold Disc into the Cutter Drive");
            device->GetStatus(handle, status, &size, StatusKindErrorDetail, 0);
        });
        end = presenter.Wait(forBlank);
        *why = end == WaitEnd::TimedOut ? NoBlank : GaveUp;
    }
    if (end == WaitEnd::Closing)
        *why = ProgramClosing;
    if (end == WaitEnd::Done)
        *why = Began;
    return end;
}

void CutStarter::GiveUp(End why, Presenter& presenter)
{
    // The box still holds the cutter module and would cut as soon as a blank went in.
    const int reset = session_.Reset(presenter);
    switch (why) {
    case NoCutter:
        PostLine(presenter, "WARNING, the CD Emulator did not start the cut within %lu seconds. "
                 "Check that the Cutter Drive is connected and switched on, then %s.",
                 static_cast<unsigned long>(bounds_.noCutterMs / 1000), again_);
        break;
    case NoBlank:
        PostLine(presenter, "WARNING, no Gold Disc was inserted within %lu seconds, so no cut was made. "
                 "Put a blank Gold Disc into the Cutter Drive, then %s.",
                 static_cast<unsigned long>(bounds_.noBlankMs / 1000), again_);
        break;
    case GaveUp:
        presenter.Line(reset ? "Cut stopped before it began: nothing was written, and the CD Emulator was reset."
                             : "Cut stopped before it began: nothing was written.");
        break;
    default:  // the program is ending: nobody to tell
        break;
    }
}

bool CutStarter::ReadProgressBlock(uint8_t* block)
{
    DWORD size = CutProgressBlockSize;
    DeviceLock& lock = session_.Lock();
    const DWORD handle = lock.Lock(true);
    const bool read = handle != 0 && session_.Device()->GetStatus(handle, block, &size, StatusKindCutProgress, 0) >= 0 &&
                      size <= CutProgressBlockSize;
    lock.Lock(false);
    return read;
}

CutStarter::RunningCut CutStarter::ReadRunningCut()
{
    uint8_t block[CutProgressBlockSize] = {};
    const bool known = ReadProgressBlock(block);
    return RunningCut{known, LoadBE16(block + 8), LoadBE16(block + 10), CutTotal(block)};
}
