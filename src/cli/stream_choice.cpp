#include "cli/stream_choice.h"

#include <sstream>

#include "engine/stream_table.h"

namespace klarvex::cli {

std::optional<std::vector<StreamChoice>> ParseStreamList(const std::string& list, std::string& error) {
  std::vector<StreamChoice> choices;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    if (item.size() < 2 || item.size() > 3 || item.find_first_not_of("0123456789", 1) != std::string::npos) {
      error = "bad stream \"" + item + "\" (use v0, v1, a0 to a15, s0 to s31)";
      return std::nullopt;
    }
    int number = std::stoi(item.substr(1));
    int limit = 0;
    Section section = Section::Video;
    switch (item[0]) {
      case 'v':
        section = Section::Video, limit = StreamTable::kVideoStreams;
        break;
      case 'a':
        section = Section::Audio, limit = StreamTable::kAudioStreams;
        break;
      case 's':
        section = Section::Subpicture, limit = StreamTable::kSubpictureStreams;
        break;
      default:
        limit = 0;
    }
    if (number >= limit) {
      error = "bad stream \"" + item + "\" (use v0, v1, a0 to a15, s0 to s31)";
      return std::nullopt;
    }
    choices.push_back({section, number, item});
  }
  if (choices.empty()) {
    error = "--streams needs at least one stream";
    return std::nullopt;
  }
  return choices;
}

}  // namespace klarvex::cli
