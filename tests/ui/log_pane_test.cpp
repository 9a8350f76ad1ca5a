// The message pane renders the markup of each line; the status bar's two
// panels and its hint follow slog, dlog0 and erlog.
#include "ui/log_pane.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include "ui/status_panels.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

// The look of the character at `index` of the pane's line `line`.
QTextCharFormat CharAt(const LogPane& pane, int line, int index) {
  const QTextBlock block = pane.document()->findBlockByNumber(line);
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + index + 1);  // the format of the character before the cursor
  return cursor.charFormat();
}

QString LineText(const LogPane& pane, int line) { return pane.document()->findBlockByNumber(line).text(); }

const QColor kBlue(0, 0, 255), kRed(255, 0, 0);

}  // namespace

class LogPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void blueNumberInPlainText() {
    LogPane pane;
    pane.appendMessage("Frame rate = [bl]23.976[/bl] fps");
    QCOMPARE(LineText(pane, 0), QString("Frame rate = 23.976 fps"));
    QCOMPARE(CharAt(pane, 0, 13).foreground().color(), kBlue);  // "2"
    QCOMPARE(CharAt(pane, 0, 18).foreground().color(), kBlue);  // "6"
    const QTextCharFormat plain = CharAt(pane, 0, 0);
    QCOMPARE(plain.foreground().color(), pane.palette().color(QPalette::WindowText));
    QCOMPARE(plain.fontWeight(), int(QFont::Normal));
    QCOMPARE(plain.fontPointSize(), 8.0);
    QCOMPARE(CharAt(pane, 0, 19).foreground().color(), pane.palette().color(QPalette::WindowText));
  }

  void severalRunsOfOneTag() {
    LogPane pane;
    pane.appendMessage("[bl]16[/bl] bits, [bl]DTS ES[/bl]");
    QCOMPARE(LineText(pane, 0), QString("16 bits, DTS ES"));
    QCOMPARE(CharAt(pane, 0, 0).foreground().color(), kBlue);
    QCOMPARE(CharAt(pane, 0, 1).foreground().color(), kBlue);
    QVERIFY(CharAt(pane, 0, 4).foreground().color() != kBlue);  // "b" of "bits"
    QCOMPARE(CharAt(pane, 0, 9).foreground().color(), kBlue);   // "D"
    QCOMPARE(CharAt(pane, 0, 14).foreground().color(), kBlue);  // "S"
  }

  void everyTagsEffect() {
    LogPane pane;
    pane.appendMessage("Opening file [b]FEATURE_1.EVO[/b]");
    QCOMPARE(LineText(pane, 0), QString("Opening file FEATURE_1.EVO"));
    QCOMPARE(CharAt(pane, 0, 13).fontWeight(), int(QFont::Bold));
    QCOMPARE(CharAt(pane, 0, 12).fontWeight(), int(QFont::Normal));
    pane.appendMessage(
        "[i]i[/i][u]u[/u][s1]m[/s1][s2]l[/s2][c:0000FF]r[/c:0000FF][c:FF0000]b[/c:FF0000][c:]k[/c:][re]e[/re]");
    QCOMPARE(LineText(pane, 1), QString("iumlrbke"));
    QVERIFY(CharAt(pane, 1, 0).fontItalic());
    QVERIFY(!CharAt(pane, 1, 0).fontUnderline());
    QVERIFY(CharAt(pane, 1, 1).fontUnderline());
    QCOMPARE(CharAt(pane, 1, 2).fontPointSize(), 10.0);
    QCOMPARE(CharAt(pane, 1, 3).fontPointSize(), 12.0);
    QCOMPARE(CharAt(pane, 1, 4).foreground().color(), kRed);
    QCOMPARE(CharAt(pane, 1, 5).foreground().color(), kBlue);
    QCOMPARE(CharAt(pane, 1, 6).foreground().color(), QColor(0, 0, 0));
    QCOMPARE(CharAt(pane, 1, 7).foreground().color(), kRed);
  }

  void unknownTagShowsTheDefaultLook() {
    LogPane pane;
    pane.appendMessage("[B]capital[/B] and [x]other[/x]");
    QCOMPARE(LineText(pane, 0), QString("capital and other"));
    for (int i : {0, 12}) {
      const QTextCharFormat format = CharAt(pane, 0, i);
      QCOMPARE(format.fontWeight(), int(QFont::Normal));
      QCOMPARE(format.fontPointSize(), 8.0);
      QCOMPARE(format.foreground().color(), pane.palette().color(QPalette::WindowText));
    }
  }

  void onlyTheNewLineIsStyled() {
    LogPane pane;
    pane.appendMessage("[b]bold[/b]");
    pane.appendMessage("plain");
    pane.appendMessage("[re]red[/re]");
    QCOMPARE(CharAt(pane, 0, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(CharAt(pane, 1, 0).fontWeight(), int(QFont::Normal));
    QVERIFY(CharAt(pane, 1, 0).foreground().color() != kRed);
    QCOMPARE(CharAt(pane, 2, 0).foreground().color(), kRed);
    QCOMPARE(pane.lineCount(), 3);
  }

  void emptyMessagesAppendEmptyLines() {
    LogPane pane;
    pane.appendMessage("");
    pane.appendMessage("x");
    pane.appendMessage("");
    QCOMPARE(pane.document()->blockCount(), 3);
    QCOMPARE(LineText(pane, 0), QString());
    QCOMPARE(LineText(pane, 1), QString("x"));
    pane.clearLines();
    QCOMPARE(pane.lineCount(), 0);
    pane.appendMessage("again");
    QCOMPARE(pane.document()->blockCount(), 1);
  }

  void textAfterATagIsCutTo255Characters() {
    LogPane pane;
    const std::string tail(300, 'x');
    pane.appendMessage("[b]n[/b]" + tail);
    // The 255 characters after "[b]" hold "n[/b]": 250 of the tail are left.
    QCOMPARE(LineText(pane, 0).size(), 1 + 250);
    pane.appendMessage(tail);  // no tag: never cut
    QCOMPARE(LineText(pane, 1).size(), 300);
  }

  void bracketsOfANameAreShown() {
    LogPane pane;
    pane.appendMessage("Opening file [b]" + Literal("Movie [1080p].EVO") + "[/b]");
    QCOMPARE(LineText(pane, 0), QString("Opening file Movie [1080p].EVO"));
    QCOMPARE(CharAt(pane, 0, 20).fontWeight(), int(QFont::Bold));
    pane.appendMessage("lone [ bracket");
    QCOMPARE(LineText(pane, 1), QString("lone [ bracket"));
  }

  // Ctrl+A, then more lines: they arrive unselected.
  void newLinesDoNotJoinASelection() {
    LogPane pane;
    pane.appendMessage("first");
    pane.appendMessage("[b]second[/b]");
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pane.textCursor().selectedText(), QString("first\u2029second"));
    pane.appendMessage("third");
    pane.appendMessage("");
    QCOMPARE(pane.textCursor().selectedText(), QString("first\u2029second"));
    QCOMPARE(LineText(pane, 2), QString("third"));
    QCOMPARE(pane.lineCount(), 4);
  }

  void statusPanelsFollowSlog() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    StatusPanels* bar = window->StatusBar;
    const QString hintBefore = bar->hint();
    window->slog("Ready", 0);
    QCOMPARE(bar->panel(0)->text(), QString(" Ready"));
    QCOMPARE(bar->panel(0)->width(), bar->textWidth(" Ready"));
    QCOMPARE(bar->hint(), hintBefore);
    window->slog("Ready", 1);
    QCOMPARE(bar->panel(1)->text(), QString(" Ready"));
    QCOMPARE(bar->hint(), QString("Ready"));
    window->dlog0("Downloading file...");
    QCOMPARE(LogLines(*window.main).back(), QString("Downloading file..."));
    QCOMPARE(bar->panel(0)->text(), QString(" Downloading file..."));
    QCOMPARE(bar->panel(1)->text(), QString(" "));
    window->dlog("Frame rate = [bl]25[/bl]");
    QCOMPARE(bar->panel(1)->text(), QString(" Frame rate = 25"));
  }

  void erlogShowsTheErrorEverywhere() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    StatusPanels* bar = window->StatusBar;
    QVERIFY(!bar->font().bold());
    window->erlog("HTTP error");
    QCOMPARE(LogLines(*window.main).back(), QString("HTTP error"));
    const LogPane& pane = *window->reMessage;
    QCOMPARE(CharAt(pane, pane.lineCount() - 1, 0).foreground().color(), kRed);
    QCOMPARE(bar->panel(1)->text(), QString(" HTTP error"));
    QCOMPARE(bar->hint(), QString("HTTP error"));
    QVERIFY(bar->font().bold());
    QVERIFY(bar->panel(0)->blank());
    window->slog("Ready", 0);  // nothing brings the first panel back
    QVERIFY(bar->panel(0)->blank());
    QVERIFY(bar->font().bold());
  }

  void startUpPanels() {
    StatusPanels bar;
    QCOMPARE(bar.panel(0)->text(), QString(" Ready"));
    QCOMPARE(bar.panel(0)->width(), 40);
    QCOMPARE(bar.panel(1)->text(), QString(" Select or drop an EVO file to demux"));
    QCOMPARE(bar.hint(), QString(" Select or drop an EVO file to demux"));
  }
};

QObject* NewLogPaneTest() { return new LogPaneTest; }

}  // namespace klarvex::ui::testing

#include "log_pane_test.moc"
