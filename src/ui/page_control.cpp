#include "ui/page_control.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace klarvex::ui {

namespace {

constexpr int kTextTop = 4;
constexpr int kUnderlineY = 16;
const QColor kSelectedText(0, 0, 136);
const QColor kOtherText(102, 102, 153);
const QColor kAccent(255, 187, 0);

}  // namespace

TabLook PageControlDrawTab(const QString& caption, const QRect& tab, bool selected, const QFontMetrics& metrics,
                           const QColor& buttonFace) {
  TabLook look;
  const qsizetype amp = caption.indexOf('&');
  look.text = caption;
  if (amp >= 0) {
    look.text.remove(amp, 1);
    if (amp < look.text.size()) look.accessKey = static_cast<int>(amp);
  }
  look.textColour = selected ? kSelectedText : kOtherText;
  const int textWidth = metrics.horizontalAdvance(look.text);
  look.textTopLeft = QPoint(tab.left() + (tab.width() - textWidth) / 2, kTextTop);
  if (!selected && look.accessKey >= 0) {
    look.underline = true;
    look.underlineY = kUnderlineY;
    look.underlineFrom = look.textTopLeft.x() + metrics.horizontalAdvance(look.text.left(look.accessKey));
    look.underlineTo = look.underlineFrom + metrics.horizontalAdvance(look.text.at(look.accessKey)) - 1;
  }
  const int right = tab.left() + tab.width();  // the first column after the tab
  look.accent = QRect(QPoint(tab.left() + 4, tab.top() + 2), QPoint(right - 4 - 1, tab.top() + 5 - 1));
  look.accentColour = selected ? kAccent : buttonFace;
  return look;
}

PageTabBar::PageTabBar(QWidget* parent) : QTabBar(parent) {
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  setDrawBase(true);
  setExpanding(false);
}

QSize PageTabBar::tabSizeHint(int index) const {
  QString text = tabText(index);
  text.remove('&');
  const int width = fontMetrics().horizontalAdvance(text) + 20;
  const int height = std::max(22, fontMetrics().height() + 10);
  return {width, height};
}

void PageTabBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor face = palette().color(QPalette::Button);
  painter.setFont(font());
  for (int i = 0; i < count(); ++i) {
    const QRect rect = tabRect(i);
    const TabLook look = PageControlDrawTab(tabText(i), rect, i == currentIndex(), fontMetrics(), face);
    painter.fillRect(rect, face);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.setPen(look.textColour);
    painter.drawText(QRect(look.textTopLeft, QSize(rect.width(), fontMetrics().height())),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, look.text);
    if (look.underline) painter.drawLine(look.underlineFrom, look.underlineY, look.underlineTo, look.underlineY);
    painter.fillRect(look.accent, look.accentColour);
    // Keyboard focus on the tabs (Tab, then the arrow keys): the style's
    // focus frame around the current tab's caption.
    if (hasFocus() && i == currentIndex()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = rect.adjusted(3, 6, -3, -3);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
  setObjectName("PageControl");
  setTabBar(new PageTabBar(this));
}

}  // namespace klarvex::ui
