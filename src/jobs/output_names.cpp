#include "jobs/output_names.h"

#include "base/text_format.h"

namespace klarvex {

std::string SafeCaption(const std::string& caption) {
  std::string safe = caption;
  bool onlyDots = !safe.empty();
  for (char& c : safe) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 32) c = '_';
    if (c != '.') onlyDots = false;
  }
  if (onlyDots) safe.assign(safe.size(), '_');
  return safe;
}

std::string OutputFileName(const std::string& outputPrefix, const std::string& caption, const std::string& extension) {
  return FitFileName(outputPrefix + "." + SafeCaption(caption) + "." + extension);
}

}  // namespace klarvex
