// Analysis of the first navigation pack of a file: the GCI (HD DVD
// encryption and copy control) and the DSI (VOB number, stream counts,
// start and end PTM of the VOB's video, duration).
#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "base/message_log.h"
#include "engine/run_state.h"

namespace klarvex {

// Offsets from the first byte after the substream id.
namespace gci {
constexpr int kEncryption = 12;
constexpr int kCopyControlValid = 24;
constexpr int kCopyControlValues = 26;
}  // namespace gci

namespace dsi {
constexpr int kVobNumber = 24;        // VOBU_VOB_IDN
constexpr int kVobStartPtm = 44;      // VOB_V_S_PTM
constexpr int kVobEndPtm = 48;        // VOB_V_E_PTM
constexpr int kAudioSyncDvd = 402;    // 8 x 16 bits
constexpr int kSubSyncDvd = 418;      // 32 x 32 bits
constexpr int kAudioSyncHdDvd = 530;  // the HD DVD DSI is 128 bytes longer before these
constexpr int kSubSyncHdDvd = 546;
}  // namespace dsi

// The stream counts that the walker reports with the VOB number.
struct StreamCounts {
  int video = 0;
  int audio = 0;
  int subpicture = 0;
};

// Logs the encryption and copy-control flags; sets `encrypted` when the
// title is.
void AnalyseGci(const ByteView& view, int64_t base, MessageLog& log, bool& encrypted);

struct DsiContext {
  bool readMode = false;
  bool dvdLayout = false;  // a ".VOB" source: the DVD offsets of the sync tables
  StreamCounts* counts = nullptr;
  RunState* run = nullptr;
  MessageLog* log = nullptr;
};

void AnalyseDsi(const ByteView& view, int64_t base, const DsiContext& context);

}  // namespace klarvex
