#include "ui/vti_grid_layout.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <vector>

namespace klarvex::ui {

namespace {

// Room above and below a line of text in a row, and beside the margins the
// view keeps around a cell's text, so no text touches a grid line.
constexpr int kRowPadding = 6;
constexpr int kColumnPadding = 4;

int VtiRowHeight(int fontHeight) { return std::max(kVtiRowHeight, fontHeight + kRowPadding); }

}  // namespace

void FitVtiGrids(std::span<QTableWidget* const> grids) {
  if (grids.empty()) return;
  int columns = 0;
  for (const QTableWidget* grid : grids) columns = std::max(columns, grid->columnCount());
  // The view measures every cell with its own font, the bold headings
  // included (public only through the base class).
  std::vector<int> widths(static_cast<size_t>(columns), 0);
  for (const QAbstractItemView* grid : grids)
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      widths[static_cast<size_t>(c)] =
          std::max(widths[static_cast<size_t>(c)], grid->sizeHintForColumn(c) + kColumnPadding);
  for (QTableWidget* grid : grids) {
    grid->verticalHeader()->setDefaultSectionSize(VtiRowHeight(grid->fontMetrics().height()));
    int width = 0;
    for (int c = 0; c < grid->columnCount(); ++c) {
      grid->setColumnWidth(c, widths[static_cast<size_t>(c)]);
      width += widths[static_cast<size_t>(c)];
    }
    int height = 0;
    for (int r = 0; r < grid->rowCount(); ++r) height += grid->rowHeight(r);
    const int frame = 2 * grid->frameWidth();
    grid->setFixedSize(width + frame, height + frame);
  }
}

}  // namespace klarvex::ui
