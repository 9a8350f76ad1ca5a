#include "cli/stream_listing.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/path_kind.h"
#include "base/text_format.h"
#include "engine/stream_ids.h"
#include "jobs/source_sequence.h"

namespace klarvex::cli {

namespace {

// Always valid UTF-8: a byte that starts no valid sequence (a Latin-1 name)
// becomes U+FFFD; the exact bytes of a path go in its "...Bytes" field.
std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const size_t length = Utf8SequenceAt(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
    } else if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out.append(text, at, length);
    }
    at += length ? length : 1;
  }
  return out + "\"";
}

bool IsValidUtf8(const std::string& text) {
  for (size_t at = 0, length; at < text.size(); at += length)
    if ((length = Utf8SequenceAt(text, at)) == 0) return false;
  return true;
}

// A path field, and beside it, for a name that is not valid UTF-8, its
// bytes percent-encoded (every byte outside printable ASCII, and "%").
std::string JsonPathFields(const std::string& field, const std::string& path) {
  std::string json = "\"" + field + "\": " + JsonString(path);
  if (IsValidUtf8(path)) return json;
  std::string bytes;
  for (unsigned char c : path) {
    if (c > 0x20 && c < 0x7F && c != '%')
      bytes.push_back(static_cast<char>(c));
    else
      bytes += "%" + HexText(c, 2);
  }
  return json + ", \"" + field + "Bytes\": " + JsonString(bytes);
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  // Locale-independent: JSON always uses a point.
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
  return std::string(buffer, result.ptr);
}

// A size, rate or count: null where it is not known (0).
std::string JsonCount(int64_t value) { return value > 0 ? IntText(value) : "null"; }

std::string JsonRatio(const std::optional<Ratio>& ratio) {
  if (!ratio) return "null";
  return "{\"numerator\": " + IntText(ratio->numerator) + ", \"denominator\": " + IntText(ratio->denominator) + "}";
}

// What the analyser found, the same fields for every kind of stream.
std::string FactsJson(const StreamFacts& facts) {
  std::string json = ", \"coding\": " + (facts.coding.empty() ? "null" : JsonString(std::string(facts.coding)));
  json += ", \"width\": " + JsonCount(facts.width) + ", \"height\": " + JsonCount(facts.height);
  json += ", \"frameRateExact\": " + JsonRatio(facts.frameRateExact);
  json += ", \"aspectRatio\": " + JsonRatio(facts.aspectRatio);
  json += ", \"interlaced\": ";
  json += facts.scan == ScanType::Unknown ? "null" : facts.scan == ScanType::Interlaced ? "true" : "false";
  json += ", \"bitRate\": " + JsonCount(facts.bitRate);
  json += ", \"channels\": " + JsonCount(facts.channels) + ", \"sampleRate\": " + JsonCount(facts.sampleRate);
  json += ", \"bitsPerSample\": " + JsonCount(facts.bitsPerSample) + ", \"rleBits\": " + JsonCount(facts.rleBits);
  return json;
}

const char* KindName(Section section) {
  switch (section) {
    case Section::Video:
      return "video";
    case Section::Audio:
      return "audio";
    case Section::Subpicture:
      return "subpicture";
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
  const StreamLabel& label = state.label(section, n);
  json += ", \"language\": " + (label.language.empty() ? "null" : JsonString(label.language));
  json += ", \"name\": " + (label.name.empty() ? "null" : JsonString(label.name));
  return json + FactsJson(slot.facts) + "}";
}

std::string TitleFilesJson(const AppState& state) {
  std::string json = "[";
  for (size_t i = 0; i < state.titleFiles.size(); ++i) {
    const TitleFileRead& file = state.titleFiles[i];
    json += std::string(i ? ",\n    " : "\n    ") + "{" + JsonPathFields("path", file.path);
    json += ", \"size\": " + IntText(file.size) + ", \"bytesRead\": " + IntText(file.bytesRead) + "}";
  }
  return json + (state.titleFiles.empty() ? "]" : "\n  ]");
}

// The first field of every document: scripts check it, and a change of
// the fields' meaning or of their form raises it.
std::string DocumentStart(const AppState& state) {
  return "{\n  \"formatVersion\": " + IntText(kJsonFormatVersion) + ",\n  " + JsonPathFields("source", state.eEVOfile);
}

// How much of the title the read saw and whether its streams are of use.
std::string ReadStateJson(const AppState& state) {
  std::string json = "\"fastCheck\": " + std::string(FastCheckCutShort(state) ? "true" : "false");
  json += ",\n  \"fastCheckMiB\": " + (state.options.cbFastCheck ? IntText(state.options.ieFastSize) : "null");
  json += ",\n  \"encrypted\": " + std::string(state.engine.run.encrypted ? "true" : "false");
  return json;
}

}  // namespace

bool FastCheckCutShort(const AppState& state) {
  if (!state.options.cbFastCheck) return false;
  for (const TitleFileRead& file : state.titleFiles)
    if (!file.wholeFile()) return true;
  return false;
}

std::string DemuxJson(const AppState& state, const std::vector<DemuxedStream>& written) {
  const RunState& run = state.engine.run;
  std::string json = DocumentStart(state) + ",\n  \"title\": {\"startPtm\": ";
  json += IntText(run.firstPtm) + ", \"durationSeconds\": " + JsonNumber(run.totalSeconds);
  const std::optional<uint32_t> video = FirstVideoPts(state.engine.streams);
  json += ", \"firstVideoPts\": " + (video ? IntText(*video) : "null") + "},";
  json += "\n  " + ReadStateJson(state) + ",";
  json += "\n  \"files\": " + TitleFilesJson(state) + ",\n  \"outputs\": [";
  for (size_t i = 0; i < written.size(); ++i) {
    const DemuxedStream& out = written[i];
    json += std::string(i ? ",\n    " : "\n    ") + "{" + JsonPathFields("path", out.path);
    if (!out.dataPath.empty()) json += ", " + JsonPathFields("dataPath", out.dataPath);
    json += ", \"form\": " + JsonString(out.form);
    const std::optional<int64_t> delay = DelayToVideoMs(state.engine.streams, out.section, out.number);
    json += ", \"videoDelayMs\": " + (delay ? IntText(*delay) : "null");
    json += ", \"stream\": " + StreamJson(state, out.section, out.number) + "}";
  }
  json += written.empty() ? "]" : "\n  ]";
  json += ",\n  \"chapters\": null";
  return json + "\n}\n";
}

std::string StreamListJson(const AppState& state) {
  std::string json = DocumentStart(state) + ",\n  \"streams\": [";
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
  json += ",\n  " + ReadStateJson(state);
  json += ",\n  \"files\": " + TitleFilesJson(state);
  return json + "\n}\n";
}

}  // namespace klarvex::cli
