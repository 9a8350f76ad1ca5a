// The XPL tab: the title's tree beside its tags, the hidden chapter list
// and Write chapters, and the mirroring of the model's XPL part into them.
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
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
  return page;
}

void TfMain::syncXpl() {
  const XplModel& xpl = state_.xpl;
  bWriteChaps->setEnabled(xpl.bWriteChaps);
  mXPL->setVisible(xpl.mXPLVisible);
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
  }
  if (xpl.mChapter != shownXpl_.mChapter) {
    SetLines(mChapter, xpl.mChapter);
    shownXpl_.mChapter = xpl.mChapter;
  }
}

}  // namespace klarvex::ui
