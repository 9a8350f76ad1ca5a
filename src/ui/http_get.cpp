#include "ui/http_get.h"

#include <curl/curl.h>
#include <strings.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace klarvex::ui {

namespace {

// A version answer is a line; anything larger than this is not one.
constexpr int64_t kStringLimit = 1 << 20;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  curl_slist* headers = nullptr;
  ~CurlHandle() {
    curl_slist_free_all(headers);
    if (curl) curl_easy_cleanup(curl);
  }
};

}  // namespace

// One request on its own thread. The thread touches no widget: it only
// posts its end to the user-interface thread.
class THTTPGetThread {
 public:
  THTTPGetThread(HttpRequest request, bool toFile) : request_(std::move(request)), toFile_(toFile) {}
  ~THTTPGetThread() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  void start(THTTPGet* owner) {
    owner_ = owner;
    QPointer<THTTPGet> target(owner);
    thread_ = std::thread([this, target] {
      ok_ = run();
      QMetaObject::invokeMethod(
          target.data(),
          [target] {
            if (target) target->threadEnded();  // not reached once the component is gone
          },
          Qt::QueuedConnection);
    });
  }
  void stop() { stop_ = true; }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  bool ok() const { return ok_; }
  int64_t total() const { return total_; }
  const std::string& body() const { return body_; }
  const HttpRequest& request() const { return request_; }
  bool toFile() const { return toFile_; }

 private:
  bool run();
  void configure(CurlHandle& handle);
  static size_t onHeader(char* data, size_t size, size_t count, void* self);
  static size_t onBody(char* data, size_t size, size_t count, void* self);
  static int onTransfer(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  void reportProgress();

  const HttpRequest request_;
  const bool toFile_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool ok_ = false;
  bool hasLength_ = false;
  int64_t total_ = 0;
  int64_t received_ = 0;
  bool refused_ = false;  // the body was turned away (no length for binary data, too big, unwritable)
  std::FILE* file_ = nullptr;
  std::string body_;
  // Alive for as long as this thread: its destructor waits for the thread.
  THTTPGet* owner_ = nullptr;
};

size_t THTTPGetThread::onHeader(char* data, size_t size, size_t count, void* self) {
  auto* me = static_cast<THTTPGetThread*>(self);
  const size_t bytes = size * count;
  const std::string line(data, bytes);
  if (line.rfind("HTTP/", 0) == 0) {  // a new response (after a redirect): its own headers
    me->hasLength_ = false;
    me->total_ = 0;
  } else if (line.size() > 15 && strncasecmp(line.c_str(), "Content-Length:", 15) == 0) {
    me->hasLength_ = true;
    me->total_ = std::strtoll(line.c_str() + 15, nullptr, 10);
  }
  return bytes;
}

size_t THTTPGetThread::onBody(char* data, size_t size, size_t count, void* self) {
  auto* me = static_cast<THTTPGetThread*>(self);
  const size_t bytes = size * count;
  if (me->stop_) return 0;
  if (me->request_.BinaryData && !me->hasLength_) {
    me->refused_ = true;
    return 0;
  }
  if (me->toFile_) {
    if (!me->file_ || std::fwrite(data, 1, bytes, me->file_) != bytes) {
      me->refused_ = true;
      return 0;
    }
  } else {
    if (static_cast<int64_t>(me->body_.size() + bytes) > kStringLimit) {
      me->refused_ = true;
      return 0;
    }
    me->body_.append(data, bytes);
  }
  me->received_ += static_cast<int64_t>(bytes);
  me->reportProgress();
  return bytes;
}

// OnProgress runs on the user-interface thread. The worker doesn't wait for
// it: a worker waiting on a thread that is itself waiting for the worker to
// stop would never end.
void THTTPGetThread::reportProgress() {
  const int64_t total = total_, received = received_;
  THTTPGet* owner = owner_;
  QMetaObject::invokeMethod(
      owner,
      [owner, total, received] {
        if (owner->OnProgress) owner->OnProgress(total, received);
      },
      Qt::QueuedConnection);
}

int THTTPGetThread::onTransfer(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<THTTPGetThread*>(self)->stop_ ? 1 : 0;  // non-zero ends the transfer
}

void THTTPGetThread::configure(CurlHandle& handle) {
  CURL* curl = handle.curl;
  const HttpRequest& r = request_;
  curl_easy_setopt(curl, CURLOPT_URL, r.URL.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  // http and https only; a redirect away from https never falls back to http.
  const bool secure = r.URL.rfind("https://", 0) == 0;
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);  // an error page is no answer and no program
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
  if (!r.Agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, r.Agent.c_str());
  if (!r.UserName.empty()) curl_easy_setopt(curl, CURLOPT_USERNAME, r.UserName.c_str());
  if (!r.Password.empty()) curl_easy_setopt(curl, CURLOPT_PASSWORD, r.Password.c_str());
  if (!r.Referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, r.Referer.c_str());
  handle.headers = curl_slist_append(handle.headers, ("Accept: " + r.AcceptTypes).c_str());
  if (!r.UseCache) {  // a forced reload, past every cache on the way
    handle.headers = curl_slist_append(handle.headers, "Cache-Control: no-cache");
    handle.headers = curl_slist_append(handle.headers, "Pragma: no-cache");
  }
  if (!r.PostQuery.empty()) {
    handle.headers = curl_slist_append(handle.headers, "Content-Type: application/x-www-form-urlencoded");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(r.PostQuery.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, r.PostQuery.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.headers);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &THTTPGetThread::onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &THTTPGetThread::onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &THTTPGetThread::onTransfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

bool THTTPGetThread::run() {
  if (stop_) return false;
  CurlHandle handle;
  if (!handle.curl) return false;
  configure(handle);
  if (toFile_) {
    file_ = std::fopen(request_.FileName.c_str(), "wb");  // replaces an existing file
    if (!file_) return false;
  }
  const CURLcode result = curl_easy_perform(handle.curl);
  bool ok = false;
  if (toFile_) {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    // Complete exactly when every byte the server announced has arrived.
    ok = closed && result == CURLE_OK && hasLength_ && received_ == total_;
  } else {
    ok = result == CURLE_OK && received_ > 0;
  }
  return ok && !stop_ && !refused_;
}

THTTPGet::THTTPGet(QObject* parent) : QObject(parent) { InitCurlOnce(); }

THTTPGet::~THTTPGet() { StopDownload(); }

void THTTPGet::DownloadString() { start(false); }
void THTTPGet::DownloadFile() { start(true); }

void THTTPGet::StopDownload() {
  if (worker_) worker_->stop();
}

void THTTPGet::start(bool toFile) {
  if (worker_) return;  // one request at a time: the new one is dropped
  worker_ = std::make_unique<THTTPGetThread>(request, toFile);
  worker_->start(this);
  if (WaitThread)
    while (worker_) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// On the user-interface thread, once the worker has finished.
void THTTPGet::threadEnded() {
  if (!worker_) return;
  worker_->join();
  const std::unique_ptr<THTTPGetThread> done = std::move(worker_);
  const bool toFile = done->toFile();
  const std::string fileName = done->request().FileName;
  if (!done->ok()) {
    if (OnError) OnError();
  } else if (toFile) {
    if (OnDoneFile) OnDoneFile(fileName, done->total());
  } else if (OnDoneString) {
    OnDoneString(done->body());
  }
}

}  // namespace klarvex::ui
