// What the cut panel shows of a running cut, from the status block's position.
#pragma once
#include <cstdint>

struct CutProgress {
    uint32_t position;      // sectors, from the BCD minutes, seconds and frames of bytes 7 to 9
    uint32_t barPosition;   // position / 100, never past the total's
    uint32_t secondsLeft;   // 0 once the position reaches the total
};

CutProgress ComputeCutProgress(const uint8_t* statusBlock, uint32_t total, int speedIndex);

// Sectors to cut from the 12-byte cut progress block: end sector minus first sector.
uint32_t CutTotal(const uint8_t* progressBlock);
