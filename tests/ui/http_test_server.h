// A small HTTP server on 127.0.0.1 for the update check's tests: canned
// replies by path, every request recorded, and replies that stall until
// the test lets them go.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace klarvex::ui::testing {

struct CannedReply {
  CannedReply(int status = 200, std::string body = {}, std::optional<long long> contentLength = std::nullopt,
              bool withoutContentLength = false, bool stall = false)
      : status(status),
        body(std::move(body)),
        contentLength(contentLength),
        withoutContentLength(withoutContentLength),
        stall(stall) {}

  int status = 200;
  std::string body;
  std::optional<long long> contentLength;  // default: the body's size
  bool withoutContentLength = false;
  bool stall = false;  // after the body, hold the connection open until released
};

class TestHttpServer {
 public:
  TestHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // any free port
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 8);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~TestHttpServer() {
    stopping_ = true;
    release();
    thread_.join();
    ::close(listener_);
  }

  std::string root() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  void reply(const std::string& path, CannedReply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = std::move(reply);
  }
  std::vector<std::string> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    wake_.notify_all();
  }

 private:
  void serve() {
    while (!stopping_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 20) <= 0) continue;
      const int connection = ::accept(listener_, nullptr, nullptr);
      if (connection < 0) continue;
      answer(connection);
      ::close(connection);
    }
  }

  void answer(int connection) {
    const std::string request = readRequest(connection);
    const size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    CannedReply reply;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
      auto found = replies_.find(path);
      reply = found != replies_.end() ? found->second : CannedReply{404, "not here", {}, false, false};
    }
    std::string head =
        "HTTP/1.0 " + std::to_string(reply.status) + (reply.status == 200 ? " OK" : " Not Found") + "\r\n";
    if (!reply.withoutContentLength)
      head +=
          "Content-Length: " + std::to_string(reply.contentLength.value_or(static_cast<long long>(reply.body.size()))) +
          "\r\n";
    head += "\r\n";
    sendAll(connection, head + reply.body);
    if (reply.stall) {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return released_ || stopping_; });
    }
  }

  static std::string readRequest(int connection) {
    std::string request;
    char piece[4096];
    size_t bodyWanted = std::string::npos;
    while (true) {
      const size_t headEnd = request.find("\r\n\r\n");
      if (headEnd != std::string::npos && bodyWanted == std::string::npos) {
        bodyWanted = 0;
        const size_t length = request.find("Content-Length: ");
        if (length != std::string::npos && length < headEnd) bodyWanted = std::stoul(request.substr(length + 16));
        bodyWanted += headEnd + 4;
      }
      if (bodyWanted != std::string::npos && request.size() >= bodyWanted) return request;
      pollfd waiting{connection, POLLIN, 0};
      if (::poll(&waiting, 1, 2000) <= 0) return request;
      const ssize_t got = ::recv(connection, piece, sizeof piece, 0);
      if (got <= 0) return request;
      request.append(piece, static_cast<size_t>(got));
    }
  }

  static void sendAll(int connection, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool released_ = false;
  std::map<std::string, CannedReply> replies_;
  std::vector<std::string> requests_;
};

}  // namespace klarvex::ui::testing
