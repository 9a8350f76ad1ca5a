// The tabs of the main window, drawn by the program itself: a button-face
// tab, the caption centred in dark blue (the selected tab) or greyish blue,
// the access key underlined on unselected tabs, and an amber accent bar at
// the top of the selected tab.
#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QTabBar>
#include <QTabWidget>

namespace klarvex::ui {

// Everything PageControlDrawTab paints for one tab, in the tab bar's own
// coordinates.
struct TabLook {
  QString text;        // the caption without its "&"
  int accessKey = -1;  // index in `text` of the letter after the "&"; -1: none
  QColor textColour;
  QPoint textTopLeft;      // x centred in the tab, y = 4
  bool underline = false;  // only unselected tabs with an access key
  int underlineY = 16;
  int underlineFrom = 0, underlineTo = 0;  // both ends drawn
  QRect accent;                            // (left + 4, top + 2) to (right - 4, top + 5), right and bottom excluded
  QColor accentColour;                     // amber when selected, the button face otherwise
};

TabLook PageControlDrawTab(const QString& caption, const QRect& tab, bool selected, const QFontMetrics& metrics,
                           const QColor& buttonFace);

class PageTabBar : public QTabBar {
 public:
  explicit PageTabBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize tabSizeHint(int index) const override;
};

class PageControl : public QTabWidget {
 public:
  explicit PageControl(QWidget* parent = nullptr);
};

}  // namespace klarvex::ui
