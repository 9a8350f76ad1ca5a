#include "ui/vti_grid_layout.h"

namespace klarvex::ui {

namespace {

constexpr int kGridFrame = 4;
constexpr int kGridGap = 6;

VtiGridPlace Below(const VtiGridPlace& above, int rows) {
  return {above.top + above.height + kGridGap, VtiGridHeight(rows)};
}

}  // namespace

int VtiGridHeight(int rows) { return rows * kVtiRowHeight + kGridFrame; }

VtiGridLayout LayOutVtiGrids(int mainAudioTop, int mainAudioRows, int subAudioRows, int subpictureRows) {
  VtiGridLayout layout;
  layout.mainAudio = {mainAudioTop, VtiGridHeight(mainAudioRows)};
  layout.subAudio = Below(layout.mainAudio, subAudioRows);
  layout.subpicture = Below(layout.subAudio, subpictureRows);
  layout.subAudioLabelTop = layout.subAudio.top + kVtiLabelDrop;
  layout.subpictureLabelTop = layout.subpicture.top + kVtiLabelDrop;
  return layout;
}

}  // namespace klarvex::ui
