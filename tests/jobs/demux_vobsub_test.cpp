#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "ps_writer.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;
using DemuxVobSubTest = WriteJobTest;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A pack of the .sub: pack header (DVD mux rate) with `scr` (27 MHz), the
// PES header `pes` (private stream 1 through the header data), substream
// 0x20, the payload, then padding (00 00 01 BE, length, FF...) to 2048.
Bytes SubPack(uint64_t scr, const Bytes& pes, const Bytes& payload) {
  Bytes pack = Cat({ProgramStreamWriter::packHeader(Flavor::DvdVideo, scr), pes, Bytes{0x20}, payload});
  if (pack.size() < kPackSize) {
    const size_t padding = kPackSize - pack.size() - 6;
    pack.insert(pack.end(),
                {0x00, 0x00, 0x01, 0xBE, static_cast<uint8_t>(padding >> 8), static_cast<uint8_t>(padding)});
    pack.resize(kPackSize, 0xFF);
  }
  return pack;
}

constexpr uint64_t kScrStep = 43886;  // one pack at 10.08 Mbit/s, 27 MHz ticks rounded up

// A DVD-Video title: MPEG-2 video 720x576 at PTS 90000 (the time base),
// subpicture stream 1 with three units: A split over two packets (the
// second without PTS), B one full packet but 3 bytes (stuffing, no padding
// packet), C past an hour.
class VobSubTitle : public DemuxVobSubTest {
 protected:
  const Bytes a = Data(2500, 1), b = Data(2016, 2), c = Data(300, 3);

  std::string write(const std::string& name, Flavor flavor) {
    // sequence header: 720x576 (2D0 240), aspect 2 / 25 fps (23), bit rate, markers
    const Bytes video = Cat({Bytes{0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0xFF, 0xFF, 0xE0}, Data(200, 4)});
    ProgramStreamWriter w(flavor);
    w.video(0xE0, video, {90000});
    w.subpicture(0x21, a, {90000 + 45000});
    w.subpicture(0x21, b, {90000 + 180045});                // 2000.5 ms: rounds up
    w.subpicture(0x21, c, {90000 + 3723004ull * 90 + 44});  // 1:02:03.004, 0.49 ms: rounds down
    const std::string path = dir.file(name);
    w.writeTo(path);
    return path;
  }
};

TEST_F(VobSubTitle, DvdSubpicturesBecomeAnIndexAndPacks) {
  readTitle(write("M.VOB", Flavor::DvdVideo));
  state.options.cbVobSub = true;
  state.options.cbCodecExt = true;  // names the pair .sub/.idx all the same
  state.videoBoxes[0].ticked = false;
  jobs.bDemuxClick();

  EXPECT_FALSE(jobs.lastFailure());
  const Lines head(host.lines.begin(), host.lines.begin() + 3);
  EXPECT_EQ(head, (Lines{"No IFO read: the VobSub palette is a neutral grey and no language is known.",
                         "Creating " + output("M.Subpicture.01.sub"), "Creating " + output("M.Subpicture.01.idx")}));
  EXPECT_FALSE(std::filesystem::exists(output("M.Subpicture.01.sup")));

  EXPECT_EQ(Text(ReadAll(output("M.Subpicture.01.idx"))),
            "# VobSub index file, v7 (do not modify this line!)\n"
            "size: 720x576\n"
            "org: 0, 0\n"
            "scale: 100%, 100%\n"
            "alpha: 100%\n"
            "smooth: OFF\n"
            "fadein/out: 0, 0\n"
            "align: OFF at LEFT TOP\n"
            "time offset: 0\n"
            "forced subs: OFF\n"
            "palette: 000000, ffffff, 808080, c0c0c0, 000000, ffffff, 808080, c0c0c0, "
            "000000, ffffff, 808080, c0c0c0, 000000, ffffff, 808080, c0c0c0\n"
            "custom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000\n"
            "langidx: 0\n"
            "\n"
            "id: --, index: 0\n"
            "timestamp: 00:00:00:500, filepos: 000000000\n"
            "timestamp: 00:00:02:001, filepos: 000001000\n"
            "timestamp: 01:02:03:004, filepos: 000001800\n");

  // PES: 00 00 01 BD, length, 81 (original), 80 (PTS) or 00, header data
  // length, PTS '0010' 32..30 1 | 29..22 | 21..15 1 | 14..7 | 6..0 1.
  const Bytes aFirst(a.begin(), a.begin() + 2019), aRest(a.begin() + 2019, a.end());
  const Bytes expected = Cat({
      // A: 45000 = 0x0AFC8, its first 2019 bytes fill the pack
      SubPack(45000 * 300, {0, 0, 1, 0xBD, 0x07, 0xEC, 0x81, 0x80, 0x05, 0x21, 0x00, 0x03, 0x5F, 0x91}, aFirst),
      SubPack(45000 * 300 + kScrStep, {0, 0, 1, 0xBD, 0x01, 0xE5, 0x81, 0x00, 0x00}, aRest),
      // B: 180045 = 0x2BF4D, 3 bytes short of the pack: stuffing in the header
      SubPack(180045 * 300,
              {0, 0, 1, 0xBD, 0x07, 0xEC, 0x81, 0x80, 0x08, 0x21, 0x00, 0x0B, 0x7E, 0x9B, 0xFF, 0xFF, 0xFF}, b),
      // C: 335070404 = 0x13F8C4C4
      SubPack(335070404ull * 300, {0, 0, 1, 0xBD, 0x01, 0x35, 0x81, 0x80, 0x05, 0x21, 0x4F, 0xE3, 0x89, 0x89}, c),
  });
  EXPECT_EQ(ReadAll(output("M.Subpicture.01.sub")), expected);
}

// HD DVD subpictures (even 2-bit ones) and DVD-Audio's stay .sup.
TEST_F(VobSubTitle, EvoAndAobSourcesKeepSup) {
  for (auto [name, flavor] : {std::pair{"S.EVO", Flavor::HdDvd}, std::pair{"S.AOB", Flavor::DvdAudio}}) {
    readTitle(write(name, flavor));
    state.options.cbVobSub = true;
    jobs.bDemuxClick();
    EXPECT_TRUE(std::filesystem::exists(output("S.Subpicture.01.sup"))) << name;
    EXPECT_FALSE(std::filesystem::exists(output("S.Subpicture.01.sub"))) << name;
    EXPECT_FALSE(std::filesystem::exists(output("S.Subpicture.01.idx"))) << name;
    EXPECT_FALSE(hasLine("No IFO read: the VobSub palette is a neutral grey and no language is known.")) << name;
  }
}

// The index is an output like any other: a link at its name is refused,
// after the .sub was created and named.
TEST_F(VobSubTitle, TheIndexIsRefusedWhereALinkStands) {
  readTitle(write("M.VOB", Flavor::DvdVideo));
  state.options.cbVobSub = true;
  std::filesystem::create_symlink(dir.file("elsewhere"), output("M.Subpicture.01.idx"));
  jobs.bDemuxClick();
  EXPECT_TRUE(hasLine("Creating " + output("M.Subpicture.01.sub")));
  EXPECT_TRUE(hasLine("[re]Cannot create file \"" + output("M.Subpicture.01.idx") +
                      "\". It is a symbolic link, not a regular file[/re]"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere")));
}

std::string CommandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string text;
  char chunk[4096];
  while (pipe && std::fgets(chunk, sizeof chunk, pipe.get())) text += chunk;
  return text;
}

// mkvmerge and ffmpeg, where the machine has them, take the pair as VobSub.
TEST_F(VobSubTitle, MkvmergeAndFfprobeReadThePair) {
  const bool mkvmerge = std::system("command -v mkvmerge >/dev/null 2>&1") == 0;
  const bool ffprobe = std::system("command -v ffprobe >/dev/null 2>&1") == 0;
  if (!mkvmerge && !ffprobe) GTEST_SKIP() << "neither mkvmerge nor ffprobe is installed";
  readTitle(write("M.VOB", Flavor::DvdVideo));
  state.options.cbVobSub = true;
  jobs.bDemuxClick();
  const std::string idx = output("M.Subpicture.01.idx");
  if (mkvmerge) {
    const std::string json = CommandOutput("mkvmerge -J '" + idx + "'");
    EXPECT_NE(json.find("\"codec\": \"VobSub\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"errors\": []"), std::string::npos) << json;
  }
  if (ffprobe) {
    // ffmpeg's reader gives each unit whole: the payload bytes of its packs.
    EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries packet=pts_time,size -of csv=p=0 '" + idx + "'"),
              "0.500000,2500\n2.001000,2016\n3723.004000,300\n");
  }
}

}  // namespace
}  // namespace klarvex::testing
