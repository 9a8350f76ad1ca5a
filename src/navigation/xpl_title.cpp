#include "navigation/xpl_title.h"

#include <array>

#include "base/text_format.h"
#include "navigation/xpl_chapters.h"
#include "navigation/xpl_text.h"

namespace klarvex {

namespace {

enum Node { kInfo, kVideo, kAudio, kSubtitle, kChapter };

constexpr int kVideoTracks = 16, kAudioTracks = 16, kSubtitleTracks = 32;

bool HoldsUpper(const std::string& upperLine, const char* word) { return upperLine.find(word) != std::string::npos; }

// Builds the view line by line; a stream named twice is taken once.
class TitleViewBuilder {
 public:
  explicit TitleViewBuilder(const XplAttributeTables& tables) : tables_(tables) {
    for (const char* text : {"Info", "Video", "Audio", "Subtitle", "Chapter"}) view_.tree.push_back({text, {}});
  }

  void addLine(const std::string& line);
  XplTitleView take() { return std::move(view_); }
  void info(const std::string& text) { view_.tree[kInfo].children.push_back(text); }

 private:
  void addTrack(XplTrackKind kind, int number, const std::string& name, const std::string& line = "");
  // The table entry for the line's "mediaAttr"; false when it has no entry.
  bool mediaAttribute(const std::string& line, const std::array<std::string, XplAttributeTables::kItems + 1>& table,
                      std::string& attribute) const;

  const XplAttributeTables& tables_;
  XplTitleView view_;
  std::array<bool, kVideoTracks> videoTaken_{};
  std::array<bool, kAudioTracks> audioTaken_{};
  std::array<bool, kSubtitleTracks> subtitleTaken_{};
  int chapterNumber_ = 1;
};

bool TitleViewBuilder::mediaAttribute(const std::string& line,
                                      const std::array<std::string, XplAttributeTables::kItems + 1>& table,
                                      std::string& attribute) const {
  int index = GetIntAttr(line, "mediaAttr");
  if (index < 1 || index > XplAttributeTables::kItems) return false;
  attribute = table[static_cast<size_t>(index)];
  return true;
}

// Track and stream numbers count from 1; a number without a stream slot
// names nothing and is dropped before any arithmetic on it (a playlist may
// say -2147483648).
bool HasSlot(int number, int limit) { return number >= 1 && number <= limit; }

void TitleViewBuilder::addTrack(XplTrackKind kind, int number, const std::string& name, const std::string& line) {
  bool* taken = kind == XplTrackKind::Video   ? &videoTaken_[0]
                : kind == XplTrackKind::Audio ? &audioTaken_[0]
                                              : &subtitleTaken_[0];
  if (taken[number - 1]) return;
  taken[number - 1] = true;
  const Node node = kind == XplTrackKind::Video ? kVideo : kind == XplTrackKind::Audio ? kAudio : kSubtitle;
  view_.tree[node].children.push_back(name);
  const std::string langcode = GetAttr(line, "langcode");
  view_.tracks.push_back(
      {kind, number - 1, name, langcode.substr(0, langcode.find(':')), GetAttr(line, "description")});
}

void TitleViewBuilder::addLine(const std::string& line) {
  const std::string upper = UpperCase(line);
  std::string attribute;
  if (HoldsUpper(upper, "<TITLE ")) {
    view_.name = GetAttr(line, "displayName");
    info("Name: " + view_.name);
    info("Duration: " + GetAttr(line, "titleDuration"));
  }
  if (HoldsUpper(upper, "<VIDEO ") && mediaAttribute(line, tables_.VideoCodecTable, attribute)) {
    int track = GetIntAttr(line, "track");
    if (HasSlot(track, kVideoTracks)) addTrack(XplTrackKind::Video, track, attribute + ".s" + IntText(track - 1));
  }
  if (HoldsUpper(upper, "<AUDIO ") && mediaAttribute(line, tables_.AudioAttrTable, attribute)) {
    int stream = GetIntAttr(line, "streamNumber");
    if (HasSlot(stream, kAudioTracks))
      addTrack(XplTrackKind::Audio, stream,
               attribute + ".s" + PadNum(stream - 1, 2) + "." + GetAttr(line, "description"), line);
  }
  if (HoldsUpper(upper, "<SUBTITLE ") && mediaAttribute(line, tables_.SubpictureAttrTable, attribute)) {
    int stream = GetIntAttr(line, "streamNumber");
    if (HasSlot(stream, kSubtitleTracks))
      addTrack(XplTrackKind::Subtitle, stream,
               attribute + ".s" + PadNum(stream - 1, 2) + "." + GetAttr(line, "description"), line);
  }
  if (HoldsUpper(upper, "<CHAPTER ")) {
    const std::string name = GetAttr(line, "displayName"), begin = GetAttr(line, "titleTimeBegin");
    view_.tree[kChapter].children.push_back(begin + ": " + name);
    AddChapter(view_.chapters, chapterNumber_++, name, begin);
  }
}

}  // namespace

bool CutToTitle(std::vector<std::string>& lines, const std::string& sourceBase) {
  if (sourceBase.empty()) return false;
  size_t found = 0;
  while (found < lines.size() && lines[found].find(sourceBase) == std::string::npos) ++found;
  if (found == lines.size() || found == 0) return false;
  size_t first = found;
  while (first > 0 && !HoldsUpper(UpperCase(lines[first - 1]), "<TITLE ")) --first;
  if (first > 0) lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first - 1));
  for (size_t last = 0; last < lines.size(); ++last) {
    if (HoldsUpper(UpperCase(lines[last]), "</TITLE")) {
      lines.resize(last + 1);
      break;
    }
  }
  return true;
}

XplTitleView BuildTitleView(const std::vector<std::string>& lines, const XplAttributeTables& tables,
                            const XplPlaylistValues& values) {
  TitleViewBuilder builder(tables);
  if (!values.title.empty()) builder.info("Title: " + values.title);
  for (const std::string& line : lines) builder.addLine(line);
  builder.info("TimeBase: " + values.timeBase);
  builder.info("TickBase: " + values.tickBase);
  return builder.take();
}

}  // namespace klarvex
