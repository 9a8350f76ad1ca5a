// The update check in the window: the version query at start-up, the
// answer rules, and "Get new version" replacing the program only with a
// complete program for this machine.
#include "ui/update_check.h"

#include <sys/stat.h>

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "http_test_server.h"
#include "ui/status_panels.h"
#include "ui_tests.h"
#include "window_fixture.h"

namespace klarvex::ui::testing {

namespace {

// Points the update check at `root` while it lives.
class WebRootOverride {
 public:
  explicit WebRootOverride(const std::string& root) { qputenv("KLARVEX_WEBROOT", QByteArray::fromStdString(root)); }
  ~WebRootOverride() { qputenv("KLARVEX_WEBROOT", ""); }
};

// Settings that exist: only then does the window ask.
void MakeSettingsExist(const SettingsFolder& settings) { settings.open()->setValue("AutoRead", 1); }

// Opens the window with settings that exist, so that its start-up asks
// `server`, which answers `answer`.
Window OpenAskingWindow(TestHttpServer& server, const SettingsFolder& settings, const std::string& answer) {
  server.reply("/sw.php", {200, answer});
  WebRootOverride root(server.root());
  MakeSettingsExist(settings);
  return OpenWindow(settings);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of a real program of this machine, standing in for klarvex.
QString CopyProgram(const QString& from, const QString& to) {
  QFile::remove(to);
  QFile::copy(from, to);
  QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner);
  return to;
}

}  // namespace

class UpdateCheckTest : public QObject {
  Q_OBJECT

 private slots:
  void answerRules() {
    const auto answer = ParseVersionAnswer("beta/|klarvex-0.631b|0.631b\r\n");
    QVERIFY(answer.has_value());
    QCOMPARE(answer->folder, std::string("beta/"));
    QCOMPARE(answer->fileName, std::string("klarvex-0.631b"));
    QCOMPARE(answer->latest, std::string("0.631b"));
    QVERIFY(!ParseVersionAnswer("dl/|klarvex").has_value());
    QVERIFY(!ParseVersionAnswer("").has_value());
    QVERIFY(ParseVersionAnswer("a|b|c|d").has_value());
    QVERIFY(SortsAfter("0.63", "0.629"));
    QVERIFY(SortsAfter("0.629b", "0.629"));
    QVERIFY(SortsAfter("0.630", "0.629"));
    QVERIFY(!SortsAfter("0.629", "0.629"));
    QVERIFY(!SortsAfter("0.628", "0.629"));
    QCOMPARE(NewVersionMessage("0.630"), std::string("A new release ([b]v0.630[/b]) is available."));
    QCOMPARE(NewVersionMessage("0.631b"), std::string("A new beta version ([b]v0.631b[/b]) is available."));
  }

  void newerReleaseOffered() {
    TestHttpServer server;
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "dl/|klarvex-0.630|0.630");
    QTRY_VERIFY(window->bGetNew->isVisible());
    QVERIFY(window->bGetNew->isEnabled());
    QCOMPARE(LogLines(*window.main).back(), QString("A new release (v0.630) is available."));
    QCOMPARE(window->StatusBar->panel(1)->text(), QString(" A new release (v0.630) is available."));
    const std::string request = server.requests().at(0);
    QVERIFY(request.rfind("POST /sw.php HTTP/1.0", 0) == 0);
    QVERIFY(request.find("ver=0.629") != std::string::npos);
  }

  void newerBetaOffered() {
    TestHttpServer server;
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "beta/|klarvex-0.631b|0.631b");
    QTRY_VERIFY(window->bGetNew->isVisible());
    QCOMPARE(LogLines(*window.main).back(), QString("A new beta version (v0.631b) is available."));
  }

  void sameVersionShowsADisabledButton() {
    TestHttpServer server;
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "dl/|klarvex-0.629|0.629");
    QTRY_VERIFY(window->bGetNew->isVisible());
    QVERIFY(!window->bGetNew->isEnabled());
    QCOMPARE(window->reMessage->lineCount(), 0);
  }

  void answersThatChangeNothing() {
    TestHttpServer server;
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "dl/|klarvex-0.630");  // two fields
    QTRY_COMPARE(server.requests().size(), size_t{1});
    QTest::qWait(100);
    QVERIFY(window->bGetNew->isHidden());
    QCOMPARE(window->reMessage->lineCount(), 0);
    QCOMPARE(window->StatusBar->panel(1)->text(), QString(" "));
  }

  void firstRunAsksNothing() {
    TestHttpServer server;
    server.reply("/sw.php", {200, "dl/|klarvex-0.630|0.630"});
    WebRootOverride root(server.root());
    SettingsFolder settings;
    Window window = OpenWindow(settings);
    QTest::qWait(150);
    QVERIFY(server.requests().empty());
    QVERIFY(window->bGetNew->isHidden());
  }

  void getNewVersionReplacesTheProgram() {
    QTemporaryDir dir;
    const QString program = CopyProgram("/bin/true", dir.filePath("klarvex"));
    const QByteArray oldProgram = ReadAll(program);
    const QByteArray newProgram = ReadAll("/bin/false");
    QVERIFY(!newProgram.isEmpty() && newProgram != oldProgram);
    TestHttpServer server;
    server.reply("/dl/klarvex-0.630", {200, newProgram.toStdString()});
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "dl/|klarvex-0.630|0.630");
    window->programPath = program;
    QString started;
    window->startProgram = [&started](const QString& path) {
      started = path;
      return true;
    };
    QTRY_VERIFY(window->bGetNew->isEnabled());
    window->bGetNew->click();
    QCOMPARE(window->StatusBar->panel(1)->text(), QString(" Please wait! Klarvex will restart."));
    QTRY_COMPARE(started, program);
    const QStringList lines = LogLines(*window.main);
    QVERIFY(lines.contains("Downloading file..."));
    QCOMPARE(lines.at(lines.size() - 2), QString("Download complete."));
    QCOMPARE(lines.back(), QString());
    QCOMPARE(ReadAll(program), newProgram);
    QCOMPARE(ReadAll(program + ".old"), oldProgram);
    QVERIFY(QFile::permissions(program) & QFile::ExeOwner);
    QVERIFY(!QFile::exists(program + ".download"));
    QVERIFY(!window->isVisible());  // closed for the new program
    QCOMPARE(server.requests().back().rfind("GET /dl/klarvex-0.630 HTTP/1.0", 0), size_t{0});
  }

  void failedDownloadsLeaveTheProgramAlone() {
    QTemporaryDir dir;
    const QString program = CopyProgram("/bin/true", dir.filePath("klarvex"));
    const QByteArray oldProgram = ReadAll(program);
    const std::string elf = ReadAll("/bin/false").toStdString();
    TestHttpServer server;
    SettingsFolder settings;
    Window window = OpenAskingWindow(server, settings, "dl/|klarvex-0.630|0.630");
    window->programPath = program;
    int starts = 0;
    window->startProgram = [&starts](const QString&) { return ++starts > 0; };
    QTRY_VERIFY(window->bGetNew->isEnabled());
    const std::vector<CannedReply> failures = {
        {200, "<html>an error page</html>"},                                       // not a program
        {200, elf.substr(0, elf.size() / 2), static_cast<long long>(elf.size())},  // cut short
        {404, "gone"},                                                             // no file
        {200, ""},                                                                 // empty
    };
    for (const CannedReply& reply : failures) {
      server.reply("/dl/klarvex-0.630", reply);
      const int linesBefore = window->reMessage->lineCount();
      window->bGetNew->click();
      QTRY_COMPARE(LogLines(*window.main).back(), QString("HTTP error"));
      QVERIFY(window->reMessage->lineCount() > linesBefore);
      QCOMPARE(window->StatusBar->panel(1)->text(), QString(" HTTP error"));
      QCOMPARE(ReadAll(program), oldProgram);
      QVERIFY(!QFile::exists(program + ".download"));
      QVERIFY(window->isVisible());
    }
    QCOMPARE(starts, 0);
  }
};

QObject* NewUpdateCheckTest() { return new UpdateCheckTest; }

}  // namespace klarvex::ui::testing

#include "update_check_test.moc"
