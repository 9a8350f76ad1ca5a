// THTTPGet: one HTTP request at a time, run on a worker thread
// (THTTPGetThread) that holds its own copy of the request, with the
// completion events delivered on the user-interface thread.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace klarvex::ui {

// What a worker copies when it starts: later changes don't touch it.
struct HttpRequest {
  std::string URL;
  std::string AcceptTypes = "*/*";
  std::string Agent;        // none when empty
  bool BinaryData = false;  // a body without Content-Length is an error
  bool UseCache = false;    // false: the request forces a reload
  std::string FileName;     // target of a file request
  std::string UserName, Password;
  std::string PostQuery;  // not empty: a POST with this form-encoded body
  std::string Referer;
};

class THTTPGetThread;

class THTTPGet : public QObject {
 public:
  explicit THTTPGet(QObject* parent = nullptr);
  ~THTTPGet() override;  // stops a running request and waits for its thread

  HttpRequest request;      // the properties: URL, AcceptTypes, Agent, ...
  bool WaitThread = false;  // a request call returns when the transfer has ended

  std::function<void(int64_t totalSize, int64_t readed)> OnProgress;
  std::function<void(const std::string& fileName, int64_t fileSize)> OnDoneFile;
  std::function<void(const std::string& result)> OnDoneString;
  std::function<void()> OnError;

  // Start a request; dropped when one is already running.
  void DownloadString();
  void DownloadFile();
  // Asks the running request to stop; it then counts as failed.
  void StopDownload();
  bool busy() const { return worker_ != nullptr; }

 private:
  friend class THTTPGetThread;  // posts its end here
  void start(bool toFile);
  void threadEnded();

  std::unique_ptr<THTTPGetThread> worker_;
};

}  // namespace klarvex::ui
