// The title set's facts through libdvdread. Its structures are read here
// and copied into the plain DvdTitleInfo; nothing of it leaves this file.
#include <dirent.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>
#include <dvdread/version.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "base/input_file.h"
#include "base/path_kind.h"
#include "base/text_format.h"
#include "navigation/ifo_title.h"

namespace klarvex {

namespace {

// ---- names ----

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// tt of "VTS_tt_n.VOB" (n 1 to 9) or "VTS_tt_0.IFO", any letter case; 0
// for any other name. VTS_tt_0.VOB holds the menus, which the title's
// attributes don't describe.
int TitleSetOfName(const std::string& name) {
  const std::string upper = UpperCase(name);
  if (upper.size() != 12 || upper.compare(0, 4, "VTS_") != 0 || upper[6] != '_' || upper[8] != '.') return 0;
  if (!IsDigit(upper[4]) || !IsDigit(upper[5]) || !IsDigit(upper[7])) return 0;
  const int titleSet = (upper[4] - '0') * 10 + (upper[5] - '0');
  const std::string extension = upper.substr(9);
  const bool vob = extension == "VOB" && upper[7] != '0';
  const bool ifo = extension == "IFO" && upper[7] == '0';
  return (vob || ifo) ? titleSet : 0;
}

// The entry of `folder` named `name` in any letter case (as libdvdread
// looks for it), exact names first; empty when there is none.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  if (KindOfPath(folder + name) != PathKind::Missing) return name;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return "";
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    if (UpperCase(entry->d_name) == name) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// ---- libdvdread's messages ----

// What libdvdread says while it reads, for the reason of a failure. Its
// notes on the missing CSS library, the device search and the backup it
// tries are no reason: the IFO's own fault is what the user needs.
struct LibraryMessages {
  std::vector<std::string> lines;

  std::string reason() const {
    for (const std::string& line : lines) {
      if (line.rfind("Encrypted DVD support", 0) == 0 || line.find("device name") != std::string::npos ||
          line.find(".BUP") != std::string::npos)
        continue;
      return " (libdvdread: " + line + ")";
    }
    return "";
  }
};

void CollectMessage(void* context, dvd_logger_level_t, const char* format, va_list args) {
  char text[512];
  va_list copy;
  va_copy(copy, args);
  std::vsnprintf(text, sizeof text, format, copy);
  va_end(copy);
  std::string line(text);
  line = line.substr(0, line.find('\n'));  // one line: the CSS banner goes on for many
  static_cast<LibraryMessages*>(context)->lines.push_back(line);
}

struct DvdCloser {
  void operator()(dvd_reader_t* dvd) const { DVDClose(dvd); }
};
struct IfoCloser {
  void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};

// ---- the reason of a failure ----

KlarvexError CannotRead(const std::string& path, const std::string& reason) {
  return KlarvexError("Cannot read file \"" + path + "\". " + reason);
}

// An IFO that libdvdread refuses: one that is no title set information at
// all says so; else libdvdread's first word on it.
std::string RefusalReason(const std::string& ifoPath, const LibraryMessages& messages) {
  char identifier[12] = {};
  try {
    InputFile file;
    file.open(ifoPath);
    const int64_t got = file.read(reinterpret_cast<uint8_t*>(identifier), sizeof identifier);
    if (got < static_cast<int64_t>(sizeof identifier) ||
        std::memcmp(identifier, "DVDVIDEO-VTS", sizeof identifier) != 0)
      return CannotRead(ifoPath, "It is no DVD-Video title set information: it does not begin with DVDVIDEO-VTS")
          .what();
  } catch (const KlarvexError& error) {
    return error.what();
  }
  return CannotRead(ifoPath, "libdvdread found its tables damaged" + messages.reason()).what();
}

// ---- the facts ----

std::string LanguageText(uint16_t code) {
  char first = static_cast<char>(code >> 8), second = static_cast<char>(code & 0xFF);
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(first) || !letter(second)) return "";
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  return {lower(first), lower(second)};
}

DvdVideoAttributes VideoOf(const video_attr_t& attr) {
  DvdVideoAttributes video;
  video.standard = attr.video_format == 0   ? DvdVideoStandard::Ntsc
                   : attr.video_format == 1 ? DvdVideoStandard::Pal
                                            : DvdVideoStandard::Unknown;
  video.aspect = attr.display_aspect_ratio == 0   ? DvdAspectRatio::FourByThree
                 : attr.display_aspect_ratio == 3 ? DvdAspectRatio::Wide
                                                  : DvdAspectRatio::Unknown;
  constexpr int kWidths[4] = {720, 704, 352, 352};
  const int fullHeight = video.standard == DvdVideoStandard::Ntsc  ? 480
                         : video.standard == DvdVideoStandard::Pal ? 576
                                                                   : 0;
  video.width = fullHeight ? kWidths[attr.picture_size & 3] : 0;
  video.height = attr.picture_size == 3 ? fullHeight / 2 : fullHeight;
  return video;
}

DvdAudioStream AudioOf(const audio_attr_t& attr, uint16_t control) {
  DvdAudioStream audio;
  if (attr.lang_type == 1) audio.language = LanguageText(attr.lang_code);
  switch (attr.audio_format) {
    case 0:
      audio.coding = DvdAudioCoding::Ac3;
      break;
    case 2:
      audio.coding = DvdAudioCoding::Mpeg1;
      break;
    case 3:
      audio.coding = DvdAudioCoding::Mpeg2Ext;
      break;
    case 4:
      audio.coding = DvdAudioCoding::Lpcm;
      break;
    case 6:
      audio.coding = DvdAudioCoding::Dts;
      break;
    default:
      break;
  }
  audio.channels = attr.channels + 1;
  audio.sampleRate = attr.sample_frequency == 0 ? 48000 : attr.sample_frequency == 1 ? 96000 : 0;
  if (audio.coding == DvdAudioCoding::Lpcm && attr.quantization < 3) audio.bitsPerSample = 16 + 4 * attr.quantization;
  // Bit 15: the stream is there; bits 8 to 10: its number.
  if (control & 0x8000) audio.streamNumber = control >> 8 & 0x07;
  return audio;
}

DvdSubpictureStream SubpictureOf(const subp_attr_t& attr, uint32_t control) {
  DvdSubpictureStream subpicture;
  if (attr.type == 1) subpicture.language = LanguageText(attr.lang_code);
  // Bit 31: the stream is there; then five bits each for 4:3, wide,
  // letterbox and pan-scan, a byte apart.
  if (control & 0x80000000u) {
    subpicture.streamFourByThree = static_cast<int>(control >> 24 & 0x1F);
    subpicture.streamWide = static_cast<int>(control >> 16 & 0x1F);
    subpicture.streamLetterbox = static_cast<int>(control >> 8 & 0x1F);
    subpicture.streamPanScan = static_cast<int>(control & 0x1F);
  }
  return subpicture;
}

int64_t TimeOf(const dvd_time_t& time) { return DvdTimeTo90k(time.hour, time.minute, time.second, time.frame_u); }

// A cell's time counts once per angle block: the block's other cells are
// the same stretch of the title seen from another angle.
bool CellTakesTime(const cell_playback_t& cell) {
  return cell.block_type != BLOCK_TYPE_ANGLE_BLOCK || cell.block_mode == BLOCK_MODE_FIRST_CELL;
}

// The programs' starts: the time of the cells before each program's first.
std::vector<DvdChapter> ChaptersOf(const pgc_t& pgc) {
  std::vector<DvdChapter> chapters;
  if (!pgc.program_map) return chapters;
  const int cells = pgc.cell_playback ? pgc.nr_of_cells : 0;
  for (int p = 0; p < pgc.nr_of_programs; ++p) {
    // A damaged map may point past the cells: the program then starts at the end.
    const int firstCell = std::clamp<int>(pgc.program_map[p], 1, cells + 1);
    int64_t start = 0;
    for (int c = 0; c + 1 < firstCell; ++c)
      if (CellTakesTime(pgc.cell_playback[c])) start += TimeOf(pgc.cell_playback[c].playback_time);
    chapters.push_back({start, Ticks90kToMs(start)});
  }
  return chapters;
}

DvdTitleInfo FactsOf(const ifo_handle_t& ifo, int pgcNumber) {
  const vtsi_mat_t& mat = *ifo.vtsi_mat;
  const pgc_t& pgc = *ifo.vts_pgcit->pgci_srp[pgcNumber - 1].pgc;
  DvdTitleInfo info;
  info.pgcNumber = pgcNumber;
  for (size_t i = 0; i < info.paletteYCrCb.size(); ++i) {
    info.paletteYCrCb[i] = pgc.palette[i] & 0xFFFFFF;
    info.paletteRgb[i] = YCrCbToRgb(info.paletteYCrCb[i]);
  }
  info.video = VideoOf(mat.vts_video_attr);
  const int audioCount = std::min<int>(mat.nr_of_vts_audio_streams, 8);
  for (int i = 0; i < audioCount; ++i) info.audio.push_back(AudioOf(mat.vts_audio_attr[i], pgc.audio_control[i]));
  const int subpictureCount = std::min<int>(mat.nr_of_vts_subp_streams, 32);
  for (int i = 0; i < subpictureCount; ++i)
    info.subpictures.push_back(SubpictureOf(mat.vts_subp_attr[i], pgc.subp_control[i]));
  info.chapters = ChaptersOf(pgc);
  info.duration90k = TimeOf(pgc.playback_time);
  return info;
}

}  // namespace

std::string DvdIfoPathFor(const std::string& path, std::string& whyNot) {
  const int titleSet = TitleSetOfName(NameOf(path));
  if (titleSet == 0) {
    whyNot = "\"" + path + "\" is named as no file of a DVD-Video title set (VTS_nn_n.VOB or VTS_nn_0.IFO)";
    return "";
  }
  const std::string folder = FolderOf(path);
  const std::string upperName = "VTS_" + std::string(1, static_cast<char>('0' + titleSet / 10)) +
                                static_cast<char>('0' + titleSet % 10) + "_0.IFO";
  const std::string found = FindInFolder(folder, upperName);
  return folder + (found.empty() ? upperName : found);
}

std::optional<DvdTitleInfo> ReadDvdTitleInfo(const std::string& path, std::string& whyNot) {
  const std::string ifoPath = DvdIfoPathFor(path, whyNot);
  if (ifoPath.empty()) return std::nullopt;
  // The system's own word on a file that is not there or can't be read.
  try {
    InputFile probe;
    probe.open(ifoPath);
  } catch (const KlarvexError& error) {
    whyNot = error.what();
    return std::nullopt;
  }

  LibraryMessages messages;
  const dvd_logger_cb logger{CollectMessage};
  // The folder itself, whatever its name: libdvdread finds the title set's
  // files in it (and, for a folder named VIDEO_TS, there as well).
  const std::string folder = FolderOf(ifoPath);
  std::unique_ptr<dvd_reader_t, DvdCloser> dvd(DVDOpen2(&messages, &logger, folder.empty() ? "." : folder.c_str()));
  if (!dvd) {
    whyNot = CannotRead(ifoPath, "libdvdread could not open its folder" + messages.reason()).what();
    return std::nullopt;
  }
  const int titleSet = TitleSetOfName(NameOf(ifoPath));
  std::unique_ptr<ifo_handle_t, IfoCloser> ifo(ifoOpenVTSI(dvd.get(), titleSet));
  if (!ifo || !ifo->vtsi_mat) {
    whyNot = RefusalReason(ifoPath, messages);
    return std::nullopt;
  }
  if (!ifoRead_PGCIT(ifo.get()) || !ifo->vts_pgcit || ifo->vts_pgcit->nr_of_pgci_srp == 0 ||
      !ifo->vts_pgcit->pgci_srp || !ifo->vts_pgcit->pgci_srp[0].pgc) {
    whyNot = CannotRead(ifoPath, "Its program chain table is damaged or empty" + messages.reason()).what();
    return std::nullopt;
  }
  // The first chain: the title's own in a title set of one title, as
  // authoring tools write them. The part-of-title table that could point
  // elsewhere is not read: libdvdread asks for absurd allocations on a
  // damaged one.
  DvdTitleInfo info = FactsOf(*ifo, 1);
  info.ifoPath = ifoPath;
  info.titleSet = titleSet;
  return info;
}

std::string DvdReadVersion() { return DVDREAD_VERSION_STRING; }

}  // namespace klarvex
