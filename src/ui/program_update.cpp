#include "ui/program_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace klarvex::ui {

namespace {

constexpr size_t kElfHeadBytes = 20;  // up to and including e_machine

// The bytes that say which machine an ELF file runs on: the magic, the
// class (32/64 bit), the byte order and e_machine.
bool ReadElfIdentity(const std::string& path, std::string& identity) {
  std::ifstream in(path, std::ios::binary);
  char head[kElfHeadBytes];
  if (!in.read(head, sizeof head)) return false;
  if (std::memcmp(head,
                  "\x7f"
                  "ELF",
                  4) != 0)
    return false;
  identity.assign(head, 6);               // magic, class, byte order
  identity.append(head + 18, head + 20);  // e_machine
  return true;
}

std::string SystemReason(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\": " + std::strerror(errno);
}

// The old program stays as ".old": a hard link costs nothing and leaves the
// program itself in place; where links are not possible it is copied.
std::string KeepOldProgram(const std::string& program) {
  const std::string old = program + ".old";
  if (::unlink(old.c_str()) != 0 && errno != ENOENT) return SystemReason("Cannot remove", old);
  if (::link(program.c_str(), old.c_str()) == 0) return "";
  std::ifstream in(program, std::ios::binary);
  std::ofstream out(old, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  out.close();
  if (!in || !out) {
    ::unlink(old.c_str());
    return "Cannot copy \"" + program + "\" to \"" + old + "\"";
  }
  return "";
}

}  // namespace

std::string CheckDownloadedProgram(const std::string& program, const std::string& download, int64_t expectedSize) {
  struct stat info {};
  if (::stat(download.c_str(), &info) != 0) return SystemReason("Cannot read", download);
  if (info.st_size == 0) return "The download is empty";
  if (info.st_size != expectedSize)
    return "The download is incomplete: " + std::to_string(info.st_size) + " of " + std::to_string(expectedSize) +
           " bytes";
  std::string running, downloaded;
  if (!ReadElfIdentity(program, running)) return "Cannot read the running program \"" + program + "\"";
  if (!ReadElfIdentity(download, downloaded) || downloaded != running)
    return "The download is not a program for this computer";
  return "";
}

std::string ReplaceProgram(const std::string& program, const std::string& download, int64_t expectedSize) {
  std::string reason = CheckDownloadedProgram(program, download, expectedSize);
  struct stat programInfo {};
  if (reason.empty() && ::stat(program.c_str(), &programInfo) != 0) reason = SystemReason("Cannot read", program);
  if (reason.empty()) reason = KeepOldProgram(program);
  if (reason.empty() && ::chmod(download.c_str(), (programInfo.st_mode & 07777) | S_IXUSR) != 0)
    reason = SystemReason("Cannot make executable", download);
  if (reason.empty() && ::rename(download.c_str(), program.c_str()) != 0)
    reason = SystemReason("Cannot replace", program);
  if (!reason.empty()) ::unlink(download.c_str());
  return reason;
}

}  // namespace klarvex::ui
