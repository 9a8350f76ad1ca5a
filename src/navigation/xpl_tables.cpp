#include "navigation/xpl_tables.h"

#include "navigation/xpl_text.h"

namespace klarvex {

namespace {

bool Holds(const std::string& line, const char* word) { return line.find(word) != std::string::npos; }

// The closing tags </Playlist> and </TitleSet> carry no attributes: they
// must not wipe what the opening tags gave.
bool IsClosingTag(const std::string& line) {
  size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && line.compare(first, 2, "</") == 0;
}

// Entries outside 1 to 8 have no place in a table and are dropped.
void Store(std::array<std::string, XplAttributeTables::kItems + 1>& table, const std::string& line, std::string value) {
  int index = GetIntAttr(line, "index");
  if (index >= 1 && index <= XplAttributeTables::kItems) table[static_cast<size_t>(index)] = std::move(value);
}

std::string AudioAttribute(const std::string& line) {
  std::string channels = GetAttr(line, "channels");
  std::string codec = GetAttr(line, "codec");
  return channels.empty() ? codec : codec + "." + channels + "ch";
}

}  // namespace

void ApplyAttributeLine(const std::string& line, XplAttributeTables& tables, XplPlaylistValues& values) {
  const bool closing = IsClosingTag(line);
  if (Holds(line, "Playlist") && !closing) values.title = GetAttr(line, "displayName");
  if (Holds(line, "TitleSet") && !closing) {
    values.timeBase = GetAttr(line, "timeBase");
    values.tickBase = GetAttr(line, "tickBase");
  }
  if (Holds(line, "VideoAttributeItem")) Store(tables.VideoCodecTable, line, GetAttr(line, "codec"));
  if (Holds(line, "AudioAttributeItem")) Store(tables.AudioAttrTable, line, AudioAttribute(line));
  if (Holds(line, "SubpictureAttributeItem")) Store(tables.SubpictureAttrTable, line, GetAttr(line, "codec"));
}

}  // namespace klarvex
