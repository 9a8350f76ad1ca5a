// The settings: nothing read on a first run, every value written at close,
// and read back by the next start.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QTest>

#include "ui/int_edit.h"
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
};

QObject* NewSettingsTest() { return new SettingsTest; }

}  // namespace klarvex::ui::testing

#include "settings_test.moc"
