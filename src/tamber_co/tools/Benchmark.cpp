// Cost of the model's hot paths: the median time of one call (a status poll, a handle taken and
// given back, a record block written with its SRAM file), and a whole x4 cut of a 270000-sector
// disc polled every 100 ms of model time with a manual clock. On Windows the calls are measured
// twice, on a box of the process's own and on one shared through the named objects, whose
// difference is what sharing costs. Not a test: it prints figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "model/VirtualEmulator.h"
#ifdef _WIN32
#include "store/NamedBoxShare.h"
#endif

namespace {

double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

std::vector<uint8_t> CutterImage(uint8_t speed, uint8_t test)
{
    std::vector<uint8_t> image(1024 + 4, 0x5A);
    image[3] = 3;
    image[4] = 2;
    image[5] = speed;
    image[6] = test;
    StoreLE32(image.data() + 1024, XorChecksum(image.data(), 256));
    return image;
}

// Median of each call's own time, in microseconds.
double MedianMicroseconds(int calls, const std::function<void()>& call)
{
    std::vector<double> times(size_t(calls), 0.0);
    for (double& t : times) {
        const auto t0 = std::chrono::steady_clock::now();
        call();
        t = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
    }
    std::nth_element(times.begin(), times.begin() + calls / 2, times.end());
    return times[size_t(calls / 2)];
}

// A good Saturn module, so the polls see a drive that boots and plays.
void InstallModule(VirtualEmulator& box, uint32_t handle, std::vector<uint8_t>& block)
{
    std::vector<uint8_t> module(40000, 0x3C);
    block.assign(512, 0);
    box.WriteMemory(handle, 0xF3E00 - 40000, module.data(), 40000);
    uint32_t tableLength = 256;
    box.ReadMemory(handle, 0xFFF00, block.data() + 256, &tableLength);
    StoreBE16(block.data(), 4);
    StoreBE16(block.data() + 2, 1);
    StoreBE16(block.data() + 22, 2);
    StoreBE32(block.data() + 30, 0xF3E00 - 40000);
    StoreBE32(block.data() + 34, 40000);
    StoreLE32(block.data() + 38, XorChecksum(module.data(), 10000));
    StoreLE32(block.data() + 508, XorChecksum(block.data(), 127));
    box.WriteMemory(handle, 0xFFE00, block.data(), 512);
}

void MeasureCalls(const char* what, BoxShare* share, const std::string& stateDir)
{
    const Scenario scenario = DefaultScenario();
    FaultPlan faults;
    ManualClock clock;
    VirtualEmulator box(scenario, clock, faults, stateDir, share);
    uint32_t handle = 0;
    box.AcquireHandle(&handle);
    std::vector<uint8_t> block;
    InstallModule(box, handle, block);
    uint8_t status[20];
    int polls = 0;
    const double poll = MedianMicroseconds(200000, [&] {
        uint32_t size = 20;
        box.GetStatus(handle, status, &size, 1);
        if ((++polls & 1023) == 0) clock.Advance(100);
    });
    const double lock = MedianMicroseconds(20000, [&] {
        box.ReleaseHandle(handle);
        box.AcquireHandle(&handle);
    });
    const double write = MedianMicroseconds(200, [&] { box.WriteMemory(handle, 0xFFE00, block.data(), 512); });
    std::printf("%s: GetStatus %.3f us, ReleaseHandle + AcquireHandle %.3f us, WriteMemory of 512 bytes %.1f us "
                "(median per call; drive state %u, error 0x%04X)\n",
                what, poll, lock, write, status[10], unsigned(status[12] << 8 | status[13]));
}

}  // namespace

int main()
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tamber-bench-box";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    MeasureCalls("own box", nullptr, folder.string());
#ifdef _WIN32
    std::string error;
    std::unique_ptr<BoxShare> share = OpenNamedBox(folder.string(), error);
    if (share) MeasureCalls("shared box", share.get(), folder.string());
    else std::printf("shared box: %s\n", error.c_str());
    share.reset();
#endif
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    const Scenario scenario = DefaultScenario();
    FaultPlan faults;
    ManualClock cutClock;
    VirtualEmulator cutter(scenario, cutClock, faults);
    uint32_t handle = 0;
    cutter.AcquireHandle(&handle);
    const std::vector<uint8_t> image = CutterImage(2, 0);
    const double c0 = CpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    cutter.DownloadCutterModule(handle, image.data(), uint32_t(image.size()));
    long polls = 0;
    uint8_t status[20];
    for (;;) {
        uint32_t size = 20;
        cutter.GetStatus(handle, status, &size, 1);
        ++polls;
        if ((status[11] & 6) != 4 && polls > 1) break;
        cutClock.Advance(100);
    }
    const double cpu = (CpuSeconds() - c0) * 1000;
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - w0).count();
    // std::clock is coarse on Windows; the elapsed time bounds the CPU time from above.
    std::printf("x4 cut of %u sectors: %ld polls, 100 ms of model time per poll, %.2f ms CPU, %.2f ms elapsed\n",
                cutter.DiscSectors(), polls, cpu, wall);
    return 0;
}
