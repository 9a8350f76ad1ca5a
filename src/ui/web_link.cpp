#include "ui/web_link.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace klarvex::ui {

TWebLink::TWebLink(QWidget* parent) : QLabel(parent) {
  setToolTip("Go to my homepage.");
  FontOver = font();
  FontOver.setUnderline(true);
}

void TWebLink::enterEvent(QEnterEvent* event) {
  if (!savedFont_) savedFont_ = font();
  setFont(FontOver);
  setCursor(Qt::PointingHandCursor);
  QLabel::enterEvent(event);
}

void TWebLink::leaveEvent(QEvent* event) {
  restoreLook();
  QLabel::leaveEvent(event);
}

void TWebLink::restoreLook() {
  if (savedFont_) setFont(*savedFont_);
  setCursor(Qt::ArrowCursor);
}

void TWebLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !URL.isEmpty()) QDesktopServices::openUrl(QUrl(URL));
  QLabel::mousePressEvent(event);
}

}  // namespace klarvex::ui
