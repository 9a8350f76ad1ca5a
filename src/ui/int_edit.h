// An edit box that holds an integer: only digits, "+", "-", backspace and
// Enter get through; any other key is dropped with the exclamation sound.
#pragma once

#include <QLineEdit>
#include <cstdint>

namespace klarvex::ui {

class TIntEdit : public QLineEdit {
 public:
  explicit TIntEdit(QWidget* parent = nullptr);

  // The text read as a decimal 32-bit number; 0 when it is not one.
  int64_t Value() const;
  void setValue(int64_t value);

  // Whether a key press with this text and key may reach the box.
  static bool KeyAllowed(int key, const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace klarvex::ui
