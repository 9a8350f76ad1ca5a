// THTTPGet against a real server on 127.0.0.1: the request it sends, the
// rules for a complete answer, stopping, and one request at a time.
#include "ui/http_get.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "http_test_server.h"
#include "ui_tests.h"

namespace klarvex::ui::testing {

namespace {

// What a request ended with.
struct Outcome {
  int strings = 0, files = 0, errors = 0;
  std::string result, fileName;
  int64_t fileSize = -1;

  int events() const { return strings + files + errors; }
};

void Record(THTTPGet& http, Outcome& outcome) {
  http.OnDoneString = [&outcome](const std::string& result) {
    ++outcome.strings;
    outcome.result = result;
  };
  http.OnDoneFile = [&outcome](const std::string& name, int64_t size) {
    ++outcome.files;
    outcome.fileName = name;
    outcome.fileSize = size;
  };
  http.OnError = [&outcome] { ++outcome.errors; };
}

// A download of the server's "dl/<name>" into <dir>/<name>, as "Get new
// version" starts it.
void StartBinaryDownload(THTTPGet& http, const TestHttpServer& server, const QTemporaryDir& dir,
                         const std::string& name) {
  http.request.URL = server.root() + "dl/" + name;
  http.request.FileName = dir.filePath(QString::fromStdString(name)).toStdString();
  http.request.BinaryData = true;
  http.DownloadFile();
}

std::string Binary(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return bytes;
}

}  // namespace

class HttpGetTest : public QObject {
  Q_OBJECT

 private slots:
  void postsTheVersionQuery() {
    TestHttpServer server;
    server.reply("/sw.php", {200, "dl/|klarvex|0.630"});
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    http.request.URL = server.root() + "sw.php";
    http.request.PostQuery = "ver=0.629";
    http.request.Agent = "Klarvex/0.629 (Linux)";
    http.DownloadString();
    QVERIFY(http.busy());
    QTRY_COMPARE(outcome.events(), 1);
    QCOMPARE(outcome.strings, 1);
    QCOMPARE(outcome.result, std::string("dl/|klarvex|0.630"));
    QVERIFY(!http.busy());
    const std::string request = server.requests().at(0);
    QVERIFY(request.rfind("POST /sw.php HTTP/1.0\r\n", 0) == 0);
    for (const char* header :
         {"User-Agent: Klarvex/0.629 (Linux)\r\n", "Accept: */*\r\n", "Cache-Control: no-cache\r\n",
          "Pragma: no-cache\r\n", "Content-Type: application/x-www-form-urlencoded\r\n"})
      QVERIFY2(request.find(header) != std::string::npos, header);
    QVERIFY(request.size() > 9 && request.compare(request.size() - 9, 9, "ver=0.629") == 0);
  }

  void getWithCacheAllowed() {
    TestHttpServer server;
    server.reply("/a", {200, "x"});
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    http.request.URL = server.root() + "a";
    http.request.UseCache = true;
    http.request.Referer = "http://example.invalid/";
    http.request.UserName = "user";
    http.request.Password = "pw";
    http.DownloadString();
    QTRY_COMPARE(outcome.strings, 1);
    const std::string request = server.requests().at(0);
    QVERIFY(request.rfind("GET /a HTTP/1.0\r\n", 0) == 0);
    QVERIFY(request.find("no-cache") == std::string::npos);
    QVERIFY(request.find("Referer: http://example.invalid/\r\n") != std::string::npos);
    QVERIFY(request.find("Authorization: Basic dXNlcjpwdw==\r\n") != std::string::npos);  // user:pw
  }

  void answersThatFail() {
    TestHttpServer server;
    server.reply("/empty", {200, ""});
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    for (const std::string path : {"empty", "missing"}) {  // an empty body; a 404 page
      http.request.URL = server.root() + path;
      http.DownloadString();
      QTRY_VERIFY(!http.busy());
    }
    QCOMPARE(outcome.errors, 2);
    QCOMPARE(outcome.strings, 0);
  }

  void noServerListening() {
    int port = 0;
    {
      TestHttpServer gone;  // a port that was free a moment ago
      port = std::stoi(gone.root().substr(17));
    }
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    http.request.URL = "http://127.0.0.1:" + std::to_string(port) + "/sw.php";
    http.DownloadString();
    QTRY_COMPARE(outcome.errors, 1);
  }

  void fileOfTheAnnouncedLength() {
    TestHttpServer server;
    const std::string program = Binary(100000);
    server.reply("/dl/new", {200, program});
    QTemporaryDir dir;
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    StartBinaryDownload(http, server, dir, "new");
    QTRY_COMPARE(outcome.events(), 1);
    QCOMPARE(outcome.files, 1);
    QCOMPARE(outcome.fileName, http.request.FileName);
    QCOMPARE(outcome.fileSize, int64_t{100000});
    QFile file(dir.filePath("new"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), program);
  }

  void fileShorterThanAnnouncedFails() {
    TestHttpServer server;
    server.reply("/dl/short", {200, Binary(1000), 5000});
    QTemporaryDir dir;
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    StartBinaryDownload(http, server, dir, "short");
    QTRY_COMPARE(outcome.events(), 1);
    QCOMPARE(outcome.errors, 1);
  }

  void binaryDataWithoutContentLengthFails() {
    TestHttpServer server;
    CannedReply unsized{200, Binary(3000)};
    unsized.withoutContentLength = true;
    server.reply("/dl/unsized", unsized);
    QTemporaryDir dir;
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    StartBinaryDownload(http, server, dir, "unsized");
    QTRY_COMPARE(outcome.errors, 1);
    // Without BinaryData a string answer needs no length.
    http.request.BinaryData = false;
    http.DownloadString();
    QTRY_COMPARE(outcome.strings, 1);
    QCOMPARE(outcome.result.size(), size_t{3000});
  }

  void stopInMidTransfer() {
    TestHttpServer server;
    server.reply("/dl/slow", {200, Binary(1000), 1000000, false, true});
    QTemporaryDir dir;
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    int64_t received = 0;
    http.OnProgress = [&received](int64_t, int64_t readed) { received = readed; };
    StartBinaryDownload(http, server, dir, "slow");
    QTRY_COMPARE(received, int64_t{1000});  // the first piece is in
    QCOMPARE(outcome.events(), 0);
    http.StopDownload();
    QTRY_COMPARE_WITH_TIMEOUT(outcome.errors, 1, 3000);
    QVERIFY(!http.busy());
  }

  void aSecondRequestWhileOneRunsIsDropped() {
    TestHttpServer server;
    server.reply("/slow", {200, "first", 100, false, true});
    server.reply("/other", {200, "second"});
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    http.request.URL = server.root() + "slow";
    http.DownloadString();
    QTRY_COMPARE(server.requests().size(), size_t{1});
    http.request.URL = server.root() + "other";
    http.DownloadString();  // dropped
    server.release();
    QTRY_VERIFY(!http.busy());
    QTest::qWait(100);
    QCOMPARE(server.requests().size(), size_t{1});
    QCOMPARE(outcome.events(), 1);
  }

  void destroyedWhileRunning() {
    TestHttpServer server;
    server.reply("/slow", {200, "x", 100, false, true});
    Outcome outcome;
    {
      THTTPGet http;
      Record(http, outcome);
      http.request.URL = server.root() + "slow";
      http.DownloadString();
      QTRY_COMPARE(server.requests().size(), size_t{1});
    }  // stops the request and waits for its thread
    QTest::qWait(50);
    QCOMPARE(outcome.events(), 0);
  }

  void waitThreadReturnsWhenDone() {
    TestHttpServer server;
    server.reply("/a", {200, "done"});
    THTTPGet http;
    Outcome outcome;
    Record(http, outcome);
    http.WaitThread = true;
    http.request.URL = server.root() + "a";
    http.DownloadString();
    QCOMPARE(outcome.strings, 1);
  }
};

QObject* NewHttpGetTest() { return new HttpGetTest; }

}  // namespace klarvex::ui::testing

#include "http_get_test.moc"
