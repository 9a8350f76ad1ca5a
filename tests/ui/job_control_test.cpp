// Jobs started from the window, and what the user can do while they run:
// Cancel (a read stops at once, a write job asks first), closing, drops.
// The clicks arrive through the window's event pump at the jobs' progress
// points, as they do for a user.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "ui/status_panels.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

// Runs `during` at the first progress point of the job that `start` begins.
void DuringJob(const std::function<void()>& start, const std::function<void()>& during) {
  QTimer::singleShot(0, during);
  start();
}

qint64 TotalSize(const QString& folder) {
  qint64 total = 0;
  for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) total += file.size();
  return total;
}

// A window with the big title read (not demuxed), its output in `out`.
Window ReadBigTitle(const SettingsFolder& settings, const QTemporaryDir& dir, const QString& out) {
  Window window = OpenWindow(settings);
  window->eWorkdir->setText(out);
  window->dropFiles({MakeBigTitle(dir)});
  return window;
}

}  // namespace

class JobControlTest : public QObject {
  Q_OBJECT

 private slots:
  void cancelStopsAReadWithoutAQuestion() {
    SettingsFolder settings;
    QTemporaryDir dir;
    Window window = OpenWindow(settings);
    window->cbFastCheck->click();  // read the whole file
    const QString title = MakeBigTitle(dir);
    bool cancelEnabled = false;
    DuringJob([&] { window->dropFiles({title}); },
              [&] {
                cancelEnabled = window->bCancel->isEnabled();
                window->bCancel->click();
              });
    QVERIFY(cancelEnabled);
    QVERIFY(window.dialogs->questions.isEmpty());
    const int countedWhenStopped = window->state().engine.streams.video(0).frameCount;
    window->bReadEVO->click();  // the same read, not stopped
    const int countedWhole = window->state().engine.streams.video(0).frameCount;
    QVERIFY2(countedWhenStopped < countedWhole,
             qPrintable(QString("%1 of %2 frames").arg(countedWhenStopped).arg(countedWhole)));
    QVERIFY(!window->bCancel->isEnabled());
    QVERIFY(window->bReadEVO->isEnabled() && window->bDemux->isEnabled());
  }

  void cancelDuringDemuxAsksAndNoLetsItRunOn() {
    SettingsFolder settings;
    QTemporaryDir dir, whole, asked;
    {  // the reference: the same demux, not interrupted
      Window window = ReadBigTitle(settings, dir, whole.path());
      window->bDemux->click();
    }
    Window window = ReadBigTitle(settings, dir, asked.path());
    window.dialogs->answer = false;
    bool writeJobRunning = false;
    DuringJob([&] { window->bDemux->click(); },
              [&] {
                writeJobRunning = window->state().engine.run.WriteJobRunning;
                window->bCancel->click();
              });
    QVERIFY(writeJobRunning);
    QCOMPARE(window.dialogs->questions, QStringList{"Are you sure to stop demuxing?"});
    QVERIFY(!LogLines(*window.main).contains("Cancelled."));
    QVERIFY(TotalSize(whole.path()) > 0);
    QCOMPARE(TotalSize(asked.path()), TotalSize(whole.path()));
    QVERIFY(!window->state().engine.run.WriteJobRunning);
    QVERIFY(window->bDemux->isEnabled() && !window->bCancel->isEnabled());
  }

  void cancelDuringDemuxWithYesStopsAndKeepsTheFiles() {
    SettingsFolder settings;
    QTemporaryDir dir, whole, stopped;
    {
      Window window = ReadBigTitle(settings, dir, whole.path());
      window->bDemux->click();
    }
    Window window = ReadBigTitle(settings, dir, stopped.path());
    window.dialogs->answer = true;
    DuringJob([&] { window->bDemux->click(); }, [&] { window->bCancel->click(); });
    QCOMPARE(window.dialogs->questions.size(), 1);
    const QStringList lines = LogLines(*window.main);
    QVERIFY(lines.contains("Cancelled."));
    QVERIFY(lines.indexOf("Cancelled.") < lines.lastIndexOf("Done."));
    QVERIFY(TotalSize(stopped.path()) > 0);
    QVERIFY(TotalSize(stopped.path()) < TotalSize(whole.path()));
    QCOMPARE(QDir(stopped.path()).entryList(QDir::Files), QDir(whole.path()).entryList(QDir::Files));
    QVERIFY(!window->state().engine.run.WriteJobRunning);
    // The next job works.
    QTemporaryDir again;
    window->eWorkdir->setText(again.path());
    window->bDemux->click();
    QCOMPARE(TotalSize(again.path()), TotalSize(whole.path()));
  }

  void cancelDuringRebuildAsks() {
    SettingsFolder settings;
    QTemporaryDir dir, out;
    Window window = ReadBigTitle(settings, dir, out.path());
    window.dialogs->answer = false;
    DuringJob([&] { window->bRebuild->click(); }, [&] { window->bCancel->click(); });
    QCOMPARE(window.dialogs->questions, QStringList{"Are you sure to stop demuxing?"});
    QVERIFY(QFileInfo::exists(out.filePath("BIG.rebuilt.EVO")));
    QVERIFY(window->bRebuild->isEnabled());
  }

  void closingDuringDemuxAsksFirst() {
    SettingsFolder settings;
    QTemporaryDir dir, out;
    Window window = ReadBigTitle(settings, dir, out.path());
    window.dialogs->answer = false;
    bool closed = true;
    DuringJob([&] { window->bDemux->click(); }, [&] { closed = window->close(); });
    QVERIFY(!closed);
    QVERIFY(window->isVisible());
    QCOMPARE(window.dialogs->questions.size(), 1);
    QVERIFY(settings.open()->allKeys().isEmpty());  // nothing saved: the window stayed

    window.dialogs->answer = true;
    DuringJob([&] { window->bDemux->click(); }, [&] { closed = window->close(); });
    QVERIFY(closed);
    QVERIFY(LogLines(*window.main).contains("Cancelled."));
    QVERIFY(!window->state().engine.run.WriteJobRunning);
    QVERIFY(settings.open()->contains("Version"));  // saved on closing
  }

  void closingDuringAReadStopsIt() {
    SettingsFolder settings;
    QTemporaryDir dir;
    Window window = OpenWindow(settings);
    window->cbFastCheck->click();
    const QString title = MakeBigTitle(dir);
    bool closed = false;
    DuringJob([&] { window->dropFiles({title}); }, [&] { closed = window->close(); });
    QVERIFY(closed);
    QVERIFY(window.dialogs->questions.isEmpty());
    QVERIFY(window->state().engine.run.StopRequested);
  }

  void closingDuringAReadStartsNoChainedJob() {
    SettingsFolder settings;
    QTemporaryDir dir, out;
    Window window = OpenWindow(settings);
    window->rbAutoDemux->click();
    window->eWorkdir->setText(out.path());
    const QString title = MakeBigTitle(dir);
    DuringJob([&] { window->dropFiles({title}); }, [&] { window->close(); });
    QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
    QVERIFY(!LogLines(*window.main).contains("Creating " + out.path()));
  }

  void enterPressesReadEvo() {
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    window->cbAutoRead->click();
    window->dropFiles({kSamples + "/DVD/VIDEO_TS/VTS_01_1.VOB"});
    QCOMPARE(window->reMessage->lineCount(), 0);
    QTest::keyClick(window.main.get(), Qt::Key_Return);
    QVERIFY(LogLines(*window.main).contains("Done."));
  }

  void dropDuringAJobIsIgnored() {
    SettingsFolder settings;
    QTemporaryDir dir;
    Window window = OpenWindow(settings);
    const QString title = MakeBigTitle(dir);
    DuringJob([&] { window->dropFiles({title}); },
              [&] { window->dropFiles({kSamples + "/DVD/VIDEO_TS/VTS_01_1.VOB"}); });
    QCOMPARE(window->eEVOfile->text(), title);
    QCOMPARE(LogLines(*window.main).count("Done."), 1);
    QCOMPARE(window->cbVideo[0]->text(), QString("VC-1.stream.0"));
  }

  void writeChaptersIntoTheOutputFolder() {
    SettingsFolder settings;
    QTemporaryDir out;
    Window window = OpenWindow(settings);
    window->eWorkdir->setText(out.path());
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
    window->dropFiles({kSamples + "/ADV_OBJ/VPLST000.XPL"});
    window->bWriteChaps->click();
    // The read before named the title's output FEATURE_1_MERGED.
    const QString name = out.filePath("FEATURE_1_MERGED.chapters.txt");
    QCOMPARE(LogLines(*window.main).back(), "Chapters info writed to " + name);
    QFile chapters(name);
    QVERIFY(chapters.open(QIODevice::ReadOnly));
    QVERIFY(chapters.readAll().startsWith("CHAPTER01=00:00:00.000\r\nCHAPTER01NAME="));
    QVERIFY(window.dialogs->errors.isEmpty());
  }

  void aFailureThatEndsAJobIsShownInTheErrorBox() {
    SettingsFolder settings;
    QTemporaryDir out;
    Window window = OpenWindow(settings);
    window->eWorkdir->setText(out.filePath("missing/folder"));
    window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
    window->dropFiles({kSamples + "/ADV_OBJ/VPLST000.XPL"});
    window->bWriteChaps->click();
    QCOMPARE(window.dialogs->errors.size(), 1);
    QVERIFY(window.dialogs->errors.front().startsWith("Cannot create file \""));
    QVERIFY(window->bWriteChaps->isEnabled() && window->bReadXPL->isEnabled());
    // A demux into the missing folder: one red line, the job ends normally.
    window->bDemux->click();
    QVERIFY(LogLines(*window.main).filter("Cannot create file").size() >= 1);
    QVERIFY(window->bDemux->isEnabled());
  }

  // Esc is Cancel: the same question during a demux.
  void escapeCancelsLikeTheCancelButton() {
    SettingsFolder settings;
    QTemporaryDir dir, out;
    Window window = ReadBigTitle(settings, dir, out.path());
    window.dialogs->answer = false;
    DuringJob([&] { window->bDemux->click(); }, [&] { QTest::keyClick(window.main.get(), Qt::Key_Escape); });
    QCOMPARE(window.dialogs->questions, QStringList{"Are you sure to stop demuxing?"});
    QCOMPARE(window->bCancel->text(), QString("Ca&ncel"));
  }

  // One bar over the title's two files, "File 1 of 2" while the first is
  // read; hidden once the job is over. Its value is the title's bytes done.
  void oneProgressBarOverTheWholeTitle() {
    SettingsFolder settings;
    QTemporaryDir dir, out;
    QFile::copy(MakeBigTitle(dir), dir.filePath("FEATURE_1.EVO"));
    QFile::copy(dir.filePath("BIG.EVO"), dir.filePath("FEATURE_2.EVO"));
    Window window = OpenWindow(settings);
    window->eWorkdir->setText(out.path());
    window->dropFiles({dir.filePath("FEATURE_1.EVO")});
    QProgressBar* bar = window->StatusBar->progressBar();
    QString format;
    bool shown = false;
    DuringJob([&] { window->bDemux->click(); },
              [&] {
                shown = bar->isVisible();
                format = bar->format();
              });
    QVERIFY(shown);
    QCOMPARE(format, QString("File 1 of 2: %p%"));
    QVERIFY(!bar->isVisible());
    const struct {
      TitleProgress progress;
      int value;
      QString format;
    } cases[] = {{{1, 2, 0, 400}, 0, "File 1 of 2: %p%"},
                 {{2, 2, 300, 400}, 750, "File 2 of 2: %p%"},
                 {{1, 1, int64_t{3} << 40, int64_t{4} << 40}, 750, "%p%"}};
    for (const auto& c : cases) {
      window->titleProgress(c.progress);
      QCOMPARE(bar->value(), c.value);
      QCOMPARE(bar->format(), c.format);
    }
  }

  // Make MKV is there when Demux is and mkvmerge is installed; it runs the
  // command line's job.
  void makeMkvNeedsStreamsAndMkvmerge() {
    SettingsFolder settings;
    QTemporaryDir dir, out, bin;
    QFile fake(bin.filePath("mkvmerge"));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nwhile [ \"$1\" != --output ]; do shift; done\necho made > \"$2\"\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    const struct {
      QByteArray path;
      bool enabled;
    } cases[] = {{bin.path().toUtf8() + ":" + path, true}, {"/nonexistent", false}};
    for (const auto& c : cases) {
      qputenv("PATH", c.path);
      Window window = OpenWindow(settings);
      QVERIFY(!window->bMkv->isEnabled());
      window->eWorkdir->setText(out.path());
      window->dropFiles({kSamples + "/HVDVD_TS/FEATURE_1.EVO"});
      QCOMPARE(window->bMkv->isEnabled(), c.enabled);
      if (c.enabled) {
        window->bMkv->click();
        QVERIFY(QFileInfo::exists(out.filePath("FEATURE_1.mkv")));
        QVERIFY(window->bMkv->isEnabled());
      }
    }
    qputenv("PATH", path);
  }
};

QObject* NewJobControlTest() { return new JobControlTest; }

}  // namespace klarvex::ui::testing

#include "job_control_test.moc"
