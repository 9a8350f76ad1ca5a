// The size of the VTI tab's three stream grids, taken from their texts and
// font: rows as high as the font needs, each column as wide as its widest
// cell in any of the grids, so they line up, and each grid exactly as large
// as its cells, so nothing in it is cut and it never scrolls inside.
#pragma once

#include <span>

class QTableWidget;

namespace klarvex::ui {

// The row height the window was laid out with for its 8-point font; a
// taller font gets taller rows.
constexpr int kVtiRowHeight = 19;

// Sizes the grids (their columns, rows and fixed size) to their cells.
void FitVtiGrids(std::span<QTableWidget* const> grids);

}  // namespace klarvex::ui
