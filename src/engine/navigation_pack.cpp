#include "engine/navigation_pack.h"

#include <array>
#include <string>

#include "base/text_format.h"

namespace klarvex {

namespace {

constexpr std::array<const char*, 8> kCciNames{
    "Copy Freely", "", "No More Copies", "Encryption Plus Non-Assertion", "Copy One Generation", "Copy Never", "", ""};
constexpr std::array<const char*, 8> kApsNames{
    "off", "Type 1 of APS1 is ON", "Type 2 of APS1 is ON", "Type 3 of APS1 is ON", "", "", "APS2 is ON", "APS2 is ON"};

int CountNonZero16(const ByteView& view, int64_t at, int entries) {
  int n = 0;
  for (int i = 0; i < entries; ++i) n += view.be16(at + 2 * i) != 0;
  return n;
}

int CountNonZero32(const ByteView& view, int64_t at, int entries) {
  int n = 0;
  for (int i = 0; i < entries; ++i) n += view.be32(at + 4 * i) != 0;
  return n;
}

std::string VobReport(uint16_t vobNumber, const StreamCounts& c) {
  std::string line = "VOB number " + IntText(vobNumber) + " contains [b]" + IntText(c.video) + "[/b] video ";
  line += c.subpicture > 0 ? "," : "and";
  line += " [b]" + IntText(c.audio) + "[/b] audio ";
  if (c.subpicture > 0) line += "and [b]" + IntText(c.subpicture) + "[/b] subpicture ";
  line += "stream";
  line += c.video + c.audio + c.subpicture > 1 ? "s." : ".";
  return line;
}

}  // namespace

void AnalyseGci(const ByteView& view, int64_t base, MessageLog& log, bool& encrypted) {
  if (view.at(base + gci::kEncryption) & 0xC0) {
    log.log("[b]This file is ENCRYPTED![/b] Decrypt it before any process.");
    encrypted = true;
  }
  uint8_t valid = view.at(base + gci::kCopyControlValid);
  uint8_t values = view.at(base + gci::kCopyControlValues);
  int cci = values >> 5;
  int aps = (values >> 2) & 0x07;
  if ((valid & 0x80) && cci != 0) log.log(std::string("[b]") + kCciNames[cci] + "[/b]");
  if ((valid & 0x40) && aps != 0) log.log(std::string("[b]") + kApsNames[aps] + "[/b]");
  if ((valid & 0x20) && (values & 0x02)) log.log("[b]ICT on, constrained analog output[/b]");
  if ((valid & 0x10) && (values & 0x01)) log.log("[b]DOT on, analog output not allowed[/b]");
}

void AnalyseDsi(const ByteView& view, int64_t base, const DsiContext& context) {
  StreamCounts& counts = *context.counts;
  RunState& run = *context.run;
  int64_t audioSync = base + (context.dvdLayout ? dsi::kAudioSyncDvd : dsi::kAudioSyncHdDvd);
  int64_t subSync = base + (context.dvdLayout ? dsi::kSubSyncDvd : dsi::kSubSyncHdDvd);

  if (counts.audio == 0) counts.audio = CountNonZero16(view, audioSync, 8);
  counts.subpicture = CountNonZero32(view, subSync, 32);

  uint16_t vobNumber = view.be16(base + dsi::kVobNumber);
  if (context.readMode) context.log->log(VobReport(vobNumber, counts));

  uint32_t startPtm = view.be32(base + dsi::kVobStartPtm);
  if (run.firstPtm == 0) run.firstPtm = startPtm;
  if (context.readMode) context.log->log("PTM of first video frame = [re]" + HexText(startPtm, 8) + "[/re]");

  uint32_t endPtm = view.be32(base + dsi::kVobEndPtm);
  run.lastPtm = endPtm;
  if (context.readMode) context.log->log("PTM of last video frame = " + HexText(endPtm, 8));

  uint32_t ticks = endPtm - startPtm;
  double seconds = ticks / 90000.0;
  // A VOB continued from the previous file of the title is already counted.
  VobIdentity vob{vobNumber, startPtm};
  if (!(run.previousFileVob && *run.previousFileVob == vob)) {
    run.totalSeconds += seconds;
    run.titleDuration += ticks;
  }
  run.previousFileVob = vob;
  run.fileDuration = seconds / 86400.0;
  if (context.readMode) context.log->log("Duration = [b]" + DurationText(run.fileDuration) + "[/b]");
}

}  // namespace klarvex
