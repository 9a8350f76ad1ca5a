// The VTI tab filled from the sample's HVA00001.VTI: the EVOB information,
// the attribute lists, the three grids, and their layout in every font the
// window may show.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTest>

#include "ui/int_edit.h"
#include "ui/page_control.h"
#include "ui/settings_store.h"
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

QString Name(const QWidget* widget) {
  return widget->objectName().isEmpty() ? widget->metaObject()->className() : widget->objectName();
}

// Visible siblings that overlap, and children that stick out of their
// container where it cannot scroll them into view.
void PlacementFaults(const QWidget* container, QStringList& faults) {
  QList<const QWidget*> shown;
  for (const QObject* child : container->children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget && !widget->isWindow() && widget->isVisible()) shown << widget;
  }
  const auto* area = qobject_cast<const QAbstractScrollArea*>(container->parentWidget());
  const bool scrolls = area && area->viewport() == container;
  const bool across = scrolls && area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  const bool down = scrolls && area->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const QRect at = shown[i]->geometry();
    if ((!across && (at.left() < 0 || at.right() > container->width() - 1)) ||
        (!down && (at.top() < 0 || at.bottom() > container->height() - 1)))
      faults << Name(shown[i]) + " cut by " + Name(container);
    for (qsizetype j = i + 1; j < shown.size(); ++j)
      if (at.intersects(shown[j]->geometry())) faults << Name(shown[i]) + " overlaps " + Name(shown[j]);
  }
}

// A list's text fits the field left of its arrow.
void ListFaults(const QComboBox* list, QStringList& faults) {
  QStyleOptionComboBox option;
  option.initFrom(list);
  option.editable = list->isEditable();
  const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
  if (field.width() < list->fontMetrics().horizontalAdvance(list->currentText()))
    faults << Name(list) + " truncates \"" + list->currentText() + "\"";
}

// An edit box shows its whole text beside its frame and margins.
void EditFaults(const QLineEdit* edit, QStringList& faults) {
  const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
  if (edit->width() < edit->fontMetrics().horizontalAdvance(edit->text()) + 2 * frame + 4)
    faults << Name(edit) + " cuts \"" + edit->text() + "\"";
}

// Every cell's text, in its own font, fits its column with the margins
// the item views draw it with; every row holds a line; the grid shows all.
void GridFaults(const QTableWidget* grid, QStringList& faults) {
  const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
  int width = 0, height = 0;
  for (int c = 0; c < grid->columnCount(); ++c) width += grid->horizontalHeader()->sectionSize(c);
  for (int r = 0; r < grid->rowCount(); ++r) {
    height += grid->rowHeight(r);
    for (int c = 0; c < grid->columnCount(); ++c) {
      const QTableWidgetItem* cell = grid->item(r, c);
      if (!cell) continue;
      const QFontMetrics metrics(cell->font().resolve(grid->font()));
      if (grid->horizontalHeader()->sectionSize(c) < metrics.horizontalAdvance(cell->text()) + margin)
        faults << Name(grid) + " cuts \"" + cell->text() + "\"";
      if (grid->rowHeight(r) < metrics.height()) faults << Name(grid) + QString(" row %1 too low").arg(r);
    }
  }
  if (grid->viewport()->width() < width || grid->viewport()->height() < height) faults << Name(grid) + " cut";
}

// Whether the attributes need scrolling sideways at the box's width, with
// a vertical scroll bar beside them.
bool AttributesScroll(const QScrollArea* attributes) {
  return attributes->widget()->minimumSizeHint().width() + attributes->verticalScrollBar()->sizeHint().width() >
         attributes->width() - 2 * attributes->frameWidth();
}

QStringList LayoutFaults(const QWidget* page) {
  QStringList faults;
  PlacementFaults(page, faults);
  for (const QWidget* widget : page->findChildren<QWidget*>()) PlacementFaults(widget, faults);
  for (const QComboBox* list : page->findChildren<QComboBox*>()) ListFaults(list, faults);
  for (const QLineEdit* edit : page->findChildren<QLineEdit*>())
    if (!qobject_cast<const QComboBox*>(edit->parentWidget())) EditFaults(edit, faults);
  for (const QTableWidget* grid : page->findChildren<QTableWidget*>()) GridFaults(grid, faults);
  return faults;
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

    // The grids stacked in their order, their columns lined up, each caption
    // level with its grid's top; rows as high as the 8-point font was given.
    for (int c = 0; c < mainAudio->columnCount(); ++c) {
      QCOMPARE(window->sgSubAudio->columnWidth(c), mainAudio->columnWidth(c));
      QCOMPARE(window->sgSubpicture->columnWidth(c), mainAudio->columnWidth(c));
    }
    QCOMPARE(mainAudio->rowHeight(5), kVtiRowHeight);
    QVERIFY(window->sgSubAudio->y() >= mainAudio->y() + mainAudio->height());
    QVERIFY(window->sgSubpicture->y() >= window->sgSubAudio->y() + window->sgSubAudio->height());
    QCOMPARE(window->lSubAudio->y(), window->sgSubAudio->y());
    QCOMPARE(window->lSubpicture->y(), window->sgSubpicture->y());
    for (QPushButton* idle : {window->bsrt2VTI, window->bVTI2str, window->bSaveVTI}) QVERIFY(!idle->isEnabled());
  }

  // Nothing on the page overlaps, is cut or truncated, at the window's
  // smallest and designed sizes, in its own 8-point font, the desktop's and
  // a large one. In the window's font the attributes fit beside the EVOB
  // information at the designed size, before a read and after.
  void readableInEveryFont() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->pageControl->setCurrentIndex(4);
    QTest::qWait(50);
    QVERIFY(!AttributesScroll(window->sbVTI));  // the empty lists before a read
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
    auto* page = qobject_cast<QScrollArea*>(window->pageControl->widget(4));
    QVERIFY(page);
    QFont large = QApplication::font();
    large.setPointSize(12);
    const struct {
      QFont font;
      bool pageFits, attributesFit;
    } cases[] = {{window->font(), true, true}, {QApplication::font(), true, false}, {large, false, false}};
    const QSize designed(WindowSettings::kDesignedWidth, WindowSettings::kDesignedHeight);
    for (const auto& [font, pageFits, attributesFit] : cases) {
      window->setFont(font);
      for (const QSize size : {QSize(TfMain::kMinimumWidth, TfMain::kMinimumHeight), designed}) {
        window->resize(size);
        QTest::qWait(50);  // a layout pass may post another
        const QString where =
            QString("%1 %2pt at %3x%4: ").arg(font.family()).arg(font.pointSize()).arg(size.width()).arg(size.height());
        QStringList faults = LayoutFaults(page);
        if (pageFits && page->widget()->minimumSizeHint().width() > page->viewport()->width()) faults << "page scrolls";
        if (attributesFit && size == designed && AttributesScroll(window->sbVTI)) faults << "the attributes scroll";
        QVERIFY2(faults.isEmpty(), qPrintable(where + faults.join("; ")));
      }
    }
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
