// The VTI tab: the EVOB information at the left, the attribute lists and
// the three stream grids at the right, and the mirroring of the model's
// VTI part into them.
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTableWidget>
#include <algorithm>
#include <array>

#include "ui/int_edit.h"
#include "ui/main_window.h"
#include "ui/vti_grid_layout.h"
#include "ui/widget_helpers.h"

namespace klarvex::ui {

namespace {

// A caption beside a grid sits this far down, level with the grid's
// heading row.
constexpr int kGridLabelDrop = 4;
constexpr int kGridGap = 6;
// The widths of the size and index boxes at the 8-point font; they grow
// when their digits need more.
constexpr int kSizeEditWidth = 80;
constexpr int kIndexEditWidth = 33;

QTableWidget* Grid(const char* name) {
  auto* grid = Named(new QTableWidget(2, VtiGrid::kColumns), name);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::NoSelection);
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
      if (r == 0) {  // the heading row; only the weight is set, the rest follows the grid's font
        QFont bold;
        bold.setBold(true);
        cell->setFont(bold);
        cell->setBackground(grid->palette().color(QPalette::Button));
      }
      grid->setItem(r, c, cell);
    }
  }
}

// The width a list needs to show `text` beside its arrow.
int ListWidth(const QComboBox* list, const QString& text) {
  QStyleOptionComboBox option;
  option.initFrom(list);
  option.editable = list->isEditable();
  const QSize contents(list->fontMetrics().horizontalAdvance(text), list->fontMetrics().height());
  return list->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, list).width();
}

// The width an edit box needs to show `text` whole, its cursor included.
int EditWidth(const QLineEdit* edit, const QString& text) {
  constexpr int kTextMargins = 2 * 2 + 1;  // the box's margins beside the text, and the cursor
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
  const QSize contents(edit->fontMetrics().horizontalAdvance(text) + kTextMargins, edit->fontMetrics().height());
  return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, edit).width();
}

// The main and sub video lists of one kind share a column as wide as the
// wider of their current entries, so the row fits beside the EVOB
// information; a list showing nothing is as wide as its first entry, so an
// empty row fits as a filled one does.
void FitVideoLists(const std::array<QComboBox*, 5>& main, const std::array<QComboBox*, 5>& sub) {
  for (size_t i = 0; i < main.size(); ++i) {
    int width = 0;
    for (QComboBox* list : {main[i], sub[i]})
      width = std::max(width, ListWidth(list, list->currentIndex() < 0 ? list->itemText(0) : list->currentText()));
    main[i]->setFixedWidth(width);
    sub[i]->setFixedWidth(width);
  }
}

// The EVOB information scrolls only up and down: it is as wide as its
// fields need, and the scroll bar's width more when it is too low for them.
void FitEvobiWidth(QScrollArea* evobi) {
  const QSize fields = evobi->widget()->minimumSizeHint();
  const int frame = 2 * evobi->frameWidth();
  const int bar = evobi->height() - frame < fields.height() ? evobi->verticalScrollBar()->sizeHint().width() : 0;
  evobi->setMinimumWidth(fields.width() + frame + bar);
}

// Everything on the page that is sized from the font and the texts rather
// than by a layout alone.
void FitVtiPage(TfMain& window) {
  FitVtiGrids(std::array{window.sgMainAudio, window.sgSubAudio, window.sgSubpicture});
  FitVideoLists(window.mainVideoLists, window.subVideoLists);
  // The other lists are as wide as their longest entry at least; set here
  // since a list forgets its cached least size on a change of font.
  for (QComboBox* list : {window.cbEVOname, window.cbAttrNo, window.cbAppType, window.cbA0gap, window.cbA1gap})
    list->setMinimumWidth(list->sizeHint().width());
  TIntEdit* size = window.ieEVOsize;
  size->setFixedWidth(std::max(kSizeEditWidth, EditWidth(size, QString(size->maxLength(), '0'))));
  TIntEdit* index = window.ieEVOindex;
  index->setFixedWidth(std::max(kIndexEditWidth, EditWidth(index, index->text())));
  for (QLineEdit* edit : {window.eEVOBname, window.eAddrOffs, window.eStartPTM, window.eEndPTM})
    edit->setMinimumWidth(EditWidth(edit, edit->text()));
  if (auto* evobi = window.findChild<QScrollArea*>("ScrollBox1")) FitEvobiWidth(evobi);
}

// Refits the page once a font or style change has reached all its
// widgets, and the EVOB information's width when its height changes.
class VtiPageFitter : public QObject {
 public:
  VtiPageFitter(TfMain& window, QScrollArea* evobi) : QObject(&window), window_(window), evobi_(evobi) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == evobi_ && type == QEvent::Resize) FitEvobiWidth(evobi_);
    if ((type == QEvent::FontChange || type == QEvent::StyleChange) && !pending_) {
      pending_ = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            pending_ = false;
            FitVtiPage(window_);
          },
          Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TfMain& window_;
  QScrollArea* evobi_;
  bool pending_ = false;
};

// A caption at the left of the attribute lists, level with what it names.
QLabel* RowCaption(const char* caption, Qt::Alignment alignment, int drop) {
  auto* label = new QLabel(caption);
  label->setContentsMargins(0, drop, 0, 0);
  label->setAlignment(Qt::AlignLeft | alignment);
  return label;
}

}  // namespace

QWidget* TfMain::buildVtiPage() {
  // In a font larger than the window was laid out for, the page scrolls
  // rather than squeeze its controls over each other.
  auto* page = Named(new QScrollArea, "tsVTI");
  page->setFrameShape(QFrame::NoFrame);
  page->setWidgetResizable(true);
  auto* content = new QWidget;
  auto* outer = new QGridLayout(content);
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
  outer->addWidget(evobi, 1, 0);

  // The attributes: a column of captions, then the two rows of video lists
  // in five shared columns and the three grids stacked under them.
  sbVTI = Named(new QScrollArea, "sbVTI", "VTS_ATR");
  auto* attributes = new QWidget;
  auto* lists = new QGridLayout(attributes);
  lists->setContentsMargins(0, 0, 0, 0);
  lists->setHorizontalSpacing(4);
  lists->setVerticalSpacing(2);
  const char* mainNames[] = {"cbMainCompr", "cbMainRes", "cbMainAspect", "cbMainProgInt", "cbMainTV"};
  const char* subNames[] = {"cbSubCompr", "cbSubRes", "cbSubAspect", "cbSubProgInt", "cbSubTV"};
  auto videoRow = [&](const char* caption, const char* const* names, std::array<QComboBox*, 5>& row, int at) {
    lists->addWidget(RowCaption(caption, Qt::AlignVCenter, 0), at, 0);
    for (int i = 0; i < 5; ++i) {
      row[i] = List(names[i]);
      row[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
      lists->addWidget(row[i], at, i + 1);
    }
  };
  videoRow("Main Video", mainNames, mainVideoLists, 0);
  videoRow("Sub Video", subNames, subVideoLists, 1);
  sgMainAudio = Grid("sgMainAudio");
  sgSubAudio = Grid("sgSubAudio");
  sgSubpicture = Grid("sgSubpicture");
  lSubAudio = RowCaption("Sub Audio", Qt::AlignTop, kGridLabelDrop);
  lSubpicture = RowCaption("Subpicture", Qt::AlignTop, kGridLabelDrop);
  const std::pair<QLabel*, QTableWidget*> grids[] = {
      {RowCaption("Main Audio", Qt::AlignTop, kGridLabelDrop), sgMainAudio},
      {lSubAudio, sgSubAudio},
      {lSubpicture, sgSubpicture}};
  row = 2;
  for (const auto& [label, grid] : grids) {
    lists->setRowMinimumHeight(row++, kGridGap - lists->verticalSpacing());  // a gap above each grid
    lists->addWidget(label, row, 0, Qt::AlignTop);
    lists->addWidget(grid, row++, 1, 1, 6, Qt::AlignLeft | Qt::AlignTop);
  }
  lists->setColumnStretch(6, 1);
  lists->setRowStretch(row, 1);
  sbVTI->setWidget(attributes);
  sbVTI->setWidgetResizable(true);  // it scrolls when the page is smaller than the layout's least size
  outer->addWidget(sbVTI, 1, 1);
  outer->setColumnStretch(1, 1);

  page->setWidget(content);
  FitVtiPage(*this);
  auto* fitter = new VtiPageFitter(*this, evobi);
  for (QWidget* watched : std::initializer_list<QWidget*>{content, sgMainAudio, evobi})
    watched->installEventFilter(fitter);

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
  bool refilled = false;  // then the page is refitted to the new texts
  auto list = [fresh, &refilled](QComboBox* widget, const VtiList& model, VtiList& last) {
    if (!fresh && model == last) return;
    const QSignalBlocker hold(widget);
    FillList(widget, model);
    last = model;
    refilled = true;
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
  auto text = [&refilled](QLineEdit* widget, const std::string& model) {
    refilled = refilled || widget->text() != Q(model);
    SetText(widget, model);
  };
  text(eEVOBname, vti.eEVOBname);
  text(eAddrOffs, vti.eAddrOffs);
  text(ieEVOsize, vti.ieEVOsize);
  text(ieEVOindex, vti.ieEVOindex);
  text(eStartPTM, vti.eStartPTM);
  text(eEndPTM, vti.eEndPTM);
  auto grid = [fresh, &refilled](QTableWidget* widget, const VtiGrid& model, VtiGrid& last) {
    if (!fresh && model == last) return;
    FillGrid(widget, model);
    last = model;
    refilled = true;
  };
  grid(sgMainAudio, vti.sgMainAudio, shown.sgMainAudio);
  grid(sgSubAudio, vti.sgSubAudio, shown.sgSubAudio);
  grid(sgSubpicture, vti.sgSubpicture, shown.sgSubpicture);
  if (refilled) FitVtiPage(*this);
}

}  // namespace klarvex::ui
