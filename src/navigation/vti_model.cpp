#include "navigation/vti_model.h"

#include "navigation/vti_view.h"

namespace klarvex {

namespace {

void FillVideoLists(VtiVideoLists& lists) {
  lists.compression.items = CompressionItems();
  lists.resolution.items = ResolutionItems();
  lists.aspect.items = AspectItems();
  lists.scanType.items = ScanTypeItems();
  lists.tvSystem.items = TvSystemItems();
}

}  // namespace

const std::string& VtiList::selectedText() const {
  static const std::string kNothing;
  if (selected < 0 || selected >= static_cast<int>(items.size())) return kNothing;
  return items[static_cast<size_t>(selected)];
}

VtiModel::VtiModel() {
  cbAppType.items = AppTypeItems();
  cbA0gap.items = AudioGapItems();
  cbA1gap.items = AudioGapItems();
  FillVideoLists(main);
  FillVideoLists(sub);
  ClearVtiTables(*this);
}

}  // namespace klarvex
