// Mirroring the AppState model into the widgets. Signals are held back
// while a widget is set, so that mirroring never reads as a user's change;
// a widget is touched only when its value differs, so text being typed
// keeps its cursor.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/int_edit.h"
#include "ui/main_window.h"

namespace klarvex::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void SetText(QLineEdit* edit, const std::string& text) {
  const QString value = Q(text);
  if (edit->text() != value) edit->setText(value);
}

void SetChecked(QAbstractButton* button, bool checked) {
  if (button->isChecked() != checked) button->setChecked(checked);
}

// A caption is shown as it stands: "&" is not an access key here.
QString PlainCaption(const std::string& caption) { return Q(caption).replace("&", "&&"); }

void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << Q(line);
  memo->setPlainText(text.join('\n'));
}

void FillList(QComboBox* list, const VtiList& model) {
  QStringList items;
  for (const std::string& item : model.items) items << Q(item);
  QStringList shown;
  for (int i = 0; i < list->count(); ++i) shown << list->itemText(i);
  if (shown != items) {
    list->clear();
    list->addItems(items);
  }
  list->setCurrentIndex(model.selected < list->count() ? model.selected : -1);
  list->setEnabled(model.enabled);
}

void FillGrid(QTableWidget* grid, const VtiGrid& model) {
  grid->clearContents();
  grid->setRowCount(static_cast<int>(model.rows.size()));
  for (int r = 0; r < grid->rowCount(); ++r) {
    const VtiGrid::Row& row = model.rows[static_cast<size_t>(r)];
    for (int c = 0; c < VtiGrid::kColumns && c < static_cast<int>(row.size()); ++c) {
      auto* cell = new QTableWidgetItem(Q(row[static_cast<size_t>(c)]));
      if (r == 0) {  // the heading row
        QFont bold = cell->font();
        bold.setBold(true);
        cell->setFont(bold);
        cell->setBackground(grid->palette().color(QPalette::Button));
      }
      grid->setItem(r, c, cell);
    }
  }
  grid->setFixedHeight(model.height > 0 ? model.height : grid->rowCount() * 19 + 4);
}

}  // namespace

void TfMain::stateChanged() {
  if (syncing_) return;
  syncing_ = true;
  SetText(eEVOfile, state_.eEVOfile);
  SetText(eXPLfile, state_.eXPLfile);
  syncButtons();
  syncStreamBoxes();
  syncOptions();
  syncXpl();
  syncVti();
  syncing_ = false;
}

void TfMain::syncButtons() {
  const Buttons& b = state_.buttons;
  bReadEVO->setEnabled(b.bReadEVO);
  bReadXPL->setEnabled(b.bReadXPL);
  bDemux->setEnabled(b.bDemux);
  bRebuild->setEnabled(b.bRebuild);
  bbEVO->setEnabled(b.bbEVO);
  bbXPL->setEnabled(b.bbXPL);
  bCancel->setEnabled(b.bCancel);
  ieFastSize->setEnabled(b.ieFastSize);
}

void TfMain::syncStreamBoxes() {
  auto mirror = [](QCheckBox* widget, const StreamBox& box) {
    const QSignalBlocker hold(widget);
    widget->setEnabled(box.enabled);
    SetChecked(widget, box.ticked);
    const QString caption = PlainCaption(box.caption);
    if (widget->text() != caption) widget->setText(caption);
  };
  for (int n = 0; n < AppState::kVideoBoxes; ++n) mirror(cbVideo[n], state_.videoBoxes[n]);
  for (int n = 0; n < AppState::kAudioBoxes; ++n) mirror(cbAudio[n], state_.audioBoxes[n]);
  for (int n = 0; n < AppState::kSubpictureBoxes; ++n) mirror(cbSub[n], state_.subBoxes[n]);
}

void TfMain::syncOptions() {
  const Options& o = state_.options;
  for (const auto& [box, option] : optionBoxes()) SetChecked(box, o.*option);
  for (const auto& [button, process] : autoProcessButtons()) SetChecked(button, o.autoProcess == process);
  for (const auto& [edit, option] : optionTexts()) SetText(edit, o.*option);
  // An emptied box stands for 0: it is left empty while the user types.
  if (ieFastSize->Value() != o.ieFastSize) ieFastSize->setValue(o.ieFastSize);
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

void TfMain::syncVti() {
  const VtiModel& vti = state_.vti;
  VtiModel& shown = shownVti_;
  const bool fresh = !vtiShown_;
  vtiShown_ = true;
  auto list = [fresh](QComboBox* widget, const VtiList& model, VtiList& last) {
    if (!fresh && model == last) return;
    const QSignalBlocker hold(widget);
    FillList(widget, model);
    last = model;
  };
  list(cbEVOname, vti.cbEVOname, shown.cbEVOname);
  list(cbAttrNo, vti.cbAttrNo, shown.cbAttrNo);
  list(cbAppType, vti.cbAppType, shown.cbAppType);
  list(cbA0gap, vti.cbA0gap, shown.cbA0gap);
  list(cbA1gap, vti.cbA1gap, shown.cbA1gap);
  auto videoLists = [&](std::array<QComboBox*, 5>& widgets, const VtiVideoLists& model, VtiVideoLists& last) {
    list(widgets[0], model.compression, last.compression);
    list(widgets[1], model.resolution, last.resolution);
    list(widgets[2], model.aspect, last.aspect);
    list(widgets[3], model.scanType, last.scanType);
    list(widgets[4], model.tvSystem, last.tvSystem);
  };
  videoLists(mainVideoLists, vti.main, shown.main);
  videoLists(subVideoLists, vti.sub, shown.sub);
  SetText(eEVOBname, vti.eEVOBname);
  SetText(eAddrOffs, vti.eAddrOffs);
  SetText(ieEVOsize, vti.ieEVOsize);
  SetText(ieEVOindex, vti.ieEVOindex);
  SetText(eStartPTM, vti.eStartPTM);
  SetText(eEndPTM, vti.eEndPTM);
  auto grid = [fresh](QTableWidget* widget, const VtiGrid& model, VtiGrid& last) {
    if (!fresh && model == last) return;
    FillGrid(widget, model);
    last = model;
  };
  grid(sgMainAudio, vti.sgMainAudio, shown.sgMainAudio);
  grid(sgSubAudio, vti.sgSubAudio, shown.sgSubAudio);
  grid(sgSubpicture, vti.sgSubpicture, shown.sgSubpicture);
  // The grids stack 6 pixels apart; their labels sit 4 pixels below a grid's top.
  const int base = sgMainAudio->y() - vti.sgMainAudio.top;
  sgSubAudio->move(sgSubAudio->x(), base + vti.sgSubAudio.top);
  sgSubpicture->move(sgSubpicture->x(), base + vti.sgSubpicture.top);
  lSubAudio->move(0, base + vti.lSubAudioTop);
  lSubpicture->move(0, base + vti.lSubpictureTop);
  // The scroll box scrolls when the grids outgrow it.
  QWidget* inner = sgSubpicture->parentWidget();
  inner->resize(inner->width(), sgSubpicture->y() + sgSubpicture->height() + 4);
}

}  // namespace klarvex::ui
