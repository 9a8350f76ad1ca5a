#include "cli/stream_listing.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/text_format.h"
#include "engine/stream_ids.h"

namespace klarvex::cli {

namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  // Locale-independent: JSON always uses a point.
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
  return std::string(buffer, result.ptr);
}

const char* KindName(Section section) {
  switch (section) {
    case Section::Video: return "video";
    case Section::Audio: return "audio";
    case Section::Subpicture: return "subpicture";
  }
  return "";
}

std::string StreamJson(const AppState& state, Section section, int n) {
  const StreamSlot& slot = state.engine.streams.slot(section, n);
  const StreamIdentity* identity = IdentityOfStreamId(slot.streamId);
  std::string json = "{\"kind\": " + JsonString(KindName(section)) + ", \"number\": " + IntText(n);
  json += ", \"streamId\": " + JsonString(HexText(static_cast<uint32_t>(slot.streamId), 2));
  json += ", \"type\": " + JsonString(identity ? std::string(identity->typeName) : "");
  json += ", \"caption\": " + JsonString(state.box(section, n).caption);
  if (slot.firstPtsKnown) {
    // Signed: a stream may start before the title's start PTM.
    int64_t delayMs = static_cast<int32_t>(slot.firstPts - state.engine.run.firstPtm) / 90;
    json += ", \"firstPts\": " + IntText(slot.firstPts) + ", \"delayMs\": " + IntText(delayMs);
  } else {
    json += ", \"firstPts\": null, \"delayMs\": null";
  }
  json += ", \"description\": [";
  for (size_t i = 0; i < slot.description.size(); ++i) json += (i ? ", " : "") + JsonString(slot.description[i]);
  json += "]";
  if (section == Section::Video) {
    json += ", \"frames\": " + IntText(slot.frameCount);
    json += ", \"frameRate\": " + (slot.frameRate > 0 ? JsonNumber(slot.frameRate) : std::string("null"));
  }
  return json + "}";
}

}  // namespace

bool FastCheckCutShort(const AppState& state) {
  if (!state.options.cbFastCheck) return false;
  for (const TitleFileRead& file : state.titleFiles)
    if (!file.wholeFile()) return true;
  return false;
}

std::string StreamListJson(const AppState& state) {
  std::string json = "{\n  \"source\": " + JsonString(state.eEVOfile) + ",\n  \"streams\": [";
  bool first = true;
  auto add = [&](Section section, int count) {
    for (int n = 0; n < count; ++n) {
      if (state.engine.streams.slot(section, n).streamId < 0) continue;
      json += first ? "\n    " : ",\n    ";
      json += StreamJson(state, section, n);
      first = false;
    }
  };
  add(Section::Video, StreamTable::kVideoStreams);
  add(Section::Audio, StreamTable::kAudioStreams);
  add(Section::Subpicture, StreamTable::kSubpictureStreams);
  json += first ? "]" : "\n  ]";
  json += ",\n  \"totalSeconds\": " + JsonNumber(state.engine.run.totalSeconds);
  // A fast check reads only the first part of each file: its frame counts
  // and times are partial, and the listing says so.
  json += ",\n  \"fastCheck\": " + std::string(FastCheckCutShort(state) ? "true" : "false");
  json += ",\n  \"fastCheckMiB\": " + (state.options.cbFastCheck ? IntText(state.options.ieFastSize) : "null");
  json += ",\n  \"files\": [";
  for (size_t i = 0; i < state.titleFiles.size(); ++i) {
    const TitleFileRead& file = state.titleFiles[i];
    json += (i ? ",\n    " : "\n    ") + std::string("{\"path\": ") + JsonString(file.path);
    json += ", \"size\": " + IntText(file.size) + ", \"bytesRead\": " + IntText(file.bytesRead) + "}";
  }
  json += state.titleFiles.empty() ? "]" : "\n  ]";
  return json + "\n}\n";
}

}  // namespace klarvex::cli
