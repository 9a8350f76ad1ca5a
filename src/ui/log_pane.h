// The message pane of the Status tab: every report appended as one line,
// its tags removed and its tagged runs styled (bold, italic, underline,
// sizes, colours). Only the new line is ever styled; earlier lines keep
// their look.
#pragma once

#include <QTextCharFormat>
#include <QTextEdit>
#include <string>

#include "base/markup.h"

namespace klarvex::ui {

class LogPane : public QTextEdit {
 public:
  explicit LogPane(QWidget* parent = nullptr);

  void appendMessage(const std::string& message);
  void clearLines();
  int lineCount() const { return lines_; }

  // The look of text outside runs and of runs reset by an unknown tag.
  QTextCharFormat defaultFormat() const;
  // The default look with one tag's effect applied.
  QTextCharFormat formatFor(const TagEffect& effect) const;

 private:
  int lines_ = 0;
};

}  // namespace klarvex::ui
