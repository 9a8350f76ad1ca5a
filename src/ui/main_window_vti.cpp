// The VTI tab: the EVOB information at the left, the attribute lists and
// the three stream grids at the right, and the mirroring of the model's
// VTI part into them.
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTableWidget>

#include "ui/int_edit.h"
#include "ui/main_window.h"
#include "ui/vti_grid_layout.h"
#include "ui/widget_helpers.h"

namespace klarvex::ui {

namespace {

constexpr int kGridsTop = 56;   // below the two rows of video lists
constexpr int kListsLeft = 64;  // right of the row captions

QTableWidget* Grid(const char* name) {
  auto* grid = Named(new QTableWidget(2, 5), name);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(kVtiRowHeight);
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::NoSelection);
  const int widths[] = {34, 110, 76, 80, 62};
  int total = 0;
  for (int c = 0; c < 5; ++c) {
    grid->setColumnWidth(c, widths[c]);
    total += widths[c];
  }
  grid->setFixedWidth(total + 4);
  return grid;
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
}

int RowCount(const VtiGrid& grid) { return static_cast<int>(grid.rows.size()); }

}  // namespace

QWidget* TfMain::buildVtiPage() {
  auto* page = Named(new QWidget, "tsVTI");
  auto* outer = new QGridLayout(page);
  outer->setContentsMargins(4, 4, 4, 4);

  auto* top = new QHBoxLayout;
  cbEVOname = List("cbEVOname", "EVOB name");
  bReadVTI = Button("Read VTI", "bReadVTI", "Read the HVA00001.VTI beside the source");
  bsrt2VTI = Button("Streams -> ATTR", "bsrt2VTI");
  bVTI2str = Button("ATTR -> Streams", "bVTI2str");
  bSaveVTI = Button("Save VTI", "bSaveVTI");
  for (QPushButton* idle : {bsrt2VTI, bVTI2str, bSaveVTI}) idle->setEnabled(false);
  top->addWidget(new QLabel("EVOB"));
  top->addWidget(cbEVOname);
  top->addStretch(1);
  top->addWidget(bReadVTI);
  top->addWidget(bsrt2VTI);
  top->addWidget(bVTI2str);
  top->addWidget(bSaveVTI);
  outer->addLayout(top, 0, 0, 1, 2);

  auto* evobiFields = new QWidget;
  auto* form = new QGridLayout(evobiFields);
  form->setContentsMargins(2, 2, 2, 2);
  form->setVerticalSpacing(2);
  cbAppType = List("cbAppType", "Application type");
  cbA0gap = List("cbA0gap", "Audio gap of stream 0");
  cbA1gap = List("cbA1gap", "Audio gap of stream 1");
  eEVOBname = ReadOnlyEdit("eEVOBname", "Filename of the EVOB");
  eAddrOffs = ReadOnlyEdit("eAddrOffs", "EVOB address offset", 8);
  cbAttrNo = List("cbAttrNo", "EVOB attribute number");
  ieEVOsize = Named(new TIntEdit, "ieEVOsize", "EVOB size (in LBs)");
  ieEVOsize->setMaxLength(10);
  ieEVOsize->setFixedWidth(80);
  ieEVOindex = Named(new TIntEdit, "ieEVOindex", "EVOB index number");
  ieEVOsize->setReadOnly(true);
  ieEVOindex->setReadOnly(true);
  eStartPTM = ReadOnlyEdit("eStartPTM", "Start PTM", 8);
  eEndPTM = ReadOnlyEdit("eEndPTM", "End PTM", 8);
  const std::pair<const char*, QWidget*> fields[] = {
      {"Type", cbAppType},      {"Audio gap 0", cbA0gap}, {"Audio gap 1", cbA1gap}, {"File", eEVOBname},
      {"Address", eAddrOffs},   {"Attribute", cbAttrNo},  {"Size", ieEVOsize},      {"Index", ieEVOindex},
      {"Start PTM", eStartPTM}, {"End PTM", eEndPTM}};
  int row = 0;
  for (const auto& [label, widget] : fields) {
    form->addWidget(new QLabel(label), row, 0);
    form->addWidget(widget, row++, 1);
  }
  form->setRowStretch(row, 1);
  auto* evobi = Named(new QScrollArea, "ScrollBox1", "VTS_EVOBI");
  evobi->setWidget(evobiFields);
  evobi->setWidgetResizable(true);
  evobi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  evobi->setMinimumWidth(evobiFields->sizeHint().width() + 20);
  outer->addWidget(evobi, 1, 0);

  sbVTI = Named(new QScrollArea, "sbVTI", "VTS_ATR");
  auto* attributes = new QWidget;
  const char* mainNames[] = {"cbMainCompr", "cbMainRes", "cbMainAspect", "cbMainProgInt", "cbMainTV"};
  const char* subNames[] = {"cbSubCompr", "cbSubRes", "cbSubAspect", "cbSubProgInt", "cbSubTV"};
  auto videoRow = [&](const char* caption, const char* const* names, std::array<QComboBox*, 5>& lists, int y) {
    auto* label = new QLabel(caption, attributes);
    label->move(0, y + kVtiLabelDrop);
    int x = kListsLeft;
    for (int i = 0; i < 5; ++i) {
      lists[i] = List(names[i]);
      lists[i]->setParent(attributes);
      lists[i]->move(x, y);
      x += lists[i]->sizeHint().width() + 4;  // each list as wide as its longest entry
    }
  };
  videoRow("Main Video", mainNames, mainVideoLists, 0);
  videoRow("Sub Video", subNames, subVideoLists, 26);
  auto* lMainAudio = new QLabel("Main Audio", attributes);
  lMainAudio->move(0, kGridsTop + kVtiLabelDrop);
  lSubAudio = new QLabel("Sub Audio", attributes);
  lSubpicture = new QLabel("Subpicture", attributes);
  sgMainAudio = Grid("sgMainAudio");
  sgSubAudio = Grid("sgSubAudio");
  sgSubpicture = Grid("sgSubpicture");
  for (QTableWidget* grid : {sgMainAudio, sgSubAudio, sgSubpicture}) {
    grid->setParent(attributes);
    grid->move(kListsLeft, kGridsTop);
  }
  attributes->resize(kListsLeft + sgMainAudio->width() + 200, kGridsTop + 200);
  sbVTI->setWidget(attributes);
  sbVTI->setWidgetResizable(false);
  outer->addWidget(sbVTI, 1, 1);
  outer->setColumnStretch(1, 1);

  connect(cbEVOname, &QComboBox::activated, this, [this](int index) {
    state_.vti.cbEVOname.selected = index;
    jobs_.cbEVOnameChange();
  });
  connect(cbAttrNo, &QComboBox::activated, this, [this](int index) {
    state_.vti.cbAttrNo.selected = index;
    jobs_.cbAttrNoChange();
  });
  connect(bReadVTI, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bReadVTIClick(); }); });
  return page;
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
  const VtiGridLayout places =
      LayOutVtiGrids(sgMainAudio->y(), RowCount(vti.sgMainAudio), RowCount(vti.sgSubAudio), RowCount(vti.sgSubpicture));
  auto place = [](QTableWidget* widget, const VtiGridPlace& at) {
    widget->setFixedHeight(at.height);
    widget->move(widget->x(), at.top);
  };
  place(sgMainAudio, places.mainAudio);
  place(sgSubAudio, places.subAudio);
  place(sgSubpicture, places.subpicture);
  lSubAudio->move(0, places.subAudioLabelTop);
  lSubpicture->move(0, places.subpictureLabelTop);
  // The scroll box scrolls when the grids outgrow it.
  QWidget* inner = sgSubpicture->parentWidget();
  inner->resize(inner->width(), sgSubpicture->y() + sgSubpicture->height() + 4);
}

}  // namespace klarvex::ui
