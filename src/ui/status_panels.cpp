#include "ui/status_panels.h"

#include <QFontMetrics>
#include <algorithm>

namespace klarvex::ui {

namespace {

constexpr int kProgressSteps = 1000;  // tenths of a per cent: the bar moves on a slow source too

}  // namespace

void StatusPanel::setBlank(bool blank) {
  blank_ = blank;
  update();
}

void StatusPanel::paintEvent(QPaintEvent* event) {
  if (!blank_) QLabel::paintEvent(event);
}

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) {
  setObjectName("StatusBar");
  setSizeGripEnabled(true);
  panel0_ = new StatusPanel(" Ready", this);
  panel1_ = new StatusPanel(" Select or drop an EVO file to demux", this);
  panel0_->setFixedWidth(40);
  panel1_->setMinimumWidth(50);
  // Panel 1 gets what is left; its text never widens the window.
  panel1_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  panel0_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  addWidget(panel0_);
  addWidget(panel1_, 1);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("pbTitle");
  progress_->setRange(0, kProgressSteps);
  progress_->setFixedWidth(150);
  progress_->hide();
  addPermanentWidget(progress_);
  setToolTip(" Select or drop an EVO file to demux");
}

int StatusPanels::widthFor(const QString& text) const {
  // The frame and margins of a panel come on top of its text.
  const int chrome = 2 * panel0_->frameWidth() + panel0_->margin() * 2 + 4;
  return QFontMetrics(font()).horizontalAdvance(text + "a") + chrome;
}

// A long path in panel 0 must not push the window wider: the panel takes
// at most 60 % of the bar; the end of a longer text is cut off.
int StatusPanels::panel0Width(const QString& text) const {
  const int limit = width() * 3 / 5;
  const int wanted = widthFor(text);
  return limit > 40 ? std::min(wanted, limit) : wanted;
}

void StatusPanels::slog(const std::string& text, int panel) {
  const QString value = QString::fromUtf8(text);
  StatusPanel* target = this->panel(panel);
  target->setText(" " + value);
  if (panel == 0)
    target->setFixedWidth(panel0Width(target->text()));
  else
    setToolTip(value);
  repaint();
}

void StatusPanels::titleProgress(const TitleProgress& p) {
  if (p.files == 0 || p.total <= 0) {
    progress_->hide();
    return;
  }
  const int value = static_cast<int>(std::clamp<int64_t>(p.done * kProgressSteps / p.total, 0, kProgressSteps));
  progress_->setValue(value);
  progress_->setFormat(p.files > 1 ? QString("File %1 of %2: %p%").arg(p.file).arg(p.files) : QString("%p%"));
  progress_->show();
}

void StatusPanels::erslog(const std::string& text) {
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  panel0_->setBlank(true);
  const QString value = QString::fromUtf8(text);
  panel1_->setText(" " + value);
  setToolTip(value);
  repaint();
}

}  // namespace klarvex::ui
