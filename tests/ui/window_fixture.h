// A Klarvex window over a settings store in a temporary folder, with the
// dialogs answered by the test.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "ui/dialogs.h"
#include "ui/log_pane.h"
#include "ui/main_window.h"

namespace klarvex::ui::testing {

inline const QString kSamples = KLARVEX_SAMPLES;

class ScriptedDialogs : public Dialogs {
 public:
  QStringList questions, errors;
  bool answer = true;
  QString fileToOpen, folderToChoose;
  QString lastTitle, lastFolder, lastFilter;

  bool question(QWidget*, const QString& text) override {
    questions << text;
    return answer;
  }
  void error(QWidget*, const QString& text) override { errors << text; }
  QString openFile(QWidget*, const QString& title, const QString& folder, const QString& filter) override {
    lastTitle = title;
    lastFolder = folder;
    lastFilter = filter;
    return fileToOpen;
  }
  QString chooseFolder(QWidget*, const QString& title, const QString& start) override {
    lastTitle = title;
    lastFolder = start;
    return folderToChoose;
  }
};

// The store every window of one test shares, as successive runs of the
// program share the user's.
class SettingsFolder {
 public:
  SettingsFolder() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
  std::unique_ptr<QSettings> open() const {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Tessaro Software", "Klarvex");
  }
  QString file() const { return open()->fileName(); }

 private:
  QTemporaryDir dir_;
};

struct Window {
  std::unique_ptr<TfMain> main;
  ScriptedDialogs* dialogs = nullptr;

  TfMain* operator->() const { return main.get(); }
};

// Opens the window as a start of the program would and waits for its
// start-up sequence.
inline Window OpenWindow(const SettingsFolder& settings, const QStringList& arguments = {}) {
  Window window;
  window.main = std::make_unique<TfMain>(arguments, settings.open());
  auto dialogs = std::make_unique<ScriptedDialogs>();
  window.dialogs = dialogs.get();
  window.main->setDialogs(std::move(dialogs));
  window.main->show();
  if (!QTest::qWaitFor([&] { return window.main->windowTitle() == "Klarvex v0.629"; }))
    qWarning("the window's start-up did not run");
  QApplication::processEvents();
  return window;
}

// The lines of the message pane.
inline QStringList LogLines(const TfMain& window) { return window.reMessage->toPlainText().split('\n'); }

// A title of one file, FEATURE_1.EVO of the sample four times over: big
// enough that the jobs pass their progress points (every 4 MiB), where the
// window handles the user's clicks.
inline QString MakeBigTitle(const QTemporaryDir& dir) {
  QFile sample(kSamples + "/HVDVD_TS/FEATURE_1.EVO");
  if (!sample.open(QIODevice::ReadOnly)) return {};
  const QByteArray packs = sample.readAll();
  const QString path = dir.filePath("BIG.EVO");
  QFile big(path);
  if (!big.open(QIODevice::WriteOnly)) return {};
  for (int i = 0; i < 4; ++i) big.write(packs);
  return path;
}

}  // namespace klarvex::ui::testing
