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

std::string CodingExtension(StreamKind kind, bool lpcmAsWav) {
  switch (kind) {
    case StreamKind::Mpeg2Video:
      return "m2v";
    case StreamKind::H264Video:
      return "h264";
    case StreamKind::Vc1Video:
      return "vc1";
    case StreamKind::Ac3:
      return "ac3";
    case StreamKind::Eac3:
      return "eac3";
    case StreamKind::Dts:
      return "dts";
    case StreamKind::TrueHd:
      return "thd";
    case StreamKind::Mlp:
      return "mlp";
    case StreamKind::Lpcm:
      return lpcmAsWav ? "wav" : "pcm";
    case StreamKind::Subpicture:
    case StreamKind::ExtSubpicture:
      break;
  }
  return "sup";
}

}  // namespace klarvex
