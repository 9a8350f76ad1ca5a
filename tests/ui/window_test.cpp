// The window's frame: start-up, the command line, drops, the browse buttons
// and the stream boxes, on the bundled sample title.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include "ui/page_control.h"
#include "ui/status_panels.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

const QString kVob = kSamples + "/DVD/VIDEO_TS/VTS_01_1.VOB";
const QString kAob = kSamples + "/AUDIO_TS/ATS_01_1.AOB";
const QString kEvo = kSamples + "/HVDVD_TS/FEATURE_1.EVO";
const QString kXpl = kSamples + "/ADV_OBJ/VPLST000.XPL";

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpState() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    QCOMPARE(window->windowTitle(), QString("Klarvex v0.629"));
    QCOMPARE(window->pageControl->currentIndex(), 0);
    QCOMPARE(window->StatusBar->panel(0)->text(), QString(" Ready"));
    QCOMPARE(window->StatusBar->panel(1)->text(), QString(" "));
    QCOMPARE(window->eEVOfile->text(), QString());
    QCOMPARE(window->eXPLfile->text(), QString("VPLST000.XPL"));
    QVERIFY(window->bbEVO->isEnabled() && window->bbXPL->isEnabled());
    for (QWidget* off : std::initializer_list<QWidget*>{window->bReadEVO, window->bReadXPL, window->bDemux,
                                                        window->bRebuild, window->bCancel, window->bWriteChaps})
      QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
    QVERIFY(window->bGetNew->isHidden());
    QVERIFY(window->mChapter->isHidden());
    for (QCheckBox* box : window->cbVideo) QVERIFY(!box->isEnabled() && !box->isChecked());
    QCOMPARE(window->cbVideo[7]->text(), QString("No video stream"));
    QCOMPARE(window->cbAudio[15]->text(), QString("No audio stream"));
    QCOMPARE(window->cbSub[31]->text(), QString("No subpicture"));
    const QStringList tabs = {"S&tatus", "&Video/Audio", "&Subpicture", "&XPL", "VT&I", "&Options", "&About"};
    for (int i = 0; i < tabs.size(); ++i) QCOMPARE(window->pageControl->tabText(i), tabs[i]);
    QCOMPARE(window->sgMainAudio->item(0, 0)->text(), QString("No."));
    QCOMPARE(window->sgMainAudio->item(0, 4)->text(), QString("Channels"));
    QCOMPARE(window->sgSubpicture->item(0, 1)->text(), QString("Coding"));
    QCOMPARE(window->sgSubpicture->item(0, 2)->text(), QString());
    QVERIFY(window->reAbout->toPlainText().contains("Klarvex"));
    QVERIFY(!window->imLogo->pixmap().isNull());
    QCOMPARE(window->imLogo->pixmap().size(), QSize(125, 31));
    const QList<QSize> iconSizes = window->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(256, 256)));
    QCOMPARE(window->minimumSize(), QSize(TfMain::kMinimumWidth, TfMain::kMinimumHeight));
    // Every control answers to its name.
    for (const char* name : {"bReadEVO", "cbVideo0", "cbAudio15", "cbSub31", "ieFastSize", "eWorkdir", "tvXPL", "mXPL",
                             "splXPL", "cbEVOname", "cbMainCompr", "cbSubTV", "sgSubAudio", "reMessage", "StatusBar",
                             "WebLink1", "bsrt2VTI", "rbNoAuto", "bbWorkdir"})
      QVERIFY2(window->findChild<QWidget*>(name) != nullptr, name);
  }

  void commandLineReadsTheFile() {
    SettingsFolder settings;
    Window window = OpenWindow(settings, {kVob});
    QCOMPARE(window->eEVOfile->text(), kVob);
    QVERIFY(LogLines(*window.main).contains("Done."));
    QVERIFY(window->cbVideo[0]->isChecked());
    QCOMPARE(window->cbVideo[0]->text(), QString("MPEG-2.stream.0"));
    QCOMPARE(window->cbAudio[1]->text(), QString("LPCM.stream.01"));
    QCOMPARE(window->cbSub[0]->text(), QString("Subpicture.00"));
    QVERIFY(window->bDemux->isEnabled());
    QVERIFY(!window->bRebuild->isEnabled());  // a VOB source
    QVERIFY(window.dialogs->errors.isEmpty());
  }

  void commandLineNamingNoFileEndsOnTheOpenError_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "/nonexistent/MISSING.EVO"
                             << "No such file or directory";
    QTest::newRow("folder") << kSamples + "/HVDVD_TS"
                            << "Is a directory";
  }

  // The error names what was given; the box stays empty and Read EVO with it.
  void commandLineNamingNoFileEndsOnTheOpenError() {
    QFETCH(QString, argument);
    QFETCH(QString, reason);
    SettingsFolder settings;
    Window window = OpenWindow(settings, {argument});
    QCOMPARE(window->eEVOfile->text(), QString());
    QCOMPARE(window.dialogs->errors, QStringList{"Cannot open file \"" + argument + "\". " + reason});
    QVERIFY(LogLines(*window.main).contains("Opening file " + argument.section('/', -1)));
    QVERIFY(!window->bReadEVO->isEnabled());
    QVERIFY(window->bbEVO->isEnabled());                 // usable again
    QTest::keyClick(window.main.get(), Qt::Key_Return);  // the default button is off: nothing is read
    QCOMPARE(window.dialogs->errors.size(), 1);
  }

  void dragsTheDropWouldNotTakeAreRefused_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("taken");
    auto local = [](const QString& path) { return QUrl::fromLocalFile(path); };
    QTest::newRow("EVO") << QList<QUrl>{local(kEvo)} << true;
    QTest::newRow("XPL") << QList<QUrl>{local(kXpl)} << true;
    QTest::newRow("AOB") << QList<QUrl>{local(kAob)} << false;
    QTest::newRow("AOB first") << QList<QUrl>{local(kAob), local(kEvo)} << false;
    QTest::newRow("remote") << QList<QUrl>{QUrl("https://example.org/FEATURE_1.EVO")} << false;
    QTest::newRow("no file") << QList<QUrl>{} << false;
  }

  // Entering and moving over the window: accepted exactly when the drop
  // would take the file.
  void dragsTheDropWouldNotTakeAreRefused() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, taken);
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.main.get(), &enter);
    QCOMPARE(enter.isAccepted(), taken);
    QDragMoveEvent move(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.main.get(), &move);
    QCOMPARE(move.isAccepted(), taken);
    // While a job runs nothing is taken.
    window->state().jobRunning = true;
    QDragEnterEvent during(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.main.get(), &during);
    QVERIFY(!during.isAccepted());
    window->state().jobRunning = false;
  }

  void droppedVobIsRead() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kVob});
    QCOMPARE(window->eEVOfile->text(), kVob);
    QVERIFY(LogLines(*window.main).contains("Done."));
    QVERIFY(window->cbAudio[0]->isChecked());
    QCOMPARE(window->cbAudio[0]->text(), QString("DD.stream.00"));
  }

  void droppedVobWithoutAutoReadIsOnlyChosen() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->cbAutoRead->click();
    window->dropFiles({kVob});
    QCOMPARE(window->eEVOfile->text(), kVob);
    QVERIFY(window->bReadEVO->isEnabled());
    QCOMPARE(window->reMessage->lineCount(), 0);
    window->bReadEVO->click();
    QVERIFY(LogLines(*window.main).contains("Done."));
  }

  void droppedAobDoesNothing() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kAob});
    QCOMPARE(window->eEVOfile->text(), QString());
    QCOMPARE(window->reMessage->lineCount(), 0);
    window->dropFiles({});
    QCOMPARE(window->reMessage->lineCount(), 0);
  }

  void threeDroppedFilesUseTheFirst() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->cbAutoRead->click();
    window->dropFiles({kVob, kEvo, kXpl});
    QCOMPARE(window->eEVOfile->text(), kVob);
    QCOMPARE(window->eXPLfile->text(), QString("VPLST000.XPL"));
    window->dropFiles({kAob, kVob});  // the first is not a source: nothing
    QCOMPARE(window->eEVOfile->text(), kVob);
  }

  void droppedPlaylistIsRead() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kEvo});
    window->dropFiles({kXpl});
    QCOMPARE(window->eXPLfile->text(), kXpl);
    QCOMPARE(window->pageControl->currentIndex(), 3);
    QCOMPARE(window->tvXPL->topLevelItemCount(), 5);
    QCOMPARE(window->tvXPL->topLevelItem(2)->text(0), QString("Audio"));
    QVERIFY(window->mXPL->toPlainText().contains("<Title"));
    QCOMPARE(window->mChapter->toPlainText().split('\n').size(), 8);
    QVERIFY(window->bWriteChaps->isEnabled());
    QCOMPARE(window->cbAudio[0]->text(), QString("DD+.6ch.s00.English"));
    // Read XPL again from its button, after the boxes were changed.
    window->cbAudio[0]->click();
    window->showPage(0);
    window->bReadXPL->click();
    QCOMPARE(window->pageControl->currentIndex(), 3);
    QVERIFY(window->cbAudio[0]->isChecked());
    QCOMPARE(window->tvXPL->topLevelItemCount(), 5);
  }

  void browsingForTheSource() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window.dialogs->fileToOpen = "";  // cancelled: nothing changes
    window->bbEVO->click();
    QCOMPARE(window.dialogs->lastTitle, QString("Choose the EVO file to demux"));
    QCOMPARE(window->eEVOfile->text(), QString());
    window.dialogs->fileToOpen = kEvo;
    window->bbEVO->click();
    QCOMPARE(window->eEVOfile->text(), kEvo);
    QCOMPARE(window->eXPLfile->text(), kSamples + "/ADV_OBJ/VPLST000.XPL");
    QVERIFY(window->bRebuild->isEnabled());  // an EVO source
    window.dialogs->fileToOpen = kXpl;
    window->bbXPL->click();
    QCOMPARE(window.dialogs->lastFilter, QString("XPL|VPLST000.XPL"));
    QCOMPARE(window.dialogs->lastFolder, kSamples + "/ADV_OBJ/");
    QCOMPARE(window->tvXPL->topLevelItemCount(), 5);
  }

  void choosingTheOutputFolder() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->eWorkdir->setText("/start");
    window.dialogs->folderToChoose = "";
    window->bbWorkdirClick();
    QCOMPARE(window.dialogs->lastTitle, QString("Select a directory"));
    QCOMPARE(window.dialogs->lastFolder, QString("/start"));
    QCOMPARE(window->eWorkdir->text(), QString("/start"));
    window.dialogs->folderToChoose = "/chosen";
    window->bbWorkdirClick();
    QCOMPARE(window->eWorkdir->text(), QString("/chosen"));
    QCOMPARE(window->state().options.eWorkdir, std::string("/chosen"));
  }

  void streamBoxesDriveTheJobButtons() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kEvo});
    QVERIFY(window->bDemux->isEnabled() && window->bRebuild->isEnabled());
    for (auto* box : window->cbVideo)
      if (box->isChecked()) box->click();
    for (auto* box : window->cbAudio)
      if (box->isChecked()) box->click();
    QVERIFY(window->bDemux->isEnabled());  // the subpictures are still ticked
    for (auto* box : window->cbSub)
      if (box->isChecked()) box->click();
    QVERIFY(!window->bDemux->isEnabled());
    QVERIFY(!window->bRebuild->isEnabled());
    QVERIFY(!window->state().subBoxes[0].ticked);
    window->cbSub[0]->click();
    QVERIFY(window->bDemux->isEnabled() && window->bRebuild->isEnabled());
  }

  void clearEmptiesThePane() {
    SettingsFolder settings;
    Window window = OpenWindow(settings, {kVob});
    QVERIFY(window->reMessage->lineCount() > 10);
    window->bClear->click();
    QCOMPARE(window->reMessage->toPlainText(), QString());
    window->cbAutoClear->click();
    window->log("old line");
    window->bReadEVO->click();
    QVERIFY(!LogLines(*window.main).contains("old line"));
  }
};

QObject* NewWindowTest() { return new WindowTest; }

}  // namespace klarvex::ui::testing

#include "window_test.moc"
