// What a read walk says of each stream: its "found" line, its first PTS
// and substream id, and the analyser's description, kept with the stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "engine/stream_table.h"

namespace klarvex {

// Passes an analyser's lines on to the log and keeps them, tags removed, as
// the stream's description.
class DescriptionLog : public MessageLog {
 public:
  DescriptionLog(MessageLog& log, std::vector<std::string>& description) : log_(log), description_(description) {}
  void log(const std::string& message) override;
  void slog(const std::string& text, int panel) override { log_.slog(text, panel); }
  void erslog(const std::string& text) override { log_.erslog(text); }
  void beep() override { log_.beep(); }
  void clear() override { log_.clear(); }

 private:
  MessageLog& log_;
  std::vector<std::string>& description_;
};

// "<found text>N found!" for a stream whose found text is still waiting.
void AnnounceStream(MessageLog& log, StreamSlot& slot, int number);
// Every stream still waiting, in table order: named at the end of a walk.
void AnnounceWaitingStreams(MessageLog& log, StreamTable& streams);
// "First PTS = ..." with the delay against the title's first PTM, and
// "Substream id = ..."; the stream counts as described from here on.
void ReportFirstPts(MessageLog& log, StreamSlot& slot, uint8_t idByte, uint32_t firstPtm);

}  // namespace klarvex
