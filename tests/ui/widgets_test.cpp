// The window's small controls: the integer box, the hyperlink label, the
// owner-drawn tabs, the logo's place and the open dialogs' filters.
#include <QLabel>
#include <QTest>

#include "ui/dialogs.h"
#include "ui/int_edit.h"
#include "ui/page_control.h"
#include "ui/web_link.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void intEditTakesDigitsAndSigns() {
    TIntEdit box;
    QCOMPARE(box.text(), QString("0"));
    QCOMPARE(box.width(), 33);
    box.clear();
    QTest::keyClicks(&box, "-12");
    QCOMPARE(box.text(), QString("-12"));
    QCOMPARE(box.Value(), int64_t{-12});
    QTest::keyClick(&box, Qt::Key_A);
    QTest::keyClicks(&box, "x.,");
    QCOMPARE(box.text(), QString("-12"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QString("-1"));
    QTest::keyClicks(&box, "+9");
    QCOMPARE(box.text(), QString("-1+9"));
    QCOMPARE(box.Value(), int64_t{0});  // not a number
  }

  void intEditValue() {
    TIntEdit box;
    box.setText("abc");
    QCOMPARE(box.Value(), int64_t{0});
    box.setText("");
    QCOMPARE(box.Value(), int64_t{0});
    box.setText("2147483647");
    QCOMPARE(box.Value(), int64_t{2147483647});
    box.setText("2147483648");  // not a 32-bit number
    QCOMPARE(box.Value(), int64_t{0});
    box.setValue(300);
    QCOMPARE(box.text(), QString("300"));
  }

  void webLinkHoverLook() {
    TWebLink link;
    link.setText("home");
    QCOMPARE(link.toolTip(), QString("Go to my homepage."));
    const QFont normal = link.font();
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&link, &enter);
    QVERIFY(link.font().underline());
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    QCOMPARE(link.font(), normal);
    QCOMPARE(link.cursor().shape(), Qt::ArrowCursor);
  }

  void unselectedTabLook() {
    const QFontMetrics metrics(QFont("Tahoma", 8, QFont::Bold));
    const QRect tab(10, 0, 60, 22);
    const TabLook look = PageControlDrawTab("S&tatus", tab, false, metrics, Qt::lightGray);
    QCOMPARE(look.text, QString("Status"));
    QCOMPARE(look.accessKey, 1);
    QCOMPARE(look.textColour, QColor(102, 102, 153));
    const int x = 10 + (60 - metrics.horizontalAdvance("Status")) / 2;
    QCOMPARE(look.textTopLeft, QPoint(x, 4));
    QVERIFY(look.underline);
    QCOMPARE(look.underlineY, 16);
    QCOMPARE(look.underlineFrom, x + metrics.horizontalAdvance("S"));
    QCOMPARE(look.underlineTo, look.underlineFrom + metrics.horizontalAdvance("t") - 1);
    QCOMPARE(look.accentColour, QColor(Qt::lightGray));
    // (left + 4, top + 2) to (right - 4, top + 5), the right and bottom edges excluded.
    QCOMPARE(look.accent, QRect(14, 2, 60 - 8, 3));
  }

  void selectedTabLook() {
    const QFontMetrics metrics(QFont("Tahoma", 8, QFont::Bold));
    const TabLook look = PageControlDrawTab("VT&I", QRect(100, 2, 40, 20), true, metrics, Qt::lightGray);
    QCOMPARE(look.text, QString("VTI"));
    QCOMPARE(look.accessKey, 2);
    QCOMPARE(look.textColour, QColor(0, 0, 136));
    QVERIFY(!look.underline);
    QCOMPARE(look.textTopLeft.y(), 4);  // not relative to the tab's top
    QCOMPARE(look.accent, QRect(104, 4, 32, 3));
    QCOMPARE(look.accentColour, QColor(255, 187, 0));
  }

  void logoPlace() {
    QCOMPARE(TfMain::LogoLeft(400), 153);
    QCOMPARE(TfMain::LogoLeft(432), 153);
    QCOMPARE(TfMain::LogoLeft(434), 154);
    QCOMPARE(TfMain::LogoLeft(800), 337);
    QCOMPARE(TfMain::LogoLeft(801), 337);
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->resize(800, 500);
    QApplication::processEvents();
    QCOMPARE(window->imLogo->x(), 337);
    QCOMPARE(window->imLogo->size(), QSize(125, 31));
    window->resize(400, 300);  // held at the smallest size the window allows
    QApplication::processEvents();
    QCOMPARE(window->size(), QSize(TfMain::kMinimumWidth, TfMain::kMinimumHeight));
    QCOMPARE(window->imLogo->x(), TfMain::LogoLeft(TfMain::kMinimumWidth));
  }

  void openDialogFilters() {
    QCOMPARE(QtFileFilter("XPL|VPLST000.XPL"), QString("XPL (vplst000.xpl VPLST000.XPL)"));
    QCOMPARE(QtFileFilter("All supported file|*.aob; *.evo|EVOB files (HD DVD)|*.evo"),
             QString("All supported file (*.aob *.AOB *.evo *.EVO);;EVOB files (HD DVD) (*.evo *.EVO)"));
  }
};

QObject* NewWidgetsTest() { return new WidgetsTest; }

}  // namespace klarvex::ui::testing

#include "widgets_test.moc"
