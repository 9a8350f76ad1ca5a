// Mirroring the AppState model into the widgets (the XPL and VTI tabs do
// theirs in their own files). Signals are held back while a widget is set,
// so that mirroring never reads as a user's change; a widget is touched
// only when its value differs, so text being typed keeps its cursor.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>

#include "ui/int_edit.h"
#include "ui/main_window.h"
#include "ui/widget_helpers.h"

namespace klarvex::ui {

namespace {

void SetChecked(QAbstractButton* button, bool checked) {
  if (button->isChecked() != checked) button->setChecked(checked);
}

// A caption is shown as it stands: "&" is not an access key here.
QString PlainCaption(const std::string& caption) { return Q(caption).replace("&", "&&"); }

}  // namespace

void TfMain::stateChanged() {
  if (syncing_) return;
  syncing_ = true;
  SetText(eEVOfile, state_.eEVOfile);
  SetText(eXPLfile, state_.eXPLfile);
  syncButtons();
  syncStreamBoxes();
  syncOptions();
  syncXpl();
  syncVti();
  syncing_ = false;
}

void TfMain::syncButtons() {
  const Buttons& b = state_.buttons;
  bReadEVO->setEnabled(b.bReadEVO);
  bReadXPL->setEnabled(b.bReadXPL);
  bDemux->setEnabled(b.bDemux);
  bMkv->setEnabled(b.bMkv);
  bRebuild->setEnabled(b.bRebuild);
  bbEVO->setEnabled(b.bbEVO);
  bbXPL->setEnabled(b.bbXPL);
  bCancel->setEnabled(b.bCancel);
  ieFastSize->setEnabled(state_.fastSizeEnabled());
}

void TfMain::syncStreamBoxes() {
  auto mirror = [](QCheckBox* widget, const StreamBox& box) {
    const QSignalBlocker hold(widget);
    widget->setEnabled(box.enabled);
    SetChecked(widget, box.ticked);
    const QString caption = PlainCaption(box.caption);
    if (widget->text() != caption) widget->setText(caption);
  };
  for (int n = 0; n < AppState::kVideoBoxes; ++n) mirror(cbVideo[n], state_.videoBoxes[n]);
  for (int n = 0; n < AppState::kAudioBoxes; ++n) mirror(cbAudio[n], state_.audioBoxes[n]);
  for (int n = 0; n < AppState::kSubpictureBoxes; ++n) mirror(cbSub[n], state_.subBoxes[n]);
}

void TfMain::syncOptions() {
  const Options& o = state_.options;
  for (const auto& [box, option] : optionBoxes()) SetChecked(box, o.*option);
  for (const auto& [button, process] : autoProcessButtons()) SetChecked(button, o.autoProcess == process);
  for (const auto& [edit, option] : optionTexts()) SetText(edit, o.*option);
  // An emptied box stands for 0: it is left empty while the user types.
  if (ieFastSize->Value() != o.ieFastSize) ieFastSize->setValue(o.ieFastSize);
}

}  // namespace klarvex::ui
