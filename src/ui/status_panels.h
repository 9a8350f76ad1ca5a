// The status bar: panel 0 names what the program is doing, panel 1 carries
// a detail or a job's progress and reaches to the right edge. The bar's
// hint mirrors panel 1.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>

#include "jobs/host.h"

namespace klarvex::ui {

// A status panel that can be switched to show nothing at all (the first
// panel after an error), whatever text it holds.
class StatusPanel : public QLabel {
 public:
  using QLabel::QLabel;
  void setBlank(bool blank);
  bool blank() const { return blank_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool blank_ = false;
};

class StatusPanels : public QStatusBar {
 public:
  explicit StatusPanels(QWidget* parent = nullptr);

  // slog: " " + text in panel 0 or 1, the panel as wide as its text and an
  // "a"; panel 1 also becomes the hint. Repainted at once.
  void slog(const std::string& text, int panel);
  // erslog: bold from now on, panel 0 blank, the error in panel 1 and the hint.
  void erslog(const std::string& text);
  // The bar of the pass over the whole title, at the right: "File 2 of 3:
  // 45%"; hidden when no pass runs.
  void titleProgress(const TitleProgress& progress);
  QProgressBar* progressBar() const { return progress_; }

  StatusPanel* panel(int index) const { return index == 0 ? panel0_ : panel1_; }
  QString hint() const { return toolTip(); }
  // The width slog gives panel 0 for a text, before any cap.
  int textWidth(const QString& panelText) const { return widthFor(panelText); }

 private:
  int widthFor(const QString& text) const;
  int panel0Width(const QString& text) const;

  StatusPanel* panel0_;
  StatusPanel* panel1_;
  QProgressBar* progress_;
};

}  // namespace klarvex::ui
