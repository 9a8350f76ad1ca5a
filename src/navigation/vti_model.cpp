#include "navigation/vti_model.h"

#include "navigation/vti_view.h"

namespace klarvex {

namespace {

const std::vector<std::string> kAppTypes = {"---", "Standard VTS", "Advanced VTS", "Interoperable VTS"};
const std::vector<std::string> kAudioGaps = {"No audio gap", "Audio gap in 1.", "Audio gap in 2.",
                                             "Audio gap in 3."};
const std::vector<std::string> kCompressions = {"MPEG-1", "MPEG-2", "MPEG-4 AVC", "VC-1", "4", "5", "6", "7"};
const std::vector<std::string> kResolutions = {"352x240(288)", "352x480(576)", "480x480(576)", "544x480(576)",
                                               "704x480(576)", "720x480(576)", "--",           "--",
                                               "1280x720",     "960x1080",     "1280x1080",    "1440x1080",
                                               "1920x1080"};
const std::vector<std::string> kAspects = {"4:3", "16:9"};
const std::vector<std::string> kScanTypes = {"interlaced", "progressive"};
const std::vector<std::string> kTvSystems = {"525/60Hz", "625/50Hz", "Enhanced 60Hz", "Enhanced 50Hz"};

void FillVideoLists(VtiVideoLists& lists) {
  lists.compression.items = kCompressions;
  lists.resolution.items = kResolutions;
  lists.aspect.items = kAspects;
  lists.scanType.items = kScanTypes;
  lists.tvSystem.items = kTvSystems;
}

}  // namespace

const std::string& VtiList::selectedText() const {
  static const std::string kNothing;
  if (selected < 0 || selected >= static_cast<int>(items.size())) return kNothing;
  return items[static_cast<size_t>(selected)];
}

VtiModel::VtiModel() {
  cbAppType.items = kAppTypes;
  cbA0gap.items = kAudioGaps;
  cbA1gap.items = kAudioGaps;
  FillVideoLists(main);
  FillVideoLists(sub);
  const VtiGrid::Row audioHeadings = {"No.", "Coding", "Frequency", "Quantization", "Channels"};
  sgMainAudio.rows = {audioHeadings};
  sgSubAudio.rows = {audioHeadings};
  sgSubpicture.rows = {{"No.", "Coding", "", "", ""}};
  ClearVtiTables(*this);
}

}  // namespace klarvex
