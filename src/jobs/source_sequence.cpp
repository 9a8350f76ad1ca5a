#include "jobs/source_sequence.h"

#include <cctype>

#include "base/text_format.h"

namespace klarvex {

namespace {

constexpr size_t kRestLimit = 255;

// Anything but a folder counts: a next file that is no regular file is
// refused with its reason when it is opened, not passed over.
bool FileExists(const std::string& path) {
  const PathKind kind = KindOfPath(path);
  return kind != PathKind::Missing && kind != PathKind::Directory;
}

bool In(char c, const char* set) { return c != '\0' && std::string(set).find(c) != std::string::npos; }

char NextDigit(char c) { return static_cast<char>(c + 1); }

std::string RestFrom(const std::string& name, size_t from) {
  if (from >= name.size()) return "";
  return name.substr(from, kRestLimit);
}

// DVD-Video title files VTS_tt_n.VOB (n 1 to 9): only VTS_tt_(n+1).VOB
// follows; the general rules would jump to the next title set.
bool IsDvdTitleFile(const std::string& name) {
  if (name.size() != 12) return false;
  std::string u = UpperCase(name);
  return u.compare(0, 4, "VTS_") == 0 && std::isdigit(static_cast<unsigned char>(u[4])) &&
         std::isdigit(static_cast<unsigned char>(u[5])) && u[6] == '_' && In(u[7], "123456789") &&
         u.compare(8, 4, ".VOB") == 0;
}

std::string NextDvdTitleFile(const std::string& folder, const std::string& name) {
  if (name[7] == '9') return "";
  std::string candidate = folder + name;
  candidate[folder.size() + 7] = NextDigit(name[7]);
  return FileExists(candidate) ? candidate : "";
}

}  // namespace

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string FileNamePart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot);
}

std::string CutExt(const std::string& name) { return name.substr(0, name.size() - ExtensionOf(name).size()); }

std::string getnext(const std::string& path) {
  const std::string folder = FolderPart(path);
  const std::string name = FileNamePart(path);
  if (IsDvdTitleFile(name)) return NextDvdTitleFile(folder, name);

  std::string result;
  auto consider = [&result](const std::string& candidate) {
    if (FileExists(candidate)) result = candidate;
  };
  size_t u = name.find('_');  // 0-based position of the first "_"
  if (u != std::string::npos) {
    char c = u + 1 < name.size() ? name[u + 1] : '\0';
    if (In(c, "12345678")) {  // FEATURE_1.EVO -> FEATURE_2.EVO
      consider(folder + name.substr(0, u + 1) + NextDigit(c) + RestFrom(name, u + 2));
    } else if (c == '0') {  // FEATURE_01.EVO -> FEATURE_02.EVO
      char c2 = u + 2 < name.size() ? name[u + 2] : '\0';
      if (In(c2, "12345678")) consider(folder + name.substr(0, u + 2) + NextDigit(c2) + RestFrom(name, u + 3));
    }
    if (u > 0 && In(name[u - 1], "012345678"))  // L0_mainMovie.EVO -> L1_mainMovie.EVO
      consider(folder + name.substr(0, u - 1) + NextDigit(name[u - 1]) + RestFrom(name, u));
  }
  if (result.empty()) consider(folder + CutExt(name) + "_Divide" + ".EVO");
  return result;
}

}  // namespace klarvex
