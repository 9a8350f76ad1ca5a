// The small helpers the window's files share: making a widget that carries
// its control's name (and hint), and setting one from the model only when
// its value differs, so text being typed keeps its cursor.
#pragma once

#include <QString>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace klarvex::ui {

template <typename W>
W* Named(W* widget, const char* name, const QString& hint = {}) {
  widget->setObjectName(name);
  if (!hint.isEmpty()) widget->setToolTip(hint);
  return widget;
}

QPushButton* Button(const QString& caption, const char* name, const QString& hint = {});
QToolButton* BrowseButton(const char* name, const QString& hint);
QCheckBox* CheckBox(const QString& caption, const char* name, const QString& hint = {});
// A drop-down list as wide as its longest entry.
QComboBox* List(const char* name, const QString& hint = {});
QLineEdit* ReadOnlyEdit(const char* name, const QString& hint = {}, int maxLength = 0);

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
void SetText(QLineEdit* edit, const std::string& text);

}  // namespace klarvex::ui
