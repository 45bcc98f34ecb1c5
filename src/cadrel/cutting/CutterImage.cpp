#include "cutting/CutterImage.h"
#include <cstring>
#include "common/ByteOrder.h"
#include "common/Checksum.h"

size_t BuildCutterImage(uint8_t* image, size_t fileLength, const CutSettings& settings)
{
    const size_t n = fileLength < CutterModuleLimit ? fileLength : CutterModuleLimit;
    std::memset(image + n, 0, CutterImageCapacity - n);
    image[3] = uint8_t(settings.cutter);
    image[4] = uint8_t(settings.emulationDevice);
    image[5] = uint8_t(settings.speedIndex);
    image[6] = uint8_t(settings.testMode);
    const size_t padded = (n + 3) / 4 * 4;
    StoreLE32(image + padded, XorChecksum(image, padded / 4));
    return padded + 4;
}
