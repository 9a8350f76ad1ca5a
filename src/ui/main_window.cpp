#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include "base/errors.h"
#include "base/scope_guard.h"
#include "jobs/drop_target.h"
#include "ui/log_pane.h"
#include "ui/page_control.h"
#include "ui/status_panels.h"
#include "ui/update_check.h"
#include "ui/window_place.h"

// The about text and the logo live in a static library: their resources
// must be registered by name.
static void InitResources() { Q_INIT_RESOURCE(klarvex); }

namespace klarvex::ui {

namespace {

const QString kVersion = KLARVEX_VERSION;
const QString kSourceFilter =
    "All supported file|*.aob; *.evo; *.vob|EVOB files (HD DVD)|*.evo|AOB files (DVD Audio)|*.aob|"
    "VOB files (DVD Video)|*.vob";

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The local files of a drag or drop, in order.
QStringList DroppedPaths(const QMimeData* data) {
  QStringList paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

}  // namespace

QIcon ProgramIcon() {
  InitResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/klarvex-%1.png").arg(size));
  return icon;
}

TfMain::TfMain(QStringList arguments, std::unique_ptr<QSettings> settings, QWidget* parent)
    : QMainWindow(parent),
      jobs_(state_, *this),
      settings_(std::move(settings)),
      dialogs_(std::make_unique<QtDialogs>()),
      arguments_(std::move(arguments)) {
  InitResources();
  setObjectName("TfMain");
  setWindowIcon(ProgramIcon());
  programPath = QApplication::applicationFilePath();
  startProgram = [](const QString& program) { return QProcess::startDetached(program, {}); };
  buildWindow();
  updateCheck_ = MakeUpdateCheck(*this);
  if (updateCheck_) connect(bGetNew, &QPushButton::clicked, this, [this] { updateCheck_->bGetNewClick(); });
  stateChanged();
}

TfMain::~TfMain() = default;

// The start-up sequence runs once, when the window is first shown: a later
// activation must not disturb a loaded file or changed options.
void TfMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!started_) {
    started_ = true;
    QTimer::singleShot(0, this, [this] { FormActivate(); });
  }
}

void TfMain::FormActivate() {
  const QString caption = "Klarvex v" + kVersion;
  setWindowTitle(caption);
  QApplication::setApplicationDisplayName(caption);
  loadAbout();
  settingsExisted_ = RegRead(*settings_, state_, window_, kVersion);
  applyWindowSettings();
  if (settingsExisted_ && updateCheck_) updateCheck_->queryVersion();
  jobs_.Resetcbs();
  slog("Ready", 0);
  slog("", 1);
  state_.buttons.bbEVO = state_.buttons.bbXPL = true;
  stateChanged();
  if (arguments_.size() == 1) readArgument(arguments_.front());
  showPage(0);
}

// A name that is no file is read all the same, so that its open error names
// it, but the box is left empty, and Read EVO with it, before that error shows.
void TfMain::readArgument(const QString& argument) {
  const bool isFile = QFileInfo(argument).isFile();
  state_.eEVOfile = argument.toStdString();
  jobs_.EVOadj();
  runJob([this, isFile] {
    ScopeExit forgetNoFile([this, isFile] {
      if (isFile) return;
      state_.eEVOfile.clear();
      jobs_.EVOadj();
    });
    jobs_.bReadEVOClick();
  });
}

void TfMain::runJob(const std::function<void()>& routine) {
  try {
    routine();
  } catch (const KlarvexError& error) {
    QString text = QString::fromStdString(error.what());
    if (!error.detail().empty()) text += "\n" + Q(error.detail());
    stateChanged();
    dialogs_->error(this, text);
  } catch (const std::exception& error) {
    stateChanged();
    dialogs_->error(this, QString::fromStdString(error.what()));
  }
  stateChanged();
}

void TfMain::evoChosen(const QString& path) {
  state_.eEVOfile = path.toStdString();
  jobs_.EVOadj();
  if (state_.buttons.bReadEVO) bReadEVO->setFocus();
  jobs_.Resetcbs();
  if (state_.options.cbAutoRead) runJob([this] { jobs_.bReadEVOClick(); });
}

// Only the first file counts. A read or job shares the one input file: while
// it runs nothing is taken.
DropTarget TfMain::dropTarget(const QStringList& paths) const {
  if (paths.isEmpty() || state_.jobRunning) return DropTarget::None;
  return DropTargetOf(paths.front().toStdString());
}

void TfMain::dropFiles(const QStringList& paths) {
  switch (dropTarget(paths)) {
    case DropTarget::Source:
      evoChosen(paths.front());
      break;
    case DropTarget::Playlist:
      runJob([this, path = paths.front()] { jobs_.XplChosen(path.toStdString()); });
      break;
    case DropTarget::None:
      break;
  }
}

void TfMain::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

// What the drop would not take is refused while it is dragged, so the
// cursor says so.
void TfMain::dragMoveEvent(QDragMoveEvent* event) {
  if (dropTarget(DroppedPaths(event->mimeData())) != DropTarget::None)
    event->acceptProposedAction();
  else
    event->ignore();
}

void TfMain::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedPaths(event->mimeData());
  if (dropTarget(paths) == DropTarget::None) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  dropFiles(paths);
}

void TfMain::bbEVOClick() {
  const QString path =
      dialogs_->openFile(this, "Choose the EVO file to demux", Q(state_.names.SourceDir), kSourceFilter);
  if (!path.isEmpty()) evoChosen(path);
}

void TfMain::bbXPLClick() {
  const QString path = dialogs_->openFile(this, "Choose the VPLST000.XPL", Q(state_.names.XplDir), "XPL|VPLST000.XPL");
  if (!path.isEmpty()) runJob([this, &path] { jobs_.XplChosen(path.toStdString()); });
}

void TfMain::bbWorkdirClick() {
  const QString folder = dialogs_->chooseFolder(this, "Select a directory", Q(state_.options.eWorkdir));
  if (folder.isEmpty()) return;
  state_.options.eWorkdir = folder.toStdString();
  stateChanged();
}

void TfMain::bCancelClick() { jobs_.bCancelClick(); }

// Enter anywhere the focused control doesn't use it presses the default
// button, Read EVO; Esc presses Cancel while a job may be stopped.
void TfMain::keyPressEvent(QKeyEvent* event) {
  // Esc is Cancel, with its question during Demux and Rebuild.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && bCancel->isEnabled()) {
    bCancel->click();
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && event->modifiers() == Qt::NoModifier && bReadEVO->isEnabled()) {
    bReadEVO->click();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TfMain::closeEvent(QCloseEvent* event) {
  RunState& run = state_.engine.run;
  if (run.WriteJobRunning) {
    jobs_.bCancelClick();
    if (!run.StopRequested) {
      event->ignore();
      return;
    }
  } else {
    run.StopRequested = true;
  }
  // A job chained to a stopped read (Auto Demux, Auto Rebuild) must not
  // start behind a closed window.
  state_.closing = true;
  RegWrite(*settings_, state_, currentWindowSettings(), kVersion);
  event->accept();
}

int TfMain::LogoLeft(int windowWidth) { return windowWidth <= 432 ? 153 : windowWidth / 2 - 63; }

void TfMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  placeBottomRow();
}

WindowSettings TfMain::currentWindowSettings() const {
  WindowSettings settings = window_;
  settings.windowState = isMaximized()   ? WindowState::Maximized
                         : isMinimized() ? WindowState::Minimized
                                         : WindowState::Normal;
  // The client area, as applyWindowSettings restores it: saving the frame's
  // place and restoring it as the client's moved the window at every start.
  if (settings.windowState == WindowState::Normal) {
    const QRect client = geometry();
    settings.Left = client.left();
    settings.Top = client.top();
    settings.Width = client.width();
    settings.Height = client.height();
  }
  const QList<int> sizes = splXPL->sizes();
  if (!sizes.isEmpty() && sizes.front() > 0) settings.TreeWidth = sizes.front();
  return settings;
}

void TfMain::applyWindowSettings() {
  QList<QRect> available;
  for (const QScreen* screen : QGuiApplication::screens()) available << screen->availableGeometry();
  const QScreen* primary = QGuiApplication::primaryScreen();
  // The window manager's frame is known only once it has framed the window,
  // which is later than this: until then the style's title bar and frame
  // stand in for it, so that a place moved onto a screen keeps its title
  // bar within reach.
  QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  if (frame.isNull()) {
    const int side = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    frame = QMargins(side, style()->pixelMetric(QStyle::PM_TitleBarHeight), side, side);
  }
  setGeometry(PlaceOnScreens(SavedPlace(window_), available, primary ? primary->availableGeometry() : QRect(),
                             minimumSize(), frame));
  treeWidthChosen_ = window_.treeWidthChosen();
  const int tree = std::max(window_.TreeWidth, 50);
  splXPL->setSizes({tree, std::max(splXPL->width() - tree, 1)});
  if (window_.windowState == WindowState::Maximized)
    showMaximized();
  else if (window_.windowState == WindowState::Minimized)
    showMinimized();
}

// --- Host ---

void TfMain::log(const std::string& message) { reMessage->appendMessage(message); }
void TfMain::slog(const std::string& text, int panel) { StatusBar->slog(text, panel); }
void TfMain::erslog(const std::string& text) { StatusBar->erslog(text); }
void TfMain::titleProgress(const TitleProgress& progress) { StatusBar->titleProgress(progress); }
void TfMain::beep() { QApplication::beep(); }
void TfMain::clear() { reMessage->clearLines(); }
void TfMain::processEvents() { QApplication::processEvents(); }
void TfMain::repaint() { QMainWindow::repaint(); }
void TfMain::showPage(int page) {
  state_.activePage = page;
  pageControl->setCurrentIndex(page);
}
bool TfMain::confirm(const std::string& question) { return dialogs_->question(this, Q(question)); }

}  // namespace klarvex::ui
