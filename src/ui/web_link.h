// A label that behaves as a hyperlink: the hover font and the hand pointer
// while the pointer is over it, and a click opens its address.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <optional>

namespace klarvex::ui {

class TWebLink : public QLabel {
 public:
  explicit TWebLink(QWidget* parent = nullptr);

  QString URL;
  QFont FontOver;

  // The pointer left the label (the window forwards this too).
  void restoreLook();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::optional<QFont> savedFont_;
};

}  // namespace klarvex::ui
