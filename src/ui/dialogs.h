// The window's modal dialogs: the Yes/No question, the error box for a
// failure that ends a job, and the file and folder choosers. Tests put
// answers of their own in place of the real dialogs.
#pragma once

#include <QString>

class QWidget;

namespace klarvex::ui {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual bool question(QWidget* parent, const QString& text) = 0;  // true: Yes
  virtual void error(QWidget* parent, const QString& text) = 0;
  // "" when the user cancels. `filter` in the "caption|patterns|..." form.
  virtual QString openFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
};

class QtDialogs : public Dialogs {
 public:
  bool question(QWidget* parent, const QString& text) override;
  void error(QWidget* parent, const QString& text) override;
  QString openFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) override;
  QString chooseFolder(QWidget* parent, const QString& title, const QString& start) override;
};

// "caption|*.a; *.b|caption2|*.c" as Qt's "caption (*.a *.A *.b *.B);;caption2 (*.c *.C)":
// file names on Linux keep their case, and discs carry upper-case names.
QString QtFileFilter(const QString& captionsAndPatterns);

}  // namespace klarvex::ui
