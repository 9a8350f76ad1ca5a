// Where the VTI tab's three stream grids go: each as high as its rows,
// the lower two stacked under the main audio grid, and the labels
// "Sub Audio" and "Subpicture" beside their grids.
#pragma once

namespace klarvex::ui {

constexpr int kVtiRowHeight = 19;
// A caption sits this far below the top of the row or grid it names.
constexpr int kVtiLabelDrop = 4;

struct VtiGridPlace {
  int top = 0;
  int height = 0;
};

struct VtiGridLayout {
  VtiGridPlace mainAudio, subAudio, subpicture;
  int subAudioLabelTop = 0;
  int subpictureLabelTop = 0;
};

// The height of a grid of `rows` rows, its frame included.
int VtiGridHeight(int rows);
// The places of the grids under a main audio grid at `mainAudioTop`.
VtiGridLayout LayOutVtiGrids(int mainAudioTop, int mainAudioRows, int subAudioRows, int subpictureRows);

}  // namespace klarvex::ui
