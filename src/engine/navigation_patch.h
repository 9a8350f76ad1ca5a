// The navigation packs of a rebuilt HD DVD title: their system header and
// DSI are made to tell what the title holds now.
#pragma once

#include <cstdint>

#include "engine/navigation_pack.h"

namespace klarvex {

// VOB_V_S_PTM and VOB_V_E_PTM as a DSI gives them.
struct VobTimes {
  uint32_t start = 0;
  uint32_t end = 0;
};

// The times in the DSI of a whole HD DVD navigation pack (the pack's first
// 2048 bytes are read, whatever they hold).
VobTimes VobTimesOf(const uint8_t* pack);

// The system header's audio and video bounds become the counts of the kept
// streams (a last pack cut short keeps whichever of the two it still holds).
// A whole pack with its DSI in place gets `times`, and the sync entries of
// the streams past the kept ones are zeroed.
void PatchNavigationPack(uint8_t* pack, int64_t n, const StreamCounts& kept, const VobTimes& times);

}  // namespace klarvex
