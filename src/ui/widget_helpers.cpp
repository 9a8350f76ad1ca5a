#include "ui/widget_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace klarvex::ui {

QPushButton* Button(const QString& caption, const char* name, const QString& hint) {
  return Named(new QPushButton(caption), name, hint);
}

QToolButton* BrowseButton(const char* name, const QString& hint) {
  auto* button = Named(new QToolButton, name, hint);
  button->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
  return button;
}

QCheckBox* CheckBox(const QString& caption, const char* name, const QString& hint) {
  return Named(new QCheckBox(caption), name, hint);
}

QComboBox* List(const char* name, const QString& hint) {
  auto* list = Named(new QComboBox, name, hint);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

QLineEdit* ReadOnlyEdit(const char* name, const QString& hint, int maxLength) {
  auto* edit = Named(new QLineEdit, name, hint);
  edit->setReadOnly(true);
  if (maxLength > 0) edit->setMaxLength(maxLength);
  return edit;
}

void SetText(QLineEdit* edit, const std::string& text) {
  const QString value = Q(text);
  if (edit->text() != value) edit->setText(value);
}

}  // namespace klarvex::ui
