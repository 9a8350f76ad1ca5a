#include "ui/int_edit.h"

#include <QApplication>
#include <QKeyEvent>

namespace klarvex::ui {

TIntEdit::TIntEdit(QWidget* parent) : QLineEdit(parent) {
  setText("0");
  setFixedWidth(33);
}

int64_t TIntEdit::Value() const {
  bool ok = false;
  const int value = text().toInt(&ok, 10);
  return ok ? value : 0;
}

void TIntEdit::setValue(int64_t value) { setText(QString::number(value)); }

bool TIntEdit::KeyAllowed(int key, const QString& text) {
  if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter) return true;
  if (text.size() != 1) return false;
  const char16_t c = text.front().unicode();
  return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
}

// Only keys that type a character are checked, as the character filter of
// an edit box sees them; cursor keys, Delete and shortcuts pass.
void TIntEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  const bool typesCharacter =
      !typed.isEmpty() && typed.front().isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (typesCharacter && !KeyAllowed(event->key(), typed)) {
    QApplication::beep();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace klarvex::ui
