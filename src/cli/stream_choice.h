// The --streams list of the command line: "v0,a1,s0" names stream boxes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/stream_ids.h"

namespace klarvex::cli {

struct StreamChoice {
  Section section;
  int number;
  std::string name;  // as the user wrote it
};

// Parses "v0,a1,s12"; nullopt (with `error` set) for a malformed list.
std::optional<std::vector<StreamChoice>> ParseStreamList(const std::string& list, std::string& error);

}  // namespace klarvex::cli
