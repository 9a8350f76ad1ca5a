// klarvex-make-bench-title: writes a large HD DVD EVO for the read benchmark.
//
// One VOB of 2.002 s loops: VC-1 video 0 (the fixture's 48 pictures, each
// grown with filler to 100-150 KB, about 23 Mbit/s), E-AC-3 (C0), AC-3 (81),
// DTS (8A), TrueHD (B3), LPCM (A4) and 2-bit subpictures (20), packs in
// decode-time order, a navigation pack per VOBU. Each loop is muxed in memory
// and written with one call, so a GiB takes seconds. Whole loops are written
// until the file reaches the size asked for; the bytes depend only on the
// fixtures and the size.
//
// Usage: klarvex-make-bench-title DATA_DIR OUTPUT [SIZE_MIB]   (default 1100)
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sample_mux.h"

namespace klarvex::sample {
namespace {

constexpr int64_t kTitleStart = kClock + kClock / 20;
constexpr size_t kEntryPictureBytes = 150000;  // I pictures
constexpr size_t kPictureBytes = 100000;       // P pictures: this plus up to 30000

// Deterministic pseudo-random bytes with no zero byte, so no start code can
// form in or next to them; 0x01 stays as rare as in coded video.
class Filler {
 public:
  Filler() : pool_(1 << 20) {
    for (uint8_t& b : pool_) {
      b = static_cast<uint8_t>(next() >> 24);
      if (b == 0) b = 0x80;
    }
  }
  uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_;
  }
  void append(Bytes& out, size_t count) {
    while (count > 0) {
      const size_t from = next() % (pool_.size() / 2);
      const size_t take = std::min(count, pool_.size() / 2);
      out.insert(out.end(), pool_.begin() + static_cast<std::ptrdiff_t>(from),
                 pool_.begin() + static_cast<std::ptrdiff_t>(from + take));
      count -= take;
    }
  }

 private:
  uint32_t state_ = 0x4B4C5658;  // "KLVX"
  Bytes pool_;
};

// The VC-1 clip with every picture grown to its target size.
Clip GrowPictures(const Clip& vc1) {
  Filler filler;
  Clip grown;
  grown.duration = vc1.duration;
  for (size_t i = 0; i < vc1.units.size(); ++i) {
    Unit unit = vc1.units[i];
    const size_t from = unit.offset;
    const size_t to = i + 1 < vc1.units.size() ? vc1.units[i + 1].offset : vc1.data.size();
    unit.offset = grown.data.size();
    grown.units.push_back(unit);
    grown.data.insert(grown.data.end(), vc1.data.begin() + static_cast<std::ptrdiff_t>(from),
                      vc1.data.begin() + static_cast<std::ptrdiff_t>(to));
    // The filler goes after the picture's own bytes (which end in flushing
    // bits, never in a zero byte); a trailing end-of-sequence code stays last.
    size_t end = grown.data.size();
    if (end - unit.offset >= 4 && grown.data[end - 4] == 0 && grown.data[end - 3] == 0 && grown.data[end - 2] == 1 &&
        grown.data[end - 1] == 0x0A) {
      end -= 4;
    }
    const size_t target = unit.entry ? kEntryPictureBytes : kPictureBytes + filler.next() % 30000;
    const size_t have = grown.data.size() - unit.offset;
    if (have < target) {
      Bytes grow;
      filler.append(grow, target - have);
      grown.data.insert(grown.data.begin() + static_cast<std::ptrdiff_t>(end), grow.begin(), grow.end());
    }
  }
  return grown;
}

struct Loop {
  std::vector<std::pair<Track, Clip>> parts;  // track settings and the clip of one loop
  int64_t ticks = 0;
};

Loop LoadLoop(const std::string& dir) {
  const auto read = [&dir](const char* name) { return ReadWholeFile(dir + "/" + name); };
  const auto cut = [&dir](const char* name, auto cutter, auto... args) {
    return CutFile(dir + "/" + name, cutter, args...);
  };
  Loop loop;
  const auto add = [&loop](Carriage carriage, uint8_t id, Clip clip) -> Track& {
    Track track;
    track.carriage = carriage;
    track.id = id;
    loop.parts.emplace_back(track, std::move(clip));
    return loop.parts.back().first;
  };
  Clip vc1 = GrowPictures(cut("vc1_ap_1080p.vc1", CutVc1, kFilm));
  loop.ticks = vc1.duration;
  Track& video = add(Carriage::Vc1, 0x55, std::move(vc1));
  video.withDts = true;
  video.main = true;
  add(Carriage::Audio, 0xC0, cut("eac3_51.eac3", CutAc3)).audioNumber = 0;
  add(Carriage::Audio, 0x81, cut("ac3_51.ac3", CutAc3)).audioNumber = 1;
  add(Carriage::Audio, 0x8A, cut("dts_51.dts", CutDts)).audioNumber = 2;
  add(Carriage::TrueHd, 0xB3, cut("truehd_51.thd", CutMlp)).audioNumber = 3;
  Track& lpcm = add(Carriage::Lpcm, 0xA4, cut("lpcm_s16be_stereo.pcm", CutLpcm, 48000, 4));
  lpcm.audioNumber = 4;
  lpcm.align = 4;
  Clip spu = SubpictureClip(read("spu_2bit_1.sup.raw"), 0);
  AppendClip(spu, SubpictureClip(read("spu_2bit_2.sup.raw"), 0), kClock);
  add(Carriage::Subpicture, 0x20, std::move(spu)).subpictureNumber = 0;
  return loop;
}

std::vector<Track> TracksAt(const Loop& loop, int64_t start) {
  std::vector<Track> tracks;
  for (const auto& [settings, clip] : loop.parts) {
    Track track = settings;
    AppendClip(track.clip, clip, start);
    tracks.push_back(std::move(track));
  }
  return tracks;
}

MuxSettings Settings(const Loop& loop, int64_t loops) {
  MuxSettings settings;
  settings.nav.vobNumber = 1;
  settings.nav.vobStartPtm = static_cast<uint32_t>(kTitleStart);
  settings.nav.vobEndPtm = static_cast<uint32_t>(kTitleStart + loop.ticks * loops);
  settings.nav.audioBound = 5;
  settings.nav.videoBound = 1;
  return settings;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void WriteTitle(const std::string& dataDir, const std::string& path, uint64_t sizeMiB) {
  const Loop loop = LoadLoop(dataDir);
  const uint64_t target = sizeMiB << 20;

  // One loop's size tells how many make the file.
  uint64_t loopBytes = 0;
  {
    testing::ProgramStreamWriter probe(Flavor::HdDvd);
    std::optional<uint64_t> scr;
    Mux(probe, TracksAt(loop, kTitleStart), Settings(loop, 1), scr);
    loopBytes = probe.bytes().size();
  }
  const int64_t loops = static_cast<int64_t>((target + loopBytes - 1) / loopBytes);
  if (loops * loop.ticks + kTitleStart > 0xFFFFFFFFll) throw std::runtime_error("title too long for 32-bit PTMs");
  const MuxSettings settings = Settings(loop, loops);

  const auto fail = [&path](int error) {
    throw std::runtime_error("cannot write '" + path + "': " + std::strerror(error));
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) fail(errno);
  std::optional<uint64_t> scr;
  uint64_t written = 0;
  for (int64_t i = 0; i < loops; ++i) {
    testing::ProgramStreamWriter block(Flavor::HdDvd);
    Mux(block, TracksAt(loop, kTitleStart + loop.ticks * i), settings, scr);
    const Bytes& bytes = block.bytes();
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) fail(errno);
    written += bytes.size();
  }
  if (std::fclose(file.release()) != 0) fail(errno);
  const double seconds = static_cast<double>(loop.ticks) / static_cast<double>(kClock);
  std::printf("%s: %llu bytes (%.1f MiB), %lld loops of %.3f s, %.1f Mbit/s\n", path.c_str(),
              static_cast<unsigned long long>(written), static_cast<double>(written) / 1048576.0,
              static_cast<long long>(loops), seconds, static_cast<double>(loopBytes) * 8.0 / seconds / 1e6);
}

}  // namespace
}  // namespace klarvex::sample

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs(
        "Usage: klarvex-make-bench-title DATA_DIR OUTPUT [SIZE_MIB]\n"
        "Writes an HD DVD EVO of about SIZE_MIB MiB (default 1100) for the read benchmark,\n"
        "from the elementary streams in DATA_DIR (tests/data).\n",
        stderr);
    return 2;
  }
  uint64_t size = 1100;
  if (argc == 4) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(argv[3], &end, 10);
    if (*argv[3] == '\0' || *end != '\0' || value == 0 || value > 1000000) {
      std::fprintf(stderr, "klarvex-make-bench-title: SIZE_MIB must be a whole number from 1 to 1000000\n");
      return 2;
    }
    size = value;
  }
  try {
    klarvex::sample::WriteTitle(argv[1], argv[2], size);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "klarvex-make-bench-title: %s\n", error.what());
    return 1;
  }
  return 0;
}
