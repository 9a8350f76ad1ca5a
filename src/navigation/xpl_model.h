// What the XPL tab shows after a playlist read, and the attribute tables
// that outlive it.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace klarvex {

// One top-level node of the tree `tvXPL` and the lines under it.
struct XplTreeNode {
  std::string text;
  std::vector<std::string> children;

  bool operator==(const XplTreeNode&) const = default;
};

// The media attribute items of a playlist, by their "index" 1 to 8 (entry
// 0 stays empty). A later playlist overwrites only the entries it defines,
// so they live for the whole program.
struct XplAttributeTables {
  static constexpr int kItems = 8;
  std::array<std::string, kItems + 1> VideoCodecTable;
  std::array<std::string, kItems + 1> AudioAttrTable;
  std::array<std::string, kItems + 1> SubpictureAttrTable;
};

struct XplModel {
  std::vector<std::string> mXPL;      // the tag lines: the whole playlist, or the title's
  bool mXPLVisible = true;            // hidden while a read fills it
  std::vector<XplTreeNode> tvXPL;     // "Info", "Video", "Audio", "Subtitle", "Chapter"
  std::vector<std::string> mChapter;  // the ChapterList, two lines per chapter
  bool bWriteChaps = false;           // "Write chapters"
  XplAttributeTables tables;
};

}  // namespace klarvex
