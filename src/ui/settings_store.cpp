#include "ui/settings_store.h"

#include <memory>

namespace klarvex::ui {

namespace {

// Booleans are stored as the numbers 0 and 1; any other number reads as true.
bool ReadBool(const QVariant& value) {
  const QString text = value.toString().trimmed();
  if (text.compare("true", Qt::CaseInsensitive) == 0) return true;
  bool ok = false;
  const qlonglong number = text.toLongLong(&ok);
  return ok && number != 0;
}

int ReadInt(const QVariant& value, int fallback) {
  bool ok = false;
  const int number = value.toString().trimmed().toInt(&ok);
  return ok ? number : fallback;
}

std::string ReadText(const QVariant& value) { return value.toString().toStdString(); }

// Reads `name` into `target` when the store holds it.
template <typename Read>
void IfStored(QSettings& store, const char* name, Read&& read) {
  if (store.contains(name)) read(store.value(name));
}

void ReadAutoProcess(const QVariant& value, AutoProcess process, AutoProcess& target) {
  // The three radio buttons exclude one another: the one set last wins.
  if (ReadBool(value))
    target = process;
  else if (target == process)
    target = AutoProcess::None;
}

}  // namespace

std::unique_ptr<QSettings> OpenSettings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Tessaro Software", "Klarvex");
}

bool RegRead(QSettings& store, AppState& state, WindowSettings& window, const QString& version) {
  if (store.allKeys().isEmpty()) return false;
  Options& o = state.options;
  IfStored(store, "Width", [&](const QVariant& v) { window.Width = ReadInt(v, window.Width); });
  IfStored(store, "Height", [&](const QVariant& v) { window.Height = ReadInt(v, window.Height); });
  IfStored(store, "Top", [&](const QVariant& v) { window.Top = ReadInt(v, window.Top); });
  IfStored(store, "Left", [&](const QVariant& v) { window.Left = ReadInt(v, window.Left); });
  IfStored(store, "WindowState", [&](const QVariant& v) {
    const int s = ReadInt(v, 0);
    window.windowState = s == 1 ? WindowState::Minimized : s == 2 ? WindowState::Maximized : WindowState::Normal;
  });
  IfStored(store, "TreeWidth", [&](const QVariant& v) { window.TreeWidth = ReadInt(v, window.TreeWidth); });
  IfStored(store, "AudioExt", [&](const QVariant& v) { o.eAudioExt = ReadText(v).substr(0, 5); });
  IfStored(store, "VideoExt", [&](const QVariant& v) { o.eVideoExt = ReadText(v).substr(0, 5); });
  IfStored(store, "SubExt", [&](const QVariant& v) { o.eSubExt = ReadText(v).substr(0, 5); });
  IfStored(store, "Workdir", [&](const QVariant& v) { o.eWorkdir = ReadText(v); });
  IfStored(store, "EVOdir", [&](const QVariant& v) { state.names.SourceDir = ReadText(v); });
  IfStored(store, "XPLdir", [&](const QVariant& v) { state.names.XplDir = ReadText(v); });
  IfStored(store, "Continue", [&](const QVariant& v) { o.cbContinue = ReadBool(v); });
  IfStored(store, "FastCheck", [&](const QVariant& v) { o.cbFastCheck = ReadBool(v); });
  IfStored(store, "CountFrames", [&](const QVariant& v) { o.cbCountFr = ReadBool(v); });
  IfStored(store, "Details", [&](const QVariant& v) { o.cbDetails = ReadBool(v); });
  IfStored(store, "AutoRead", [&](const QVariant& v) { o.cbAutoRead = ReadBool(v); });
  IfStored(store, "AutoDemux", [&](const QVariant& v) { ReadAutoProcess(v, AutoProcess::Demux, o.autoProcess); });
  IfStored(store, "AutoRebuild", [&](const QVariant& v) { ReadAutoProcess(v, AutoProcess::Rebuild, o.autoProcess); });
  IfStored(store, "AutoClear", [&](const QVariant& v) { o.cbAutoClear = ReadBool(v); });
  // The size box holds at most three digits.
  IfStored(store, "FastSize", [&](const QVariant& v) { o.ieFastSize = std::clamp(ReadInt(v, 0), -99, 999); });
  IfStored(store, "ADV_PCK", [&](const QVariant& v) { o.cbRBAdvanced = ReadBool(v); });
  IfStored(store, "AdjustPTS", [&](const QVariant& v) { o.cbAdjustPTS = ReadBool(v); });
  IfStored(store, "ReadVTI", [&](const QVariant& v) { o.cbReadVTI = ReadBool(v); });
  IfStored(store, "LpcmWav", [&](const QVariant& v) { o.cbLpcmWav = ReadBool(v); });
  IfStored(store, "VobSub", [&](const QVariant& v) { o.cbVobSub = ReadBool(v); });
  IfStored(store, "CodecExt", [&](const QVariant& v) { o.cbCodecExt = ReadBool(v); });
  store.setValue("Version", version);
  store.sync();
  return true;
}

void RegWrite(QSettings& store, const AppState& state, const WindowSettings& window, const QString& version) {
  const Options& o = state.options;
  auto text = [](const std::string& s) { return QString::fromStdString(s); };
  auto flag = [](bool b) { return b ? 1 : 0; };
  store.setValue("WindowState", static_cast<int>(window.windowState));
  if (window.windowState != WindowState::Maximized) {
    store.setValue("Top", window.Top);
    store.setValue("Left", window.Left);
    store.setValue("Width", window.Width);
    store.setValue("Height", window.Height);
  }
  store.setValue("TreeWidth", window.TreeWidth);
  store.setValue("AudioExt", text(o.eAudioExt));
  store.setValue("VideoExt", text(o.eVideoExt));
  store.setValue("SubExt", text(o.eSubExt));
  store.setValue("Workdir", text(o.eWorkdir));
  store.setValue("EVOdir", text(state.names.SourceDir));
  store.setValue("XPLdir", text(state.names.XplDir));
  store.setValue("Continue", flag(o.cbContinue));
  store.setValue("FastCheck", flag(o.cbFastCheck));
  store.setValue("CountFrames", flag(o.cbCountFr));
  store.setValue("Details", flag(o.cbDetails));
  store.setValue("AutoRead", flag(o.cbAutoRead));
  store.setValue("AutoDemux", flag(o.autoProcess == AutoProcess::Demux));
  store.setValue("AutoRebuild", flag(o.autoProcess == AutoProcess::Rebuild));
  store.setValue("AutoClear", flag(o.cbAutoClear));
  store.setValue("FastSize", static_cast<int>(o.ieFastSize));
  store.setValue("ADV_PCK", flag(o.cbRBAdvanced));
  store.setValue("AdjustPTS", flag(o.cbAdjustPTS));
  store.setValue("ReadVTI", flag(o.cbReadVTI));
  store.setValue("LpcmWav", flag(o.cbLpcmWav));
  store.setValue("VobSub", flag(o.cbVobSub));
  store.setValue("CodecExt", flag(o.cbCodecExt));
  store.setValue("Version", version);
  store.sync();
}

}  // namespace klarvex::ui
