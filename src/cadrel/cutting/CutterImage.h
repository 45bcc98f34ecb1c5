// The image that starts a cut: the cutter module file with the cut's settings in bytes 3 to 6,
// zero padding to whole words and the little-endian checksum after them.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t CutterModuleLimit = 49152;                 // longer files are cut to this
constexpr size_t CutterImageCapacity = CutterModuleLimit + 4;  // room for the checksum

struct CutSettings {
    uint32_t cutter;           // 1-based positions in the device table
    uint32_t emulationDevice;
    int speedIndex;            // 0 x1, 1 x2, 2 x4
    int testMode;              // 1 test, 0 real cut
};

// image holds CutterImageCapacity bytes, the file's first fileLength bytes at its start.
// Returns the length to send: the file rounded up to whole words, plus 4.
size_t BuildCutterImage(uint8_t* image, size_t fileLength, const CutSettings& settings);
