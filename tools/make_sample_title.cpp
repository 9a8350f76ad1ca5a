// klarvex-make-sample: writes the bundled sample title (samples/) from the
// small elementary streams in tests/data/:
//
//   HVDVD_TS/FEATURE_1.EVO, FEATURE_2.EVO   HD DVD, one VOB each (numbers 1, 2),
//       4.004 s each, time stamps running on from the first file into the second
//   DVD/VIDEO_TS/VTS_01_1.VOB               DVD-Video, 4.004 s
//   AUDIO_TS/ATS_01_1.AOB                   DVD-Audio MLP, 6.0075 s
//
// Every fixture lasts about 2 s, so each file holds it looped, with times
// continuing. The output depends on nothing but the input bytes.
//
// Usage: klarvex-make-sample DATA_DIR OUT_DIR
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sample_mux.h"

namespace klarvex::sample {
namespace {

constexpr int64_t kTitleStart = kClock + kClock / 20;  // first picture at 1.05 s
constexpr int kLoopsPerEvo = 2;
constexpr int kLoopsInVob = 2;
constexpr int kLoopsInAob = 3;
constexpr size_t kMinAobSize = 256 * 1024;  // smaller AOBs are read without their system header

struct Fixtures {
  std::string dir;
  template <typename Cutter, typename... Args>
  Clip cut(const char* name, Cutter cutter, Args... args) const {
    return CutFile(dir + "/" + name, cutter, args...);
  }
  Clip subpicture(const char* name, int64_t pts) const { return SubpictureClip(ReadWholeFile(dir + "/" + name), pts); }
};

// A track holding `loops` copies of `clip`, the i-th starting `loopTicks * i`
// after `start`.
Track Looped(Carriage carriage, uint8_t id, const Clip& clip, int64_t start, int64_t loopTicks, int loops) {
  Track track;
  track.carriage = carriage;
  track.id = id;
  for (int i = 0; i < loops; ++i) AppendClip(track.clip, clip, start + loopTicks * i);
  return track;
}

// Two-bit subpicture units: the first at each loop start, the second a
// second later (it replaces the first on screen).
Clip SubpictureLoop(const Fixtures& data) {
  Clip clip = data.subpicture("spu_2bit_1.sup.raw", 0);
  AppendClip(clip, data.subpicture("spu_2bit_2.sup.raw", 0), kClock);
  return clip;
}

void MakeDirectory(const std::filesystem::path& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) throw std::runtime_error("cannot create folder '" + dir.string() + "': " + error.message());
}

void WriteEvoTitle(const Fixtures& data, const std::filesystem::path& out) {
  const Clip vc1 = data.cut("vc1_ap_1080p.vc1", CutVc1, kFilm);
  const Clip h264 = data.cut("h264_1080p.264", CutH264, kFilm);
  const Clip eac3 = data.cut("eac3_51.eac3", CutAc3);
  const Clip ac3 = data.cut("ac3_51.ac3", CutAc3);
  const Clip dts = data.cut("dts_51.dts", CutDts);
  const Clip truehd = data.cut("truehd_51.thd", CutMlp);
  const Clip lpcm = data.cut("lpcm_s16be_stereo.pcm", CutLpcm, 48000, 4);
  const Clip spu2 = SubpictureLoop(data);
  const Clip spu8 = data.subpicture("spu_8bit_1.sup.raw", 0);
  const int64_t loop = vc1.duration;  // 48 pictures: 180180 ticks

  MakeDirectory(out / "HVDVD_TS");
  std::optional<uint64_t> scr;
  for (int file = 0; file < 2; ++file) {
    const int64_t start = kTitleStart + loop * kLoopsPerEvo * file;
    const auto looped = [&](Carriage carriage, uint8_t id, const Clip& clip) {
      return Looped(carriage, id, clip, start, loop, kLoopsPerEvo);
    };
    std::vector<Track> tracks;
    tracks.push_back(looped(Carriage::Vc1, 0x55, vc1));  // video 0
    tracks.back().withDts = true;
    tracks.back().main = true;
    tracks.push_back(looped(Carriage::Video, 0xE3, h264));  // video 1
    tracks.back().withDts = true;
    tracks.push_back(looped(Carriage::Audio, 0xC0, eac3));     // audio 0
    tracks.push_back(looped(Carriage::Audio, 0x81, ac3));      // audio 1
    tracks.push_back(looped(Carriage::Audio, 0x8A, dts));      // audio 2
    tracks.push_back(looped(Carriage::TrueHd, 0xB3, truehd));  // audio 3
    tracks.push_back(looped(Carriage::Lpcm, 0xA4, lpcm));      // audio 4
    tracks.back().align = 4;
    for (int n = 0; n < 5; ++n) tracks[2 + size_t(n)].audioNumber = n;
    tracks.push_back(looped(Carriage::Subpicture, 0x20, spu2));  // subpicture 0
    tracks.back().subpictureNumber = 0;
    tracks.push_back(looped(Carriage::Subpicture, 0x61, spu8));  // subpicture 1
    tracks.back().subpictureNumber = 1;

    MuxSettings settings;
    settings.nav.vobNumber = static_cast<uint16_t>(file + 1);
    settings.nav.vobStartPtm = static_cast<uint32_t>(start);
    settings.nav.vobEndPtm = static_cast<uint32_t>(start + loop * kLoopsPerEvo);
    settings.nav.audioBound = 5;
    settings.nav.videoBound = 2;
    if (file == 0) {
      const std::string first = "KLARVEX SAMPLE ADV_PCK 1: advanced content rides in the EVO; readers skip it.";
      const std::string second = "KLARVEX SAMPLE ADV_PCK 2";
      settings.advPacks.push_back({1, Bytes(first.begin(), first.end())});
      settings.advPacks.push_back({5, Bytes(second.begin(), second.end())});
    }
    testing::ProgramStreamWriter writer(Flavor::HdDvd);
    Mux(writer, tracks, settings, scr);
    writer.writeTo((out / "HVDVD_TS" / ("FEATURE_" + std::to_string(file + 1) + ".EVO")).string());
  }
}

void WriteVob(const Fixtures& data, const std::filesystem::path& out) {
  const Clip mpeg2 = data.cut("mpeg2_480p.m2v", CutMpeg2, kNtsc);
  const Clip ac3 = data.cut("ac3_stereo.ac3", CutAc3);
  const Clip lpcm = data.cut("lpcm_s16be_stereo.pcm", CutLpcm, 48000, 4);
  const Clip spu = SubpictureLoop(data);
  const int64_t loop = mpeg2.duration;  // 60 pictures: 180180 ticks

  std::vector<Track> tracks;
  tracks.push_back(Looped(Carriage::Video, 0xE0, mpeg2, kTitleStart, loop, kLoopsInVob));  // video 0
  tracks.back().withDts = true;
  tracks.back().main = true;
  tracks.push_back(Looped(Carriage::Audio, 0x80, ac3, kTitleStart, loop, kLoopsInVob));  // audio 0
  tracks.back().audioNumber = 0;
  tracks.push_back(Looped(Carriage::Lpcm, 0xA1, lpcm, kTitleStart, loop, kLoopsInVob));  // audio 1
  tracks.back().audioNumber = 1;
  tracks.back().align = 4;
  tracks.push_back(Looped(Carriage::Subpicture, 0x20, spu, kTitleStart, loop, kLoopsInVob));  // subpicture 0
  tracks.back().subpictureNumber = 0;

  MuxSettings settings;
  settings.nav.vobNumber = 1;
  settings.nav.vobStartPtm = static_cast<uint32_t>(kTitleStart);
  settings.nav.vobEndPtm = static_cast<uint32_t>(kTitleStart + loop * kLoopsInVob);
  settings.nav.audioBound = 2;
  settings.nav.videoBound = 1;
  std::optional<uint64_t> scr;
  testing::ProgramStreamWriter writer(Flavor::DvdVideo);
  Mux(writer, tracks, settings, scr);
  MakeDirectory(out / "DVD" / "VIDEO_TS");
  writer.writeTo((out / "DVD" / "VIDEO_TS" / "VTS_01_1.VOB").string());
}

void WriteAob(const Fixtures& data, const std::filesystem::path& out) {
  const Clip mlp = data.cut("mlp_stereo.mlp", CutMlp);
  std::vector<Track> tracks;
  tracks.push_back(Looped(Carriage::Lpcm, 0xA1, mlp, kTitleStart, mlp.duration, kLoopsInAob));  // audio 1 (MLP)
  tracks.back().audioNumber = 1;
  tracks.back().lpcmHeader = {0x00, 0x00, 0x00};  // no LPCM format: the MLP stream describes itself
  tracks.back().lpcmFrameNumber = false;

  MuxSettings settings;
  settings.navPacks = false;
  testing::NavPackInfo bounds;
  bounds.audioBound = 1;
  bounds.videoBound = 0;
  settings.systemHeaderFirst = bounds;
  std::optional<uint64_t> scr;
  testing::ProgramStreamWriter writer(Flavor::DvdAudio);
  Mux(writer, tracks, settings, scr);
  if (writer.bytes().size() < kMinAobSize) throw std::runtime_error("the AOB came out smaller than 256 KiB");
  MakeDirectory(out / "AUDIO_TS");
  writer.writeTo((out / "AUDIO_TS" / "ATS_01_1.AOB").string());
}

}  // namespace
}  // namespace klarvex::sample

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs(
        "Usage: klarvex-make-sample DATA_DIR OUT_DIR\n"
        "Writes the sample title (HVDVD_TS/, DVD/VIDEO_TS/, AUDIO_TS/) into OUT_DIR\n"
        "from the elementary streams in DATA_DIR (tests/data).\n",
        stderr);
    return 2;
  }
  try {
    const klarvex::sample::Fixtures data{argv[1]};
    const std::filesystem::path out = argv[2];
    klarvex::sample::WriteEvoTitle(data, out);
    klarvex::sample::WriteVob(data, out);
    klarvex::sample::WriteAob(data, out);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "klarvex-make-sample: %s\n", error.what());
    return 1;
  }
  return 0;
}
