// Building the window: the two source rows, the seven pages (the XPL and
// VTI pages in files of their own), the bottom row with the job buttons and
// the logo, and the status bar. Every widget carries the name of its
// control.
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/int_edit.h"
#include "ui/jpeg_image.h"
#include "ui/log_pane.h"
#include "ui/main_window.h"
#include "ui/page_control.h"
#include "ui/status_panels.h"
#include "ui/web_link.h"
#include "ui/widget_helpers.h"

namespace klarvex::ui {

namespace {

const QString kHomePage = KLARVEX_HOME_URL;

}  // namespace

void TfMain::buildWindow() {
  setAcceptDrops(true);  // FormShow: the window takes dropped files
  QFont tahoma("Tahoma");
  tahoma.setPointSize(8);
  setFont(tahoma);
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  resize(WindowSettings::kDesignedWidth, WindowSettings::kDesignedHeight);

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 4, 4, 0);
  column->setSpacing(3);
  column->addWidget(buildSourceRows());

  pageControl = new PageControl;
  pageControl->addTab(buildStatusPage(), "S&tatus");
  pageControl->addTab(buildStreamPage(Section::Video), "&Video/Audio");
  pageControl->addTab(buildStreamPage(Section::Subpicture), "&Subpicture");
  pageControl->addTab(buildXplPage(), "&XPL");
  pageControl->addTab(buildVtiPage(), "VT&I");
  pageControl->addTab(buildOptionsPage(), "&Options");
  pageControl->addTab(buildAboutPage(), "&About");
  pageControl->setTabToolTip(1, "Check the desired video stream");
  pageControl->setTabToolTip(2, "Check the desired subpicture streams");
  connect(pageControl, &QTabWidget::currentChanged, this, [this](int page) { state_.activePage = page; });
  column->addWidget(pageControl, 1);
  column->addWidget(buildBottomRow());
  setCentralWidget(central);

  StatusBar = new StatusPanels;
  setStatusBar(StatusBar);
  connectOptions();
}

QWidget* TfMain::buildSourceRows() {
  auto* rows = new QWidget;
  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(3);
  eEVOfile = ReadOnlyEdit("eEVOfile", "Drop here the source EVO file");
  bbEVO = BrowseButton("bbEVO", "Browse an EVO (AOB, VOB) file");
  bReadEVO = Button("Read &EVO", "bReadEVO", "Read the source EVO file to detect streams");
  bReadEVO->setDefault(true);
  eXPLfile = ReadOnlyEdit("eXPLfile", "Drop here the VPLST000.XPL");
  bbXPL = BrowseButton("bbXPL", "Browse the HD DVD disc's VPLST000.XPL");
  bReadXPL = Button("Read XP&L", "bReadXPL", "Read the XPL file to detect stream infos");
  grid->addWidget(eEVOfile, 0, 0);
  grid->addWidget(bbEVO, 0, 1);
  grid->addWidget(bReadEVO, 0, 2);
  grid->addWidget(eXPLfile, 1, 0);
  grid->addWidget(bbXPL, 1, 1);
  grid->addWidget(bReadXPL, 1, 2);
  grid->setColumnStretch(0, 1);
  connect(bbEVO, &QToolButton::clicked, this, [this] { bbEVOClick(); });
  connect(bbXPL, &QToolButton::clicked, this, [this] { bbXPLClick(); });
  connect(bReadEVO, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bReadEVOClick(); }); });
  connect(bReadXPL, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bReadXPLClick(); }); });
  return rows;
}

QWidget* TfMain::buildStatusPage() {
  auto* page = Named(new QWidget, "tsStatus");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  bGetNew = Button("Get new &version", "bGetNew");
  QFont bold = bGetNew->font();
  bold.setBold(true);
  bGetNew->setFont(bold);
  bGetNew->hide();
  bGetNew->setEnabled(false);
  cbAutoClear = CheckBox("A&uto clear", "cbAutoClear", "Clear the messages before each Read EVO");
  bClear = Button("&Clear", "bClear", "Clear the messages");
  reMessage = new LogPane;
  grid->addWidget(bGetNew, 0, 0, Qt::AlignLeft);
  grid->addWidget(cbAutoClear, 0, 2);
  grid->addWidget(bClear, 0, 3);
  grid->setColumnStretch(1, 1);
  grid->addWidget(reMessage, 1, 0, 1, 4);
  connect(bClear, &QPushButton::clicked, this, [this] { clear(); });
  return page;
}

QWidget* TfMain::buildStreamPage(Section section) {
  const bool video = section == Section::Video;
  auto* page = Named(new QWidget, video ? "tsVideo" : "tsSubpicture",
                     video ? "Check the desired video stream" : "Check the desired subpicture streams");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(0);
  constexpr int kRows = 8;
  auto place = [&](QCheckBox* box, int index, int firstColumn) {
    grid->addWidget(box, index % kRows, firstColumn + index / kRows);
  };
  auto makeBox = [&](Section s, int n, const QString& caption, const QString& name) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    box->setEnabled(false);
    connect(box, &QCheckBox::clicked, this, [this, s, n](bool ticked) {
      state_.box(s, n).ticked = ticked;
      jobs_.cbVideoClick();
    });
    return box;
  };
  if (video) {
    for (int n = 0; n < AppState::kVideoBoxes; ++n) {
      cbVideo[n] = makeBox(Section::Video, n, "Video stream", QString("cbVideo%1").arg(n));
      place(cbVideo[n], n, 0);
    }
    for (int n = 0; n < AppState::kAudioBoxes; ++n) {
      cbAudio[n] = makeBox(Section::Audio, n, "Audio stream", QString("cbAudio%1").arg(n, 2, 10, QChar('0')));
      place(cbAudio[n], n, 1);
    }
  } else {
    for (int n = 0; n < AppState::kSubpictureBoxes; ++n) {
      cbSub[n] = makeBox(Section::Subpicture, n, "Subpicture", QString("cbSub%1").arg(n, 2, 10, QChar('0')));
      place(cbSub[n], n, 0);
    }
  }
  for (int c = 0; c < grid->columnCount(); ++c) grid->setColumnStretch(c, 1);
  return page;
}

QWidget* TfMain::buildOptionsPage() {
  auto* page = Named(new QWidget, "tsOptions");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setVerticalSpacing(2);

  cbContinue = CheckBox("Continue with the next EVO", "cbContinue",
                        "Read and demux the files that follow the source in its title too");
  cbFastCheck = CheckBox("Fast EVO checking", "cbFastCheck", "Read EVO checks only the first part of the file");
  ieFastSize = Named(new TIntEdit, "ieFastSize", "Size of the fast check (in MBs)");
  ieFastSize->setMaxLength(3);
  cbCountFr = CheckBox("Count frames", "cbCountFr", "Count the video frames while reading");
  cbDetails = CheckBox("Detailed info", "cbDetails", "Describe each stream found");
  cbAutoRead = CheckBox("Auto read", "cbAutoRead", "Read a file as soon as it is chosen or dropped");
  cbReadVTI = CheckBox("Read .VTI file", "cbReadVTI", "Read the HVA00001.VTI beside the source after a read");
  auto* fastRow = new QHBoxLayout;
  fastRow->addWidget(ieFastSize);
  fastRow->addWidget(new QLabel("Size of the fast check (in MBs)"));
  fastRow->addStretch(1);
  int row = 0;
  for (QWidget* w : std::initializer_list<QWidget*>{cbContinue, cbFastCheck}) grid->addWidget(w, row++, 0);
  grid->addLayout(fastRow, row++, 0);
  for (QWidget* w : std::initializer_list<QWidget*>{cbCountFr, cbDetails, cbAutoRead, cbReadVTI})
    grid->addWidget(w, row++, 0);

  auto* autoBox = Named(new QGroupBox("After reading"), "gbAuto");
  auto* autoColumn = new QVBoxLayout(autoBox);
  rbNoAuto = Named(new QRadioButton("No auto process"), "rbNoAuto", "Only read");
  rbAutoDemux = Named(new QRadioButton("Auto Demux"), "rbAutoDemux", "Demux the streams found after a read");
  rbAutoRebuild = Named(new QRadioButton("Auto Rebuild"), "rbAutoRebuild", "Rebuild the EVO after a read");
  for (QRadioButton* rb : {rbNoAuto, rbAutoDemux, rbAutoRebuild}) autoColumn->addWidget(rb);
  cbRBAdvanced = CheckBox("Rebuild ADV_PCKs", "cbRBAdvanced", "Rebuild the Adcanced packs");
  cbAdjustPTS = CheckBox("Adjust PTS of the EVOs to follow", "cbAdjustPTS",
                         "Rebuild: shift the time stamps of the following EVOs so the title plays as one");
  grid->addWidget(autoBox, 0, 1, 4, 1);
  grid->addWidget(cbRBAdvanced, 4, 1);
  grid->addWidget(cbAdjustPTS, 5, 1);
  // The forms Demux writes in, which Make MKV always takes.
  cbLpcmWav = CheckBox("LPCM as WAV", "cbLpcmWav", "Demux: write each LPCM stream as a WAV file");
  cbVobSub = CheckBox("DVD subpictures as VobSub", "cbVobSub",
                      "Demux: write the subpictures of a DVD-Video VOB as VobSub (.idx and .sub)");
  cbCodecExt = CheckBox("Extensions by coding", "cbCodecExt",
                        "Demux: name each file by its coding (m2v, vc1, h264, ac3, eac3, dts, thd, wav, sup, ...)");

  auto* names = new QGridLayout;
  eVideoExt = Named(new QLineEdit, "eVideoExt", "Extension of the video files");
  eAudioExt = Named(new QLineEdit, "eAudioExt", "Extension of the audio files");
  eSubExt = Named(new QLineEdit, "eSubExt", "This is real .sup format, don't change!");
  for (QLineEdit* e : {eVideoExt, eAudioExt, eSubExt}) {
    e->setMaxLength(5);
    e->setFixedWidth(48);
  }
  names->addWidget(new QLabel("Video extension"), 0, 0);
  names->addWidget(eVideoExt, 0, 1);
  names->addWidget(new QLabel("Audio extension"), 1, 0);
  names->addWidget(eAudioExt, 1, 1);
  names->addWidget(new QLabel("Subpicture extension"), 2, 0);
  names->addWidget(eSubExt, 2, 1);
  grid->addLayout(names, 0, 2, 3, 1);
  grid->addWidget(cbLpcmWav, 3, 2);
  grid->addWidget(cbVobSub, 4, 2);
  grid->addWidget(cbCodecExt, 5, 2);

  auto* folderRow = new QHBoxLayout;
  eWorkdir = Named(new QLineEdit, "eWorkdir", "Destination directory for the demuxed streams");
  bbWorkdir = BrowseButton("bbWorkdir", "Browse folder");
  folderRow->addWidget(new QLabel("Output folder"));
  folderRow->addWidget(eWorkdir, 1);
  folderRow->addWidget(bbWorkdir);
  grid->addLayout(folderRow, row, 0, 1, 3);
  grid->setRowStretch(row + 1, 1);
  grid->setColumnStretch(2, 1);
  connect(bbWorkdir, &QToolButton::clicked, this, [this] { bbWorkdirClick(); });
  return page;
}

std::vector<std::pair<QCheckBox*, bool Options::*>> TfMain::optionBoxes() const {
  return {{cbContinue, &Options::cbContinue},     {cbFastCheck, &Options::cbFastCheck},
          {cbCountFr, &Options::cbCountFr},       {cbDetails, &Options::cbDetails},
          {cbAutoRead, &Options::cbAutoRead},     {cbAutoClear, &Options::cbAutoClear},
          {cbRBAdvanced, &Options::cbRBAdvanced}, {cbAdjustPTS, &Options::cbAdjustPTS},
          {cbReadVTI, &Options::cbReadVTI},       {cbLpcmWav, &Options::cbLpcmWav},
          {cbVobSub, &Options::cbVobSub},         {cbCodecExt, &Options::cbCodecExt}};
}

std::vector<std::pair<QRadioButton*, AutoProcess>> TfMain::autoProcessButtons() const {
  return {{rbNoAuto, AutoProcess::None}, {rbAutoDemux, AutoProcess::Demux}, {rbAutoRebuild, AutoProcess::Rebuild}};
}

std::vector<std::pair<QLineEdit*, std::string Options::*>> TfMain::optionTexts() const {
  return {{eVideoExt, &Options::eVideoExt},
          {eAudioExt, &Options::eAudioExt},
          {eSubExt, &Options::eSubExt},
          {eWorkdir, &Options::eWorkdir}};
}

// The user's changes go into the model at once, so a job reads what the
// control shows.
void TfMain::connectOptions() {
  for (const auto& [box, option] : optionBoxes()) {
    connect(box, &QCheckBox::toggled, this, [this, box = box, option = option](bool on) {
      if (syncing_) return;
      state_.options.*option = on;
      if (box == cbFastCheck) jobs_.cbFastCheckClick();
    });
  }
  for (const auto& [button, process] : autoProcessButtons()) {
    connect(button, &QRadioButton::toggled, this, [this, process = process](bool on) {
      if (!syncing_ && on) state_.options.autoProcess = process;
    });
  }
  for (const auto& [edit, option] : optionTexts()) {
    connect(edit, &QLineEdit::textChanged, this, [this, option = option](const QString& text) {
      if (!syncing_) state_.options.*option = text.toStdString();
    });
  }
  connect(ieFastSize, &QLineEdit::textChanged, this, [this] {
    if (!syncing_) state_.options.ieFastSize = ieFastSize->Value();
  });
}

QWidget* TfMain::buildAboutPage() {
  auto* page = Named(new QWidget, "tsAbout");
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(4, 4, 4, 4);
  reAbout = Named(new QTextBrowser, "reAbout");
  reAbout->setOpenLinks(false);  // links open in the desktop's browser, not in the pane
  connect(reAbout, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
  mChangeLog = Named(new QPlainTextEdit, "mChangeLog");
  mChangeLog->setReadOnly(true);
  row->addWidget(reAbout, 3);
  row->addWidget(mChangeLog, 2);
  return page;
}

void TfMain::loadAbout() {
  QFile about(":/ABOUT");
  if (about.open(QIODevice::ReadOnly)) reAbout->setHtml(QString::fromUtf8(about.readAll()));
  QFile changes(":/CHANGELOG");
  if (changes.open(QIODevice::ReadOnly)) mChangeLog->setPlainText(QString::fromUtf8(changes.readAll()));
}

QWidget* TfMain::buildBottomRow() {
  bottomRow_ = new QWidget;
  bottomRow_->setFixedHeight(34);
  bDemux = Button("&Demux", "bDemux", "Demux the source EVO to streams");
  QFont bold = bDemux->font();
  bold.setBold(true);
  bDemux->setFont(bold);
  bRebuild = Button("&Rebuild", "bRebuild", "Rebuild a new EVO with the checked streams");
  bMkv = Button("&Make MKV", "bMkv", "Make a Matroska file of the checked streams with mkvmerge (MKVToolNix)");
  bCancel = Button("Ca&ncel", "bCancel", "You can stop the actual process (Esc)");
  imLogo = Named(new QLabel, "imLogo");
  imLogo->setFixedSize(125, 31);
  QFile logo(":/logo.jpg");
  if (logo.open(QIODevice::ReadOnly)) imLogo->setPixmap(QPixmap::fromImage(DecodeJpeg(logo.readAll())));
  WebLink1 = Named(new TWebLink, "WebLink1", "If you like this software don't forget to donate me. :-)");
  WebLink1->setText("Klarvex home");
  WebLink1->URL = kHomePage;
  QPalette linkColours = WebLink1->palette();
  linkColours.setColor(QPalette::WindowText, QColor(0, 0, 255));
  WebLink1->setPalette(linkColours);
  for (QWidget* w : std::initializer_list<QWidget*>{bDemux, bRebuild, bMkv, imLogo, WebLink1, bCancel})
    w->setParent(bottomRow_);
  connect(bDemux, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bDemuxClick(); }); });
  connect(bRebuild, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bRebuildClick(); }); });
  connect(bMkv, &QPushButton::clicked, this, [this] { runJob([this] { jobs_.bMkvClick(); }); });
  connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
  return bottomRow_;
}

// FormResize: the job buttons at the left, Cancel and the link at the
// right, the logo centred (never left of 153).
void TfMain::placeBottomRow() {
  if (!bottomRow_) return;
  const int w = width();
  bDemux->setGeometry(4, 4, 80, 25);
  bRebuild->setGeometry(88, 4, 60, 25);
  bMkv->setGeometry(152, 4, std::max(76, bMkv->sizeHint().width()), 25);
  imLogo->move(LogoLeft(w), 1);
  bCancel->setGeometry(w - 84, 4, 76, 25);
  WebLink1->adjustSize();
  WebLink1->move(w - 92 - WebLink1->width(), 10);
}

}  // namespace klarvex::ui
