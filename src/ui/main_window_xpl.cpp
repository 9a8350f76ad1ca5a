// The XPL tab: the title's tree beside its tags, the hidden chapter list
// and Write chapters, and the mirroring of the model's XPL part into them.
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>

#include "ui/main_window.h"
#include "ui/widget_helpers.h"

namespace klarvex::ui {

namespace {

void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << Q(line);
  memo->setPlainText(text.join('\n'));
}

}  // namespace

QWidget* TfMain::buildXplPage() {
  auto* page = Named(new QWidget, "tsXPL");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  splXPL = Named(new QSplitter(Qt::Horizontal), "splXPL");
  tvXPL = Named(new QTreeWidget, "tvXPL", "The title's streams and chapters");
  tvXPL->setHeaderHidden(true);
  tvXPL->setMinimumWidth(50);  // the splitter never makes the tree narrower
  mXPL = Named(new QPlainTextEdit, "mXPL", "The title's tags in the playlist");
  mXPL->setReadOnly(true);
  mXPL->setLineWrapMode(QPlainTextEdit::NoWrap);
  splXPL->addWidget(tvXPL);
  splXPL->addWidget(mXPL);
  splXPL->setChildrenCollapsible(false);
  splXPL->setStretchFactor(1, 1);
  mChapter = Named(new QPlainTextEdit, "mChapter");
  mChapter->hide();
  bWriteChaps = Button("Write chapters", "bWriteChaps", "Write the chapters to a text file in the output folder");
  bWriteChaps->setEnabled(false);
  grid->addWidget(bWriteChaps, 0, 1);
  grid->addWidget(splXPL, 1, 0, 1, 2);
  grid->addWidget(mChapter, 2, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  connect(bWriteChaps, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bWriteChapsClick(); }); });
  connect(splXPL, &QSplitter::splitterMoved, this, [this] { treeWidthChosen_ = true; });
  return page;
}

void TfMain::syncXpl() {
  const XplModel& xpl = state_.xpl;
  bWriteChaps->setEnabled(xpl.bWriteChaps);
  bool fit = false;  // the tree's entries or the room beside them changed
  if (mXPL->isHidden() == xpl.mXPLVisible) {
    // Hidden, the tags give their room to the tree, and shown again they
    // don't take it back: the widths are kept across.
    if (!xpl.mXPLVisible) xplWidths_ = splXPL->sizes();
    mXPL->setVisible(xpl.mXPLVisible);
    if (xpl.mXPLVisible && !xplWidths_.isEmpty()) splXPL->setSizes(xplWidths_);
    fit = xpl.mXPLVisible;
  }
  if (xpl.mXPL != shownXpl_.mXPL) {
    SetLines(mXPL, xpl.mXPL);
    shownXpl_.mXPL = xpl.mXPL;
  }
  if (xpl.tvXPL != shownXpl_.tvXPL) {
    tvXPL->clear();
    for (const XplTreeNode& node : xpl.tvXPL) {
      auto* item = new QTreeWidgetItem(tvXPL, {Q(node.text)});
      for (const std::string& child : node.children) new QTreeWidgetItem(item, {Q(child)});
    }
    tvXPL->expandAll();
    shownXpl_.tvXPL = xpl.tvXPL;
    fit = true;
  }
  if (xpl.mChapter != shownXpl_.mChapter) {
    SetLines(mChapter, xpl.mChapter);
    shownXpl_.mChapter = xpl.mChapter;
  }
  if (fit) fitTreeWidth();
}

void TfMain::fitTreeWidth() {
  if (treeWidthChosen_ || mXPL->isHidden() || tvXPL->topLevelItemCount() == 0) return;
  // The widest entry with its indent (the tree's own override of this is
  // protected), the frame, and room for a scroll bar whether shown or not;
  // never narrower than designed, never more than half the window.
  const QAbstractItemView* view = tvXPL;
  const int entries = view->sizeHintForColumn(0) + 2 * tvXPL->frameWidth() +
                      tvXPL->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tvXPL);
  const int total = splXPL->width();
  const int tree =
      std::clamp(entries, WindowSettings::kDesignedTreeWidth, std::max(total / 2, WindowSettings::kDesignedTreeWidth));
  splXPL->setSizes({tree, std::max(total - tree, 1)});
}

}  // namespace klarvex::ui
