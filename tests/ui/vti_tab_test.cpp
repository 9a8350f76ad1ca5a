// The VTI tab filled from the sample's HVA00001.VTI: the EVOB information,
// the attribute lists, the three grids and their layout.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "ui/int_edit.h"
#include "ui/vti_grid_layout.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

QStringList Row(const QTableWidget* grid, int row) {
  QStringList cells;
  for (int c = 0; c < grid->columnCount(); ++c) cells << (grid->item(row, c) ? grid->item(row, c)->text() : "");
  return cells;
}

}  // namespace

class VtiTabTest : public QObject {
  Q_OBJECT

 private slots:
  void filledAfterARead() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});  // the VTI is read after the read
    QCOMPARE(Items(window->cbEVOname), (QStringList{"FEATURE_1.EVO", "FEATURE_2.EVO"}));
    QCOMPARE(window->cbEVOname->currentText(), QString("FEATURE_1.EVO"));
    QCOMPARE(window->cbAppType->currentText(), QString("Advanced VTS"));
    QCOMPARE(window->cbA0gap->currentText(), QString("No audio gap"));
    QCOMPARE(window->eEVOBname->text(), QString("FEATURE_1.EVO"));
    QCOMPARE(window->eAddrOffs->text(), QString("00000000"));
    QCOMPARE(window->cbAttrNo->currentText(), QString("1"));
    QCOMPARE(window->ieEVOsize->text(), QString("1833"));
    QCOMPARE(window->ieEVOindex->text(), QString("1"));
    QCOMPARE(window->eStartPTM->text(), QString("00017124"));
    QCOMPARE(window->eEndPTM->text(), QString("0006F0CC"));
    QStringList mainVideo, subVideo;
    for (QComboBox* list : window->mainVideoLists) mainVideo << list->currentText();
    for (QComboBox* list : window->subVideoLists) subVideo << list->currentText();
    QCOMPARE(mainVideo, (QStringList{"VC-1", "1920x1080", "16:9", "progressive", "525/60Hz"}));
    QCOMPARE(subVideo, (QStringList{"MPEG-4 AVC", "1920x1080", "16:9", "progressive", "525/60Hz"}));
    QVERIFY(window->subVideoLists[0]->isEnabled());
    QCOMPARE(Items(window->mainVideoLists[2]), (QStringList{"4:3", "16:9"}));

    const QTableWidget* mainAudio = window->sgMainAudio;
    QCOMPARE(mainAudio->rowCount(), 6);
    QCOMPARE(Row(mainAudio, 0), (QStringList{"No.", "Coding", "Frequency", "Quantization", "Channels"}));
    QCOMPARE(Row(mainAudio, 1), (QStringList{"0", "DD/DD+", "48 kHz", "", "6"}));
    QCOMPARE(Row(mainAudio, 4), (QStringList{"3", "MLP/True HD", "48 kHz", "24 bit", "6"}));
    QCOMPARE(Row(mainAudio, 5), (QStringList{"4", "LPCM", "48 kHz", "16 bit", "2"}));
    QCOMPARE(window->sgSubAudio->rowCount(), 2);
    QCOMPARE(Row(window->sgSubAudio, 1), (QStringList{"", "", "", "", ""}));
    QCOMPARE(window->sgSubpicture->rowCount(), 3);
    QCOMPARE(Row(window->sgSubpicture, 2).mid(0, 2), (QStringList{"1", "8 bit RLE"}));

    // Each grid rows x 19 + 4 high, stacked 6 pixels apart, labels 4 below a grid's top.
    QCOMPARE(mainAudio->height(), 6 * 19 + 4);
    QCOMPARE(window->sgSubAudio->height(), 2 * 19 + 4);
    QCOMPARE(window->sgSubAudio->y(), mainAudio->y() + mainAudio->height() + 6);
    QCOMPARE(window->sgSubpicture->y(), window->sgSubAudio->y() + window->sgSubAudio->height() + 6);
    QCOMPARE(window->lSubAudio->y(), window->sgSubAudio->y() + 4);
    QCOMPARE(window->lSubpicture->y(), window->sgSubpicture->y() + 4);
    for (QPushButton* idle : {window->bsrt2VTI, window->bVTI2str, window->bSaveVTI}) QVERIFY(!idle->isEnabled());
  }

  void gridsStackByTheirRows() {
    const VtiGridLayout places = LayOutVtiGrids(100, 2, 3, 2);
    QCOMPARE(places.mainAudio.top, 100);
    QCOMPARE(places.mainAudio.height, 2 * 19 + 4);
    QCOMPARE(places.subAudio.top, 100 + 42 + 6);
    QCOMPARE(places.subAudio.height, 3 * 19 + 4);
    QCOMPARE(places.subpicture.top, 148 + 61 + 6);
    QCOMPARE(places.subAudioLabelTop, 152);
    QCOMPARE(places.subpictureLabelTop, 219);
  }

  void pickingAnotherEvob() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
    window->cbEVOname->setCurrentIndex(1);
    emit window->cbEVOname->activated(1);
    QCOMPARE(window->eEVOBname->text(), QString("FEATURE_2.EVO"));
    QCOMPARE(window->eAddrOffs->text(), QString("00000729"));
    QCOMPARE(window->eEndPTM->text(), QString("000C7074"));
    const QStringList attributes = Items(window->cbAttrNo);
    emit window->cbAttrNo->activated(0);  // the same entry again: the same lists
    QCOMPARE(Items(window->cbAttrNo), attributes);
    QCOMPARE(Items(window->mainVideoLists[1]).size(), 13);
    QCOMPARE(window->sgMainAudio->rowCount(), 6);
  }

  void readVtiButtonAfterChoosingTheSource() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->cbAutoRead->click();
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_2.EVO"});
    QCOMPARE(window->cbEVOname->count(), 0);
    window->bReadVTI->click();
    QCOMPARE(window->cbEVOname->currentText(), QString("FEATURE_2.EVO"));
    QCOMPARE(window->ieEVOsize->text(), QString("1831"));
  }
};

QObject* NewVtiTabTest() { return new VtiTabTest; }

}  // namespace klarvex::ui::testing

#include "vti_tab_test.moc"
