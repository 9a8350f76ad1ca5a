// klarvex-screenshots OUTDIR SAMPLES: opens the Klarvex window on the
// bundled sample title, reads FEATURE_1.EVO (and with it the VTI) and the
// playlist as a user dropping them would, saves a PNG of every tab, then
// runs Make MKV (when mkvmerge is installed) and saves the log after it.
// The settings live in a temporary folder, so a user's own stay untouched.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ui/log_pane.h"
#include "ui/main_window.h"
#include "ui/page_control.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "Usage: klarvex-screenshots OUTDIR SAMPLES\n");
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  const QDir samples(QString::fromLocal8Bit(argv[2]));
  if (!QDir().mkpath(outDir)) {
    std::fprintf(stderr, "Cannot create folder \"%s\"\n", argv[1]);
    return 1;
  }
  QTemporaryDir config;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  auto settings =
      std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Tessaro Software", "Klarvex");
  klarvex::ui::TfMain window({}, std::move(settings));
  window.resize(800, 460);
  window.show();
  int failures = 0;
  QTimer::singleShot(200, [&] {
    window.dropFiles({samples.filePath("HVDVD_TS/FEATURE_1.EVO")});
    window.dropFiles({samples.filePath("ADV_OBJ/VPLST000.XPL")});
    const char* names[] = {"status", "video-audio", "subpicture", "xpl", "vti", "options", "about"};
    for (int page = 0; page < window.pageControl->count(); ++page) {
      window.pageControl->setCurrentIndex(page);
      QApplication::processEvents();
      const QString file = QDir(outDir).filePath(QString("%1-%2.png").arg(page).arg(names[page]));
      if (window.grab().save(file))
        std::printf("%s\n", qPrintable(file));
      else {
        std::fprintf(stderr, "Cannot write \"%s\"\n", qPrintable(file));
        ++failures;
      }
    }
    // A read of the title, then Make MKV into OUTDIR/mkv, where the file stays
    // to be looked at; the picture shows the log after it.
    const QDir mkvFolder(QDir(outDir).filePath("mkv"));
    QDir().mkpath(mkvFolder.path());
    window.eWorkdir->setText(mkvFolder.path());
    window.bReadEVO->click();  // every stream the read finds ticked, as klarvex-cli mkv takes them
    if (window.bMkv->isEnabled()) {
      window.bMkv->click();
      QApplication::processEvents();
      const QString file = QDir(outDir).filePath("7-make-mkv.png");
      if (window.grab().save(file)) {
        std::printf("%s\n", qPrintable(file));
      } else {
        std::fprintf(stderr, "Cannot write \"%s\"\n", qPrintable(file));
        ++failures;
      }
      if (!QFileInfo::exists(mkvFolder.filePath("FEATURE_1.mkv"))) {
        std::fprintf(stderr, "Make MKV made no FEATURE_1.mkv:\n%s\n",
                     qPrintable(window.reMessage->toPlainText().right(4000)));
        ++failures;
      }
    } else {
      std::fprintf(stderr, "Make MKV is off (mkvmerge is not installed): no picture of it\n");
    }
    window.close();
    QApplication::exit(failures ? 1 : 0);
  });
  return QApplication::exec();
}
