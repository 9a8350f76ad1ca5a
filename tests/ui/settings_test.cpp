// The settings: nothing read on a first run, every value written at close,
// and read back by the next start.
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>
#include <limits>

#include "ui/int_edit.h"
#include "ui/window_place.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

const QStringList kAllValues = {"Width",       "Height",    "Top",         "Left",    "WindowState", "TreeWidth",
                                "AudioExt",    "VideoExt",  "SubExt",      "Workdir", "EVOdir",      "XPLdir",
                                "Continue",    "FastCheck", "CountFrames", "Details", "AutoRead",    "AutoDemux",
                                "AutoRebuild", "AutoClear", "FastSize",    "ADV_PCK", "AdjustPTS",   "ReadVTI",
                                "Version",     "LpcmWav",   "VobSub",      "CodecExt"};

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void firstRunShowsTheDefaultsAndWritesEverythingAtClose() {
    SettingsFolder settings;
    {
      Window window = OpenWindow(settings);
      QVERIFY(!window->settingsExisted());
      QVERIFY(settings.open()->allKeys().isEmpty());  // reading creates nothing
      QVERIFY(window->cbContinue->isChecked());
      QVERIFY(window->cbFastCheck->isChecked());
      QCOMPARE(window->ieFastSize->text(), QString("300"));
      QVERIFY(window->cbCountFr->isChecked() && window->cbDetails->isChecked());
      QVERIFY(window->cbAutoRead->isChecked() && window->cbReadVTI->isChecked());
      QVERIFY(window->rbNoAuto->isChecked());
      QVERIFY(!window->cbAutoClear->isChecked() && !window->cbRBAdvanced->isChecked());
      QVERIFY(!window->cbAdjustPTS->isChecked());
      QCOMPARE(window->eVideoExt->text(), QString("mpv"));
      QCOMPARE(window->eAudioExt->text(), QString("mpa"));
      QCOMPARE(window->eSubExt->text(), QString("sup"));
      QCOMPARE(window->eWorkdir->text(), QString());
      QCOMPARE(window->size(), QSize(WindowSettings::kDesignedWidth, WindowSettings::kDesignedHeight));
      QVERIFY(window->close());
    }
    auto store = settings.open();
    QStringList keys = store->allKeys();
    QStringList expected = kAllValues;
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(store->value("Version").toString(), QString("0.629"));
    QCOMPARE(store->value("FastSize").toInt(), 300);
    QCOMPARE(store->value("Continue").toInt(), 1);
    QCOMPARE(store->value("AutoDemux").toInt(), 0);
    QCOMPARE(store->value("TreeWidth").toInt(), 96);
  }

  void changedOptionsComeBackAtTheNextStart() {
    SettingsFolder settings;
    {
      Window window = OpenWindow(settings);
      window->cbContinue->click();
      window->cbAutoClear->click();
      window->rbAutoRebuild->click();
      window->cbAdjustPTS->click();
      window->cbVobSub->click();
      window->ieFastSize->clear();  // an empty box is stored as 0
      window->eVideoExt->setText("m2v");
      window->eWorkdir->setText("/tmp/out");
      window->resize(700, 400);
      QVERIFY(!window->state().options.cbContinue);
      QCOMPARE(window->state().options.ieFastSize, int64_t{0});
      QVERIFY(window->close());
    }
    auto store = settings.open();
    QCOMPARE(store->value("FastSize").toInt(), 0);
    QCOMPARE(store->value("Continue").toInt(), 0);
    QCOMPARE(store->value("AutoRebuild").toInt(), 1);
    QCOMPARE(store->value("Width").toInt(), 700);
    QCOMPARE(store->value("Height").toInt(), 400);
    store.reset();

    Window again = OpenWindow(settings);
    QVERIFY(again->settingsExisted());
    QVERIFY(!again->cbContinue->isChecked());
    QVERIFY(again->cbAutoClear->isChecked());
    QVERIFY(again->rbAutoRebuild->isChecked());
    QVERIFY(!again->rbNoAuto->isChecked());
    QVERIFY(again->cbAdjustPTS->isChecked());
    QVERIFY(again->cbVobSub->isChecked() && again->state().options.cbVobSub);
    QVERIFY(!again->cbLpcmWav->isChecked() && !again->cbCodecExt->isChecked());
    QCOMPARE(again->ieFastSize->text(), QString("0"));
    QCOMPARE(again->eVideoExt->text(), QString("m2v"));
    QCOMPARE(again->eWorkdir->text(), QString("/tmp/out"));
    QCOMPARE(again->state().options.eWorkdir, std::string("/tmp/out"));
    QCOMPARE(again->size(), QSize(700, 400));
  }

  void maximizedWindowKeepsItsLastNormalSize() {
    SettingsFolder settings;
    {
      auto store = settings.open();
      store->setValue("Width", 690);
      store->setValue("Height", 390);
      store->setValue("Top", 11);
      store->setValue("Left", 22);
    }
    Window window = OpenWindow(settings);
    window->showMaximized();
    QTRY_VERIFY(window->isMaximized());
    QVERIFY(window->close());
    auto store = settings.open();
    QCOMPARE(store->value("WindowState").toInt(), 2);
    QCOMPARE(store->value("Width").toInt(), 690);
    QCOMPARE(store->value("Height").toInt(), 390);
    QCOMPARE(store->value("Top").toInt(), 11);
    QCOMPARE(store->value("Left").toInt(), 22);
  }

  void storedValuesAndTheirRules() {
    SettingsFolder settings;
    {
      auto store = settings.open();
      store->setValue("AutoDemux", 1);
      store->setValue("AutoRebuild", 1);  // both: the one set last stays
      store->setValue("FastCheck", 0);
      store->setValue("CountFrames", 7);  // any number but 0 is true
      store->setValue("SubExt", "toolongext");
      store->setValue("EVOdir", "/media/disc/HVDVD_TS/");
      store->setValue("TreeWidth", 150);
    }
    Window window = OpenWindow(settings);
    QVERIFY(window->rbAutoRebuild->isChecked());
    QVERIFY(!window->rbAutoDemux->isChecked());
    QVERIFY(!window->cbFastCheck->isChecked());
    QVERIFY(!window->ieFastSize->isEnabled());  // follows "Fast EVO checking"
    QVERIFY(window->cbCountFr->isChecked());
    QCOMPARE(window->eSubExt->text(), QString("toolo"));
    QCOMPARE(window->state().names.SourceDir, std::string("/media/disc/HVDVD_TS/"));
    QCOMPARE(window->splXPL->sizes().front(), 150);
    QCOMPARE(settings.open()->value("Version").toString(), QString("0.629"));  // written by the read
    window->cbFastCheck->click();
    QVERIFY(window->ieFastSize->isEnabled());
    QVERIFY(window->state().options.cbFastCheck);
  }

  // Over a fake layout: the primary screen 1280 x 800 less a 24-pixel panel,
  // a second one of 1920 x 1080 at its right.
  void placeOnScreens_data() {
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("opened");
    const QRect primary(0, 0, 1280, 776), second(1280, 0, 1920, 1080);
    const QList<QRect> one{primary}, two{primary, second};
    const QMargins none, openbox(1, 20, 1, 1);
    QTest::newRow("on the screen") << QRect(264, 306, 760, 460) << one << openbox << QRect(264, 306, 760, 460);
    QTest::newRow("on screen 2 of two") << QRect(2000, 100, 760, 460) << two << openbox << QRect(2000, 100, 760, 460);
    QTest::newRow("across both") << QRect(1000, 100, 760, 460) << two << none << QRect(1000, 100, 760, 460);
    QTest::newRow("screen 2 gone") << QRect(2000, 100, 760, 460) << one << none << QRect(520, 100, 760, 460);
    QTest::newRow("off everything") << QRect(5000, 2000, 760, 460) << two << none << QRect(520, 316, 760, 460);
    QTest::newRow("huge") << QRect(0, 0, 100000, 100000) << one << none << QRect(0, 0, 1280, 776);
    QTest::newRow("huge, framed") << QRect(0, 0, 100000, 100000) << one << openbox << QRect(1, 20, 1278, 755);
    QTest::newRow("negative Top") << QRect(264, -3000, 760, 460) << one << openbox << QRect(264, 20, 760, 460);
    QTest::newRow("title bar above") << QRect(264, 5, 760, 460) << one << openbox << QRect(264, 20, 760, 460);
    QTest::newRow("partly off right") << QRect(1000, 300, 760, 460) << one << none << QRect(520, 300, 760, 460);
    QTest::newRow("partly off below 2") << QRect(1500, 900, 760, 460) << two << none << QRect(1500, 620, 760, 460);
    QTest::newRow("below the minimum") << QRect(100, 100, 100, 50) << one << none << QRect(100, 100, 653, 337);
    QTest::newRow("screen below the minimum")
        << QRect(50, 50, 700, 400) << QList<QRect>{QRect(0, 0, 600, 300)} << none << QRect(0, 0, 653, 337);
  }

  void placeOnScreens() {
    QFETCH(QRect, saved);
    QFETCH(QList<QRect>, screens);
    QFETCH(QMargins, frame);
    QFETCH(QRect, opened);
    QCOMPARE(PlaceOnScreens(saved, screens, screens.front(), QSize(653, 337), frame), opened);
  }

  void savedPlaceFarOffIsKeptWithinReach() {
    WindowSettings window;
    window.Left = std::numeric_limits<int>::max();
    window.Top = std::numeric_limits<int>::min();
    window.Width = std::numeric_limits<int>::max();
    window.Height = -5;
    const QRect screen(0, 0, 1280, 800);
    QCOMPARE(PlaceOnScreens(SavedPlace(window), {screen}, screen, QSize(653, 337)), QRect(0, 0, 1280, 337));
  }

  // The client area is stored and restored as it is: a window closed where
  // it opened is stored where it was.
  void placeComesBackAsItWasStored() {
    SettingsFolder settings;
    {
      auto store = settings.open();
      store->setValue("Left", 31);
      store->setValue("Top", 42);
      store->setValue("Width", 700);
      store->setValue("Height", 400);
    }
    {
      Window window = OpenWindow(settings);
      QCOMPARE(window->geometry(), QRect(31, 42, 700, 400));
      QVERIFY(window->close());
    }
    auto store = settings.open();
    QCOMPARE(store->value("Left").toInt(), 31);
    QCOMPARE(store->value("Top").toInt(), 42);
    store->setValue("Left", 2000);  // a screen that is not there, edited by hand
    store->setValue("Top", -3000);
    store->setValue("Width", 100000);
    store.reset();
    Window window = OpenWindow(settings);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(window->geometry()));
  }

  // Without a width of its own the tree fits its entries after Read XPL,
  // within half the window; that width is stored, and a stored one wins.
  void treeFitsItsEntriesUnlessAWidthWasStored() {
    SettingsFolder settings;
    int fitted = 0;
    {
      Window window = OpenWindow(settings);
      window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
      window->dropFiles({kSamples + "/ADV_OBJ/VPLST000.XPL"});
      QApplication::processEvents();
      const QAbstractItemView* tree = window->tvXPL;
      fitted = window->splXPL->sizes().front();
      QVERIFY(fitted >= tree->sizeHintForColumn(0));
      QVERIFY(fitted > WindowSettings::kDesignedTreeWidth);
      QVERIFY(fitted <= window->width() / 2);
      QVERIFY(window->close());
    }
    QCOMPARE(settings.open()->value("TreeWidth").toInt(), fitted);
    settings.open()->setValue("TreeWidth", 150);
    Window window = OpenWindow(settings);
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
    window->dropFiles({kSamples + "/ADV_OBJ/VPLST000.XPL"});
    QApplication::processEvents();
    QCOMPARE(window->splXPL->sizes().front(), 150);
  }
};

QObject* NewSettingsTest() { return new SettingsTest; }

}  // namespace klarvex::ui::testing

#include "settings_test.moc"
