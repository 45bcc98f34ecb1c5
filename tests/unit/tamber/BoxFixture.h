// A virtual box on a manual clock, and the program's way of putting modules into it.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "model/VirtualEmulator.h"

// Scenario parts are written with designated initialisers; the fields left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

struct Status {
    uint8_t b[20] = {};
    uint8_t activity() const { return b[11] & 6; }
    uint8_t state() const { return b[10]; }
    uint16_t error() const { return LoadBE16(b + 12); }
};

class BoxTest : public ::testing::Test {
protected:
    static Scenario Kind(uint8_t targetKind) { Scenario s = DefaultScenario(); s.targetKind = targetKind; return s; }
    void Start(const Scenario& s = DefaultScenario())
    {
        faults = std::make_unique<FaultPlan>(s.faults);
        box = std::make_unique<VirtualEmulator>(s, clock, *faults);
        ASSERT_EQ(box->AcquireHandle(&handle), 0);
    }
    Status Poll()
    {
        Status s;
        uint32_t size = 20;
        EXPECT_EQ(box->GetStatus(handle, s.b, &size, 1), 0);
        return s;
    }

    struct Module { uint16_t code; size_t size; uint8_t seed; };
    // What the program does: images downward from 0xF3E00, then the record block with the
    // device table read back from the box and the block checksum.
    void Install(const std::vector<Module>& modules, bool corruptFirstImage = false)
    {
        std::vector<uint8_t> block(512, 0);
        StoreBE16(block.data(), 4);
        StoreBE16(block.data() + 2, uint16_t(modules.size()));
        uint32_t next = 0xF3E00;
        for (size_t i = 0; i < modules.size(); ++i) {
            std::vector<uint8_t> image(modules[i].size);
            for (size_t k = 0; k < image.size(); ++k) image[k] = uint8_t(k * 7 + modules[i].seed);
            next -= uint32_t(image.size());
            ASSERT_EQ(box->WriteMemory(handle, next, image.data(), uint32_t(image.size())), 0);
            uint8_t* e = block.data() + 22 + 20 * i;
            StoreBE16(e, modules[i].code);
            e[2] = 1;
            StoreBE32(e + 8, next);
            StoreBE32(e + 12, uint32_t(image.size()));
            StoreLE32(e + 16, XorChecksum(image.data(), image.size() / 4) ^ (corruptFirstImage && i == 0));
        }
        uint32_t length = 256;
        ASSERT_EQ(box->ReadMemory(handle, 0xFFF00, block.data() + 256, &length), 0);
        StoreLE32(block.data() + 508, XorChecksum(block.data(), 127));
        ASSERT_EQ(box->WriteMemory(handle, 0xFFE00, block.data(), 512), 0);
    }
    // Cutter image as the program builds it from the cutter module file.
    static std::vector<uint8_t> CutterImage(uint8_t cutter, uint8_t source, uint8_t speed, uint8_t test,
                                            size_t fileSize = 1001)
    {
        const size_t padded = (fileSize + 3) / 4 * 4;
        std::vector<uint8_t> image(padded + 4, 0);
        for (size_t i = 0; i < fileSize; ++i) image[i] = uint8_t(i * 13 + 5);
        image[3] = cutter, image[4] = source, image[5] = speed, image[6] = test;
        StoreLE32(image.data() + padded, XorChecksum(image.data(), padded / 4));
        return image;
    }
    int32_t Download(const std::vector<uint8_t>& image) { return box->DownloadCutterModule(handle, image.data(), uint32_t(image.size())); }

    ManualClock clock;
    std::unique_ptr<FaultPlan> faults;
    std::unique_ptr<VirtualEmulator> box;
    uint32_t handle = 0;
};
