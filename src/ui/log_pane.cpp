#include "ui/log_pane.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace klarvex::ui {

namespace {

constexpr int kDefaultPointSize = 8;

QColor ColourOf(uint32_t rgb) {  // 0x00BBGGRR
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

}  // namespace

LogPane::LogPane(QWidget* parent) : QTextEdit(parent) {
  setObjectName("reMessage");
  setReadOnly(true);
  setLineWrapMode(QTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUndoRedoEnabled(false);  // an undo stack would grow with every line
}

QTextCharFormat LogPane::defaultFormat() const {
  QTextCharFormat format;
  format.setFontFamilies({"Tahoma"});
  format.setFontPointSize(kDefaultPointSize);
  format.setFontWeight(QFont::Normal);
  format.setFontItalic(false);
  format.setFontUnderline(false);
  format.setForeground(palette().color(QPalette::WindowText));
  return format;
}

QTextCharFormat LogPane::formatFor(const TagEffect& effect) const {
  QTextCharFormat format = defaultFormat();
  switch (effect.kind) {
    case TagEffectKind::Bold:
      format.setFontWeight(QFont::Bold);
      break;
    case TagEffectKind::Italic:
      format.setFontItalic(true);
      break;
    case TagEffectKind::Underline:
      format.setFontUnderline(true);
      break;
    case TagEffectKind::Size10:
      format.setFontPointSize(10);
      break;
    case TagEffectKind::Size12:
      format.setFontPointSize(12);
      break;
    case TagEffectKind::Colour:
      format.setForeground(ColourOf(effect.colour));
      break;
    case TagEffectKind::Reset:
      break;
  }
  return format;
}

void LogPane::appendMessage(const std::string& message) {
  const MarkupLine line = ParseMarkup(message);
  // A selection that reaches the end (Ctrl+A) would grow with every line
  // inserted there: it is put back as it was.
  const int anchor = textCursor().anchor(), position = textCursor().position();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  const QTextCharFormat plain = defaultFormat();
  if (lines_ > 0) cursor.insertBlock(QTextBlockFormat(), plain);
  cursor.setCharFormat(plain);
  // The line is written piece by piece, each piece in its final look, so
  // nothing outside the new line is touched.
  auto insert = [&](size_t from, size_t to, const QTextCharFormat& format) {
    if (to > from)
      cursor.insertText(QString::fromUtf8(line.text.data() + from, static_cast<qsizetype>(to - from)), format);
  };
  size_t done = 0;
  for (const StyledRun& run : line.runs) {
    insert(done, run.start, plain);
    insert(run.start, run.start + run.length, formatFor(run.effect));
    done = run.start + run.length;
  }
  insert(done, line.text.size(), plain);
  ++lines_;
  if (anchor != position) {
    QTextCursor kept(document());
    kept.setPosition(anchor);
    kept.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(kept);
  }
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

void LogPane::clearLines() {
  clear();
  lines_ = 0;
}

}  // namespace klarvex::ui
