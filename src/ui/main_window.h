// TfMain, the Klarvex window: a view over the AppState model. It mirrors the
// model into its widgets whenever a job changes it, writes the user's
// changes back at once, and runs the jobs on the user-interface thread;
// the jobs keep it responsive through the event pump at their progress
// points.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "jobs/app_state.h"
#include "jobs/drop_target.h"
#include "jobs/host.h"
#include "jobs/jobs.h"
#include "ui/dialogs.h"
#include "ui/settings_store.h"

class QCheckBox;
class QComboBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSettings;
class QSplitter;
class QTableWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;

namespace klarvex::ui {

class LogPane;
class PageControl;
class StatusPanels;
class TIntEdit;
class TWebLink;
class UpdateCheck;

// The program's icon, built into it: the window has it wherever it runs from.
QIcon ProgramIcon();

class TfMain : public QMainWindow, public Host {
 public:
  static constexpr int kMinimumWidth = WindowSettings::kMinimumWidth;
  static constexpr int kMinimumHeight = WindowSettings::kMinimumHeight;

  // `arguments`: the command line without the program name. `settings`:
  // the store (OpenSettings() in a normal run).
  TfMain(QStringList arguments, std::unique_ptr<QSettings> settings, QWidget* parent = nullptr);
  ~TfMain() override;

  AppState& state() { return state_; }
  Jobs& jobs() { return jobs_; }
  void setDialogs(std::unique_ptr<Dialogs> dialogs) { dialogs_ = std::move(dialogs); }
  // Whether the settings existed at start-up: only then is the maker's
  // server asked for a newer version.
  bool settingsExisted() const { return settingsExisted_; }

  // The running program's file, which an update replaces, and how the new
  // one is started (tests put their own in).
  QString programPath;
  std::function<bool(const QString& program)> startProgram;

  // The handlers of the window's own events.
  void FormActivate();
  void dropFiles(const QStringList& paths);  // WMDropFiles
  // What a drop of `paths` would do now; a drag it would not take is refused.
  DropTarget dropTarget(const QStringList& paths) const;
  void bbEVOClick();
  void bbXPLClick();
  void bbWorkdirClick();
  void bCancelClick();
  // The logo's left edge for a window width.
  static int LogoLeft(int windowWidth);

  // Host
  void log(const std::string& message) override;
  void slog(const std::string& text, int panel) override;
  void erslog(const std::string& text) override;
  void beep() override;
  void clear() override;
  void processEvents() override;
  void repaint() override;
  void showPage(int page) override;
  bool confirm(const std::string& question) override;
  void stateChanged() override;
  void titleProgress(const TitleProgress& progress) override;

  // Widgets by their control names, for the front end's tests.
  LogPane* reMessage = nullptr;
  StatusPanels* StatusBar = nullptr;
  PageControl* pageControl = nullptr;
  QLineEdit* eEVOfile = nullptr;
  QLineEdit* eXPLfile = nullptr;
  QToolButton* bbEVO = nullptr;
  QToolButton* bbXPL = nullptr;
  QPushButton* bReadEVO = nullptr;
  QPushButton* bReadXPL = nullptr;
  QPushButton* bDemux = nullptr;
  QPushButton* bRebuild = nullptr;
  QPushButton* bMkv = nullptr;
  QPushButton* bCancel = nullptr;
  QPushButton* bClear = nullptr;
  QPushButton* bGetNew = nullptr;
  QCheckBox* cbAutoClear = nullptr;
  QLabel* imLogo = nullptr;
  TWebLink* WebLink1 = nullptr;
  std::array<QCheckBox*, AppState::kVideoBoxes> cbVideo{};
  std::array<QCheckBox*, AppState::kAudioBoxes> cbAudio{};
  std::array<QCheckBox*, AppState::kSubpictureBoxes> cbSub{};
  // XPL tab
  QSplitter* splXPL = nullptr;
  QTreeWidget* tvXPL = nullptr;
  QPlainTextEdit* mXPL = nullptr;
  QPlainTextEdit* mChapter = nullptr;
  QPushButton* bWriteChaps = nullptr;
  // VTI tab
  QComboBox *cbEVOname = nullptr, *cbAttrNo = nullptr, *cbAppType = nullptr, *cbA0gap = nullptr, *cbA1gap = nullptr;
  QLineEdit *eEVOBname = nullptr, *eAddrOffs = nullptr, *eStartPTM = nullptr, *eEndPTM = nullptr;
  TIntEdit *ieEVOsize = nullptr, *ieEVOindex = nullptr;
  std::array<QComboBox*, 5> mainVideoLists{}, subVideoLists{};  // cbMainCompr.. / cbSubCompr..
  QTableWidget *sgMainAudio = nullptr, *sgSubAudio = nullptr, *sgSubpicture = nullptr;
  QLabel *lSubAudio = nullptr, *lSubpicture = nullptr;
  QScrollArea* sbVTI = nullptr;
  QPushButton *bReadVTI = nullptr, *bsrt2VTI = nullptr, *bVTI2str = nullptr, *bSaveVTI = nullptr;
  // Options tab
  QCheckBox *cbContinue = nullptr, *cbFastCheck = nullptr, *cbCountFr = nullptr, *cbDetails = nullptr,
            *cbAutoRead = nullptr, *cbRBAdvanced = nullptr, *cbAdjustPTS = nullptr, *cbReadVTI = nullptr,
            *cbLpcmWav = nullptr, *cbVobSub = nullptr, *cbCodecExt = nullptr;
  TIntEdit* ieFastSize = nullptr;
  QRadioButton *rbNoAuto = nullptr, *rbAutoDemux = nullptr, *rbAutoRebuild = nullptr;
  QLineEdit *eVideoExt = nullptr, *eAudioExt = nullptr, *eSubExt = nullptr, *eWorkdir = nullptr;
  QToolButton* bbWorkdir = nullptr;
  // About tab
  QTextBrowser* reAbout = nullptr;
  QPlainTextEdit* mChangeLog = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery, FormClose
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Building the window (main_window_pages.cpp; the XPL and VTI pages in
  // main_window_xpl.cpp and main_window_vti.cpp).
  void buildWindow();
  QWidget* buildSourceRows();
  QWidget* buildStatusPage();
  QWidget* buildStreamPage(Section section);
  QWidget* buildXplPage();
  QWidget* buildVtiPage();
  QWidget* buildOptionsPage();
  QWidget* buildAboutPage();
  QWidget* buildBottomRow();
  void connectOptions();
  // The option controls with the option each one shows: one list serves
  // binding the controls and mirroring the model.
  std::vector<std::pair<QCheckBox*, bool Options::*>> optionBoxes() const;
  std::vector<std::pair<QRadioButton*, AutoProcess>> autoProcessButtons() const;
  std::vector<std::pair<QLineEdit*, std::string Options::*>> optionTexts() const;
  void loadAbout();
  void placeBottomRow();

  // Mirroring the model (main_window_sync.cpp; syncXpl and syncVti beside
  // their pages).
  void syncButtons();
  void syncStreamBoxes();
  void syncOptions();
  void syncXpl();
  void syncVti();
  // The tree as wide as its entries (within bounds) while no width was chosen.
  void fitTreeWidth();

  // Runs a job's routine; a failure that ends it is shown in the error box.
  void runJob(const std::function<void()>& routine);
  void evoChosen(const QString& path);
  void readArgument(const QString& argument);
  WindowSettings currentWindowSettings() const;
  void applyWindowSettings();

  AppState state_;
  Jobs jobs_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<UpdateCheck> updateCheck_;  // none in a build without it
  QStringList arguments_;
  WindowSettings window_;
  bool started_ = false;
  bool settingsExisted_ = false;
  bool syncing_ = false;
  bool vtiShown_ = false;
  bool treeWidthChosen_ = false;  // saved, or the splitter moved by the user
  QList<int> xplWidths_;          // the tree's and the tags' while the tags are hidden
  QWidget* bottomRow_ = nullptr;
  // What the XPL and VTI widgets show, to refill them only on change.
  XplModel shownXpl_;
  VtiModel shownVti_;
};

}  // namespace klarvex::ui
