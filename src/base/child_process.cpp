#include "base/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/errors.h"

extern char** environ;

namespace klarvex {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return IsExecutableFile(program) ? program : "";
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t from = 0;
  for (;;) {
    const size_t end = folders.find(':', from);
    std::string folder = folders.substr(from, end == std::string::npos ? std::string::npos : end - from);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + program;
    if (IsExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) return "";
    from = end + 1;
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    terminate();
    wait();
  }
  if (output_ >= 0) ::close(output_);
}

void ChildProcess::start(const std::vector<std::string>& argv) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw KlarvexError("Cannot run " + argv.at(0), std::strerror(errno));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  const int failed = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (failed) {
    ::close(pipeEnds[0]);
    pid_ = -1;
    throw KlarvexError("Cannot run " + argv[0], std::strerror(failed));
  }
  output_ = pipeEnds[0];
  pending_.clear();
  ended_ = false;
}

bool ChildProcess::takeLine(std::string& line) {
  const size_t end = pending_.find_first_of("\r\n");
  if (end == std::string::npos) return false;
  line.assign(pending_, 0, end);
  pending_.erase(0, end + 1);
  return true;
}

ChildProcess::Output ChildProcess::readLine(std::string& line, int timeoutMs) {
  for (;;) {
    if (takeLine(line)) return Output::Line;
    if (ended_) {
      if (pending_.empty()) return Output::End;
      line.swap(pending_);  // the last line had no end
      pending_.clear();
      return Output::Line;
    }
    pollfd wanted{output_, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, timeoutMs);
    if (ready == 0) return Output::Timeout;
    if (ready < 0) {
      if (errno == EINTR) return Output::Timeout;  // a signal (Ctrl-C): let the caller look
      ended_ = true;
      continue;
    }
    char chunk[4096];
    const ssize_t got = ::read(output_, chunk, sizeof chunk);
    if (got > 0)
      pending_.append(chunk, static_cast<size_t>(got));
    else if (got == 0 || errno != EINTR)
      ended_ = true;
  }
}

void ChildProcess::terminate() {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
}

int ChildProcess::wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace klarvex
