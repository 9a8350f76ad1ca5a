// A program run as a child: its output read line by line as it comes, so a
// long run can show its progress and be stopped on the user's word.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace klarvex {

// The path of `program` on PATH (a name with a "/" is taken as it is), or
// "" when no executable file of that name is found.
std::string FindOnPath(const std::string& program);

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is stopped and reaped: none is left behind.
  ~ChildProcess();

  // Runs argv[0] (a path) with standard output and standard error on one
  // pipe, standard input from /dev/null. Throws a KlarvexError naming the
  // program and the reason when it can't be started.
  void start(const std::vector<std::string>& argv);

  enum class Output { Line, Timeout, End };
  // The next line of output, without its end (a "\r" ends one too, as
  // progress counters write them). Waits at most `timeoutMs`; End once the
  // child has closed its output and every line has been given.
  Output readLine(std::string& line, int timeoutMs);

  // Asks the child to end (SIGTERM).
  void terminate();
  // Waits for the child's end: its exit status, or 128 + the signal that
  // ended it.
  int wait();

 private:
  bool takeLine(std::string& line);

  pid_t pid_ = -1;
  int output_ = -1;
  std::string pending_;
  bool ended_ = false;
};

}  // namespace klarvex
