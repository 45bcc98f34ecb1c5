// Cost of the model's hot paths: one GetStatus call, and a whole x4 cut of a 270000-sector disc
// polled every 100 ms of model time with a manual clock. Not a test: it prints figures.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "model/VirtualEmulator.h"

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

}  // namespace

int main()
{
    Scenario scenario = DefaultScenario();
    FaultPlan faults;
    ManualClock clock;
    VirtualEmulator box(scenario, clock, faults);
    uint32_t handle = 0;
    box.AcquireHandle(&handle);
    // A good Saturn module, so the polls see a drive that boots and plays.
    std::vector<uint8_t> module(40000, 0x3C), block(512, 0);
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

    uint8_t status[20];
    const int calls = 2'000'000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        uint32_t size = 20;
        box.GetStatus(handle, status, &size, 1);
        if ((i & 1023) == 0) clock.Advance(100);
    }
    const double perCall = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / calls;
    std::printf("GetStatus: %.3f microseconds per call (%d calls; last drive state %u, error 0x%04X)\n", perCall,
                calls, status[10], unsigned(status[12] << 8 | status[13]));

    ManualClock cutClock;
    VirtualEmulator cutter(scenario, cutClock, faults);
    cutter.AcquireHandle(&handle);
    const std::vector<uint8_t> image = CutterImage(2, 0);
    const double c0 = CpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    cutter.DownloadCutterModule(handle, image.data(), uint32_t(image.size()));
    long polls = 0;
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
