#include "cutting/CutProgress.h"
#include "common/ByteOrder.h"
#include "emulator/StatusBlock.h"

CutProgress ComputeCutProgress(const uint8_t* statusBlock, uint32_t total, int speedIndex)
{
    CutProgress progress{};
    progress.position =
        uint32_t((BcdValue(statusBlock[7]) * 60 + BcdValue(statusBlock[8])) * 75 + BcdValue(statusBlock[9]));
    const uint32_t factor = speedIndex > 0 ? uint32_t(2 * speedIndex) : 1;
    // A position past the total shows a full bar and nothing left, not a wrapped count.
    const uint32_t shown = progress.position < total ? progress.position : total;
    progress.barPosition = shown / 100;
    progress.secondsLeft = (total / factor - shown / factor) / 75;
    return progress;
}

uint32_t CutTotal(const uint8_t* progressBlock)
{
    return LoadBE32(progressBlock + 4) - LoadBE32(progressBlock);
}
