#include <fstream>
#include <iterator>
#include <random>

#include "walker_fixture.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;

// An elementary stream of `pictures` pictures: each a 4-byte start code of
// `code` and `gap` filler bytes that never form a start code.
Bytes PictureStream(uint8_t code, int pictures, int gap = 60) {
  Bytes es;
  for (int i = 0; i < pictures; ++i) {
    es.insert(es.end(), {0x00, 0x00, 0x01, code});
    for (int j = 0; j < gap; ++j) es.push_back(static_cast<uint8_t>(0x80 | ((i + j) & 0x3F)));
  }
  return es;
}

Bytes Filler(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(0x40 + ((i * 7 + seed) % 0x30));
  return b;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

NavPackInfo TitleNav() {
  NavPackInfo nav;
  nav.vobNumber = 1;
  nav.vobStartPtm = 100000;            // 000186A0
  nav.vobEndPtm = 100000 + 2 * 90000;  // 000445C0: two seconds
  nav.audioSync = {1, 1};
  nav.subSync = {1};
  nav.audioBound = 2;
  nav.videoBound = 1;
  return nav;
}

TEST_F(WalkerTest, HdDvdTitleListsEveryStreamWithItsFirstPts) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  w.vc1(0x55, PictureStream(0x0D, 3), {118000, 112000});
  w.audio(0x80, Filler(3000, 1), {100000});
  w.audio(0xC1, Filler(1500, 2), {118000});
  w.subpicture(0x20, Filler(700, 3), {190000});
  padTo(w, 300000);
  engine.run.minFirstPts = 0xFFFFFFFF;  // as a read job starts

  Lines expected = {
      "VOB number 1 contains [b]1[/b] video , [b]2[/b] audio and [b]1[/b] subpicture streams.",
      "PTM of first video frame = [re]000186A0[/re]",
      "PTM of last video frame = 000445C0",
      "Duration = [b]0:00:02.000[/b]",
      "[b]VC-1[/b] video stream 0 found!",
      "   First PTS = [re]0001CCF0[/re]  ([re]+200[/re]ms)",
      "   Substream id = 55",
      "[b]Dolby Digital[/b] audio stream 0 found!",
      "   First PTS = [re]000186A0[/re]",
      "   Substream id = 80",
      "[b]Dolby Digital[/b] Plus audio stream 1 found!",
      "   First PTS = [re]0001CCF0[/re]  ([re]+200[/re]ms)",
      "   Substream id = C1",
      "[b]Subpicture[/b] stream 0 found!",
      "   First PTS = [re]0002E630[/re]  ([re]+1000[/re]ms)",
      "   Substream id = 20",
      "   Format = [bl]2bitRLE[/bl]",
  };
  EXPECT_EQ(walk(w.bytes()), expected);
  EXPECT_EQ(engine.streams.video(0).streamId, 0x55);
  EXPECT_EQ(engine.streams.video(0).frameCount, 3);
  EXPECT_EQ(engine.streams.audio(0).streamId, 0x80);
  EXPECT_EQ(engine.streams.audio(1).streamId, 0xC1);
  EXPECT_EQ(engine.streams.subpicture(0).streamId, 0x20);
  EXPECT_EQ(engine.run.firstPtm, 100000u);
  EXPECT_EQ(engine.run.minFirstPts, 100000u) << "lowered by audio and video, not by subpictures";
  EXPECT_EQ(engine.streams.entry(3).streamId, -1);
  EXPECT_EQ(host.cancelStates, (std::vector<bool>{true, false}));
}

TEST_F(WalkerTest, EveryAudioKindAndVideoStartCodeIsNamed) {
  ProgramStreamWriter w;
  w.video(0xE0, PictureStream(0x00, 2), {90000, 87000});
  w.video(0xE3, PictureStream(0x09, 2), {90000, 87000});
  w.audio(0x89, Filler(800, 1), {90000});
  w.audio(0xA2, Filler(800, 2), {90000});
  w.audio(0xB3, Filler(800, 3), {90000});
  w.audio(0xCC, Filler(800, 4), {90000});
  w.subpicture(0x7F, Bytes{0x00, 0x00, 0x01, 0x02}, {90000});
  options.details = false;
  Lines expected = {
      "[b]MPEG-2[/b] video stream 0 found!",         "[b]H.264 (AVC)[/b] video stream 1 found!",
      "[b]DTS HD (DTS)[/b] audio stream 1 found!",   "[b]LPCM[/b] audio stream 2 found!",
      "[b]Dolby TrueHD[/b] audio stream 3 found!",   "[b]Dolby Digital[/b] Plus audio stream 12 found!",
      "[b]Extended subpicture[/b] stream 31 found!",
  };
  EXPECT_EQ(walk(w.bytes()), expected);
  EXPECT_EQ(engine.streams.video(0).frameCount, 2);
  EXPECT_EQ(engine.streams.video(1).frameCount, 2);
  EXPECT_EQ(engine.streams.audio(12).streamId, 0xCC);
  EXPECT_EQ(engine.streams.subpicture(31).streamId, 0x7F);
}

// MPEG audio is C0 to DF: the payload of a D0 packet is no place to look
// for packets, even where it holds bytes that read like one.
TEST_F(WalkerTest, MpegAudioPayloadIsPassedOverUpToDF) {
  Bytes payload{0x00, 0x00, 0x01, 0xBD, 0x00, 0x30, 0x81, 0x00, 0x00, 0x80, 0x01, 0x00, 0x01};
  const Bytes filler = Filler(40, 1);
  payload.insert(payload.end(), filler.begin(), filler.end());
  ProgramStreamWriter w;
  w.mpegAudio(0xD0, payload, {90000});
  options.details = false;
  EXPECT_EQ(walk(w.bytes()), Lines{});
  EXPECT_EQ(engine.streams.audio(0).streamId, -1);
}

TEST_F(WalkerTest, SecondVc1StreamIsVideoStreamOne) {
  ProgramStreamWriter w;
  w.vc1(0x56, PictureStream(0x0D, 1), {90000});
  Lines lines = walk(w.bytes());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[b]VC-1[/b] video stream 1 found!");
  EXPECT_EQ(lines[2], "   Substream id = 56");
  EXPECT_EQ(engine.streams.video(1).streamId, 0x56);
}

TEST_F(WalkerTest, Vc1WithPstdBufferFieldAndUnknownExtension) {
  ProgramStreamWriter w;
  PesHeaderOptions pstd;
  pstd.pstdBuffer = true;
  w.vc1(0x55, PictureStream(0x0D, 2), {90000}, pstd);
  PesHeaderOptions other;
  other.streamIdExtension = 0x57;  // not VC-1: no slot
  w.pesPacket(0xFD, PictureStream(0x0D, 5), {90000}, other);
  options.details = false;
  EXPECT_EQ(walk(w.bytes()), (Lines{"[b]VC-1[/b] video stream 0 found!"}));
  EXPECT_EQ(engine.streams.video(0).frameCount, 2);
  EXPECT_EQ(engine.streams.video(1).streamId, -1);
}

TEST_F(WalkerTest, Fd_packet_without_extension_before_any_video_is_not_counted) {
  ProgramStreamWriter w;
  w.pesPacket(0xFD, PictureStream(0x0D, 4), {90000});  // no stream_id_extension
  w.vc1(0x55, PictureStream(0x0D, 1), {90000});
  options.details = false;
  EXPECT_EQ(walk(w.bytes()), (Lines{"[b]VC-1[/b] video stream 0 found!"}));
  EXPECT_EQ(engine.streams.video(0).frameCount, 1);
}

TEST_F(WalkerTest, TimestampBit32IsDroppedAlikeInPtsAndPtsDtsHeaders) {
  const uint64_t pts = (1ull << 32) + (1ull << 30) + 5;  // 40000005 in 32 bits
  ProgramStreamWriter w;
  w.audio(0x80, Filler(100, 1), {pts});
  w.audio(0x81, Filler(100, 2), {pts, pts - 3000});
  Lines lines = walk(w.bytes());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "   First PTS = [re]40000005[/re]  ([re]+11930464[/re]ms)");
  EXPECT_EQ(lines[4], lines[1]);
}

TEST_F(WalkerTest, VideoWithoutDtsReportsItsOwnFirstPts) {
  ProgramStreamWriter w;
  w.audio(0x80, Filler(100, 1), {95000});
  w.video(0xE0, PictureStream(0x00, 1), {97000});  // PTS alone
  w.video(0xE3, PictureStream(0x09, 1), {99000});
  options.extension = ".VOB";
  Lines firstPts;
  for (const std::string& line : walk(w.bytes()))
    if (line.rfind("   First PTS", 0) == 0) firstPts.push_back(line);
  EXPECT_EQ(firstPts, (Lines{"   First PTS = [re]00017318[/re]  ([re]+1055[/re]ms)",
                             "   First PTS = [re]00017AE8[/re]  ([re]+1077[/re]ms)",
                             "   First PTS = [re]000182B8[/re]  ([re]+1100[/re]ms)"}));
}

TEST_F(WalkerTest, StreamStartingBeforeTheTitleShowsANegativeDelay) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  w.audio(0x80, Filler(100, 1), {91000});
  Lines lines = walk(w.bytes());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[5], "   First PTS = [re]00016378[/re]  ([re]-100[/re]ms)");
}

TEST_F(WalkerTest, PaddingBeforeAPesPacketInTheSamePack) {
  Bytes pack = ProgramStreamWriter::packHeader(Flavor::HdDvd, 0);
  // padding packet: 00 00 01 BE, length 4, four FF bytes
  pack.insert(pack.end(), {0x00, 0x00, 0x01, 0xBE, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFF});
  // private stream 1: length 12 = 3 header bytes + 5 PTS bytes + 4 substream bytes
  pack.insert(pack.end(), {0x00, 0x00, 0x01, 0xBD, 0x00, 0x0C, 0x81, 0x80, 0x05, 0x21, 0x00, 0x05, 0xBF, 0x21, 0x83,
                           0x01, 0x00, 0x01});
  options.details = false;
  EXPECT_EQ(walk(pack), (Lines{"[b]Dolby Digital[/b] audio stream 3 found!"}));
}

TEST_F(WalkerTest, FirstKindFoundInASlotKeepsIt) {
  ProgramStreamWriter w;
  w.audio(0x88, Filler(300, 1), {90000});
  w.audio(0x80, Filler(300, 2), {90000});
  options.details = false;
  EXPECT_EQ(walk(w.bytes()), (Lines{"[b]DTS HD (DTS)[/b] audio stream 0 found!"}));
  EXPECT_EQ(engine.streams.audio(0).streamId, 0x88);
}

TEST_F(WalkerTest, EmptyFileLogsNothingAndLeavesEveryEntryEmpty) {
  EXPECT_TRUE(walk({}).empty());
  for (int i = 1; i <= StreamTable::kEntries; ++i) EXPECT_EQ(engine.streams.entry(i).streamId, -1) << i;
  EXPECT_EQ(host.cancelStates, (std::vector<bool>{true, false}));
}

// ---- navigation packs ----

TEST_F(WalkerTest, GciReportsEncryptionAndCopyControlInOrder) {
  NavPackInfo nav;
  nav.gciEncryption = 0x40;
  nav.gciValidity = 0xF0;
  nav.gciValues = 0x67;  // CCI 3, APS 1, ICT 1, DOT 1
  ProgramStreamWriter w;
  w.navPack(nav);
  Lines lines = walk(w.bytes());
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "[b]This file is ENCRYPTED![/b] Decrypt it before any process.");
  EXPECT_EQ(lines[1], "[b]Encryption Plus Non-Assertion[/b]");
  EXPECT_EQ(lines[2], "[b]Type 1 of APS1 is ON[/b]");
  EXPECT_EQ(lines[3], "[b]ICT on, constrained analog output[/b]");
  EXPECT_EQ(lines[4], "[b]DOT on, analog output not allowed[/b]");
}

TEST_F(WalkerTest, CopyControlCodesWithoutNameShowEmptyBoldLines) {
  NavPackInfo nav;
  nav.gciValidity = 0xC0;
  nav.gciValues = (1 << 5) | (4 << 2);  // CCI 1, APS 4: no names
  ProgramStreamWriter w;
  w.navPack(nav);
  Lines lines = walk(w.bytes());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[b][/b]");
  EXPECT_EQ(lines[1], "[b][/b]");
}

TEST_F(WalkerTest, DvdSyncTablesAreReadAtTheDvdOffsetsOnlyForVob) {
  NavPackInfo nav;
  nav.audioSync = {1, 2, 3};
  nav.subSync = {7, 0, 9};
  ProgramStreamWriter w(Flavor::DvdVideo);
  w.navPack(nav);
  options.extension = ".VOB";
  EXPECT_EQ(walk(w.bytes())[0],
            "VOB number 1 contains [b]0[/b] video , [b]3[/b] audio and [b]2[/b] subpicture streams.");

  recorder.lines.clear();
  options.extension = ".EVO";  // the same DSI read with the HD DVD offsets
  EXPECT_EQ(walk(w.bytes())[0], "VOB number 1 contains [b]0[/b] video and [b]0[/b] audio stream.");
}

TEST_F(WalkerTest, SystemHeaderCountsNeedAFullFirstBuffer) {
  ProgramStreamWriter w;
  NavPackInfo nav = TitleNav();
  nav.audioSync = {};
  nav.subSync = {};
  w.navPack(nav);
  Bytes shortFile = w.bytes();
  padTo(w, 262144);
  EXPECT_EQ(walk(w.bytes())[0], "VOB number 1 contains [b]1[/b] video and [b]2[/b] audio streams.");
  recorder.lines.clear();
  EXPECT_EQ(walk(shortFile)[0], "VOB number 1 contains [b]0[/b] video and [b]0[/b] audio stream.");
}

TEST_F(WalkerTest, AobReportsItsSystemHeaderAndMlpOnA1) {
  NavPackInfo header;
  header.audioBound = 2;
  header.videoBound = 0;
  ProgramStreamWriter w(Flavor::DvdAudio);
  w.systemHeaderPack(header);
  w.audio(0xA1, Filler(4000, 5), {90000});
  padTo(w, 300000);
  options.details = false;
  options.extension = ".AOB";
  EXPECT_EQ(walk(w.bytes()), (Lines{"It contains [b]2[/b] audio streams.", "[b]MLP[/b] audio stream 1 found!"}));

  recorder.lines.clear();
  options.extension = ".EVO";
  EXPECT_EQ(walk(w.bytes()), (Lines{"[b]LPCM[/b] audio stream 1 found!"}));
}

TEST_F(WalkerTest, DurationsAddUpOverFilesButASplitVobCountsOnce) {
  auto file = [](uint16_t vob, uint32_t start, uint32_t end) {
    NavPackInfo nav;
    nav.vobNumber = vob;
    nav.vobStartPtm = start;
    nav.vobEndPtm = end;
    ProgramStreamWriter w;
    w.navPack(nav);
    return w.bytes();
  };
  walk(file(1, 90000, 90000 + 45000));
  walk(file(2, 90000, 90000 + 90000));
  EXPECT_DOUBLE_EQ(engine.run.totalSeconds, 1.5);
  EXPECT_EQ(engine.run.firstPtm, 90000u) << "only the first file's start counts";
  EXPECT_EQ(engine.run.titleDuration, 45000u + 90000u);

  walk(file(2, 90000, 90000 + 90000));  // the same VOB continued in the next file
  EXPECT_DOUBLE_EQ(engine.run.totalSeconds, 1.5);

  // An end PTM below the start wraps: 0x200 ticks.
  recorder.lines.clear();
  walk(file(3, 0xFFFFFF00u, 0x100));
  EXPECT_DOUBLE_EQ(engine.run.totalSeconds, 1.5 + 512 / 90000.0);
  EXPECT_EQ(recorder.lines.back(), "Duration = [b]0:00:00.006[/b]");
}

// ---- buffers, progress, fast check, Cancel ----

TEST_F(WalkerTest, PacketsStraddlingBufferEndsAreCountedAndWrittenWhole) {
  // A 5-byte shift makes packs cross the 256 KiB buffer ends.
  Bytes video = PictureStream(0x00, 6000, 97);
  Bytes audio = Filler(200000, 9);
  ProgramStreamWriter w;
  w.raw(Bytes(5, 0xFF));
  w.video(0xE0, video, {90000});
  w.audio(0x80, audio, {90000});
  options.details = false;
  walk(w.bytes());
  EXPECT_EQ(engine.streams.video(0).frameCount, 6000);

  OutputFile videoOut, audioOut;
  videoOut.create(dir.file("v.mpv"));
  audioOut.create(dir.file("a.mpa"));
  RawSink videoSink(videoOut), audioSink(audioOut);
  engine.streams.video(0).sink = &videoSink;
  engine.streams.audio(0).sink = &audioSink;
  options.ticked = {{Section::Video, 0}, {Section::Audio, 0}};
  std::string path = dir.file("T.EVO");
  engine.input.open(path);
  engine.streams.video(0).frameCount = 0;  // as the Demux job starts
  demux(engine, host, WalkMode::Demux);
  videoOut.close();
  audioOut.close();
  EXPECT_EQ(ReadAll(dir.file("v.mpv")), video);
  EXPECT_EQ(ReadAll(dir.file("a.mpa")), audio);
  EXPECT_EQ(engine.streams.video(0).frameCount, 6000);
  EXPECT_TRUE(engine.run.WriteJobRunning);
}

TEST_F(WalkerTest, SubpictureRecordsCarryRebasedTimes) {
  // Substream 20: PTS 90000 with 1500 bytes, 800 bytes without PTS, PTS
  // 180000 with 600 bytes; rebased on 45000.
  ProgramStreamWriter w;
  Bytes a = Filler(1500, 1), b = Filler(800, 2), c = Filler(600, 3);
  w.subpicture(0x20, a, {90000});
  w.subpicture(0x20, b);
  w.subpicture(0x20, c, {180000});
  OutputFile out;
  out.create(dir.file("s.sup"));
  std::string path = dir.file("T.EVO");
  writeFile(path, w.bytes());
  engine.run.minFirstPts = 45000;
  options.ticked = {{Section::Subpicture, 0}};
  engine.input.open(path);
  SupSink sink(out, engine.run.minFirstPts);
  engine.streams.subpicture(0).sink = &sink;
  demux(engine, host, WalkMode::Demux);
  out.close();
  Bytes expected = {'S', 'P', 0xC8, 0xAF, 0x00, 0x00, 0, 0, 0, 0};
  expected.insert(expected.end(), a.begin(), a.end());
  expected.insert(expected.end(), b.begin(), b.end());
  expected.insert(expected.end(), {'S', 'P', 0x58, 0x0F, 0x02, 0x00, 0, 0, 0, 0});
  expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(ReadAll(dir.file("s.sup")), expected);
  EXPECT_EQ(expected.size(), 2920u);
}

TEST_F(WalkerTest, FastCheckOfOneMebibyteReadsFiveBuffers) {
  ProgramStreamWriter w;
  padTo(w, 2 * 1048576);
  std::string path = dir.file("T.EVO");
  writeFile(path, w.bytes());
  options.fastCheck = true;
  options.fastMiB = 1;
  engine.input.open(path);
  demux(engine, host, WalkMode::Read);
  EXPECT_EQ(engine.input.position(), 1310720);
  EXPECT_TRUE(engine.run.fastCheckStop);

  options.fastCheck = false;
  engine.input.open(path);
  demux(engine, host, WalkMode::Read);
  EXPECT_EQ(engine.input.position(), 2 * 1048576);
  EXPECT_FALSE(engine.run.fastCheckStop);
}

TEST_F(WalkerTest, CancelStopsAtTheNextBufferAndClearsFrameCounts) {
  ProgramStreamWriter w;
  w.video(0xE0, PictureStream(0x00, 60000, 150), {90000});
  padTo(w, 12 * 1048576);
  std::string path = dir.file("T.EVO");
  writeFile(path, w.bytes());
  recorder.onProcessEvents = [this] { engine.run.StopRequested = true; };
  options.details = false;
  engine.input.open(path);
  demux(engine, host, WalkMode::Read);
  EXPECT_EQ(engine.input.position(), 4 * 1048576) << "stops after the buffer of the 4 MiB point";
  EXPECT_EQ(engine.streams.video(0).frameCount, 0);
  ASSERT_EQ(recorder.progress.size(), 1u);
  EXPECT_EQ(recorder.progress[0].rfind("4/12 Mbytes, Remaining time: 0:00:", 0), 0u) << recorder.progress[0];
}

TEST_F(WalkerTest, ProgressEveryFourMebibytesAndRepaintEverySixtyFour) {
  ProgramStreamWriter w;
  padTo(w, 65 * 1048576);
  walk(w.bytes());
  EXPECT_EQ(recorder.progress.size(), 16u);
  EXPECT_EQ(recorder.eventPumps, 16);
  EXPECT_EQ(host.repaints, 1);
  EXPECT_EQ(recorder.progress.back().rfind("64/65 Mbytes, Remaining time: ", 0), 0u);
}

TEST_F(WalkerTest, DamagedAndTruncatedInputNeverCrashes) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  PesHeaderOptions pstd;
  pstd.pstdBuffer = true;
  w.vc1(0x55, PictureStream(0x0D, 40), {90000, 87000}, pstd);
  w.audio(0xA0, Filler(3000, 1), {90000});
  w.audio(0xB0, Filler(3000, 2), {90000});
  w.subpicture(0x21, Filler(300, 3), {90000});
  const Bytes& whole = w.bytes();
  for (size_t cut = 0; cut < 6 * 2048; cut += 7) {
    recorder.lines.clear();
    walk(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min(cut, whole.size()))));
  }
  // Random damage: flipped bytes anywhere.
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    Bytes damaged = whole;
    for (int i = 0; i < 40; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    recorder.lines.clear();
    walk(damaged);
  }
  SUCCEED();
}

// The walker passes over pack headers and bytes outside packets without
// stepping each byte; what it finds must be exactly what the plain
// byte-by-byte scan finds, on clean and on damaged input.
class ScanEquivalenceTest : public WalkerTest {
 protected:
  struct Outcome {
    Lines lines;
    std::vector<int32_t> ids;
    int32_t frames0, frames1;
    uint32_t firstPtm;
    Bytes video, audio, sub;
  };

  Outcome walkBoth(const Bytes& bytes, bool everyByte) {
    options.scanEveryByte = everyByte;
    recorder.lines.clear();
    Outcome o;
    o.lines = walk(bytes);
    for (int i = 1; i <= StreamTable::kEntries; ++i) o.ids.push_back(engine.streams.entry(i).streamId);
    o.frames0 = engine.streams.video(0).frameCount;
    o.frames1 = engine.streams.video(1).frameCount;
    o.firstPtm = engine.run.firstPtm;
    OutputFile v, a, s;
    v.create(dir.file("v"));
    a.create(dir.file("a"));
    s.create(dir.file("s"));
    RawSink videoSink(v), audioSink(a);
    SupSink subSink(s, engine.run.minFirstPts);
    engine.streams.video(0).sink = &videoSink;
    engine.streams.audio(0).sink = &audioSink;
    engine.streams.subpicture(2).sink = &subSink;
    options.ticked = {{Section::Video, 0}, {Section::Audio, 0}, {Section::Subpicture, 2}};
    walkFile(dir.file("T.EVO"), WalkMode::Demux);
    v.close();
    a.close();
    s.close();
    o.video = ReadAll(dir.file("v"));
    o.audio = ReadAll(dir.file("a"));
    o.sub = ReadAll(dir.file("s"));
    options.ticked.clear();
    for (int i = 1; i <= StreamTable::kEntries; ++i) engine.streams.entry(i).sink = nullptr;
    engine.streams.video(0).frameCount = engine.streams.video(1).frameCount = 0;
    engine.run = RunState{};
    return o;
  }

  void expectSame(const Bytes& bytes, const std::string& what) {
    Outcome fast = walkBoth(bytes, false), plain = walkBoth(bytes, true);
    EXPECT_EQ(fast.lines, plain.lines) << what;
    EXPECT_EQ(fast.ids, plain.ids) << what;
    EXPECT_EQ(fast.frames0, plain.frames0) << what;
    EXPECT_EQ(fast.frames1, plain.frames1) << what;
    EXPECT_EQ(fast.firstPtm, plain.firstPtm) << what;
    EXPECT_TRUE(fast.video == plain.video && fast.audio == plain.audio && fast.sub == plain.sub) << what;
  }
};

TEST_F(ScanEquivalenceTest, PassingOverScannedBytesFindsWhatTheByteByteScanFinds) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  w.vc1(0x55, PictureStream(0x0D, 300, 90), {90000, 87000});
  w.video(0xE3, PictureStream(0x09, 200, 70), {90000, 87000});
  w.audio(0x80, Filler(20000, 1), {90000});
  w.audio(0xA2, Filler(9000, 2), {90000});
  w.audio(0xB1, Filler(9000, 3), {90000});
  w.subpicture(0x22, Filler(3000, 4), {90000});
  w.advPack(Filler(100, 5));
  w.raw(Bytes{0x00, 0x00, 0x01, 0xBA, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x01});  // a broken pack header
  w.vc1(0x55, PictureStream(0x0D, 100, 90), {190000});
  const Bytes& clean = w.bytes();

  expectSame(clean, "clean");
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    Bytes damaged = clean;
    for (int i = 0; i < 30; ++i) {
      size_t at = random() % damaged.size();
      switch (random() % 4) {
        case 0:
          damaged[at] = static_cast<uint8_t>(random());
          break;
        case 1:
          damaged[at] = 0x00;
          break;
        case 2:
          damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(at), {0x00, 0x00, 0x01});
          break;
        default:
          damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(at));
          break;
      }
    }
    expectSame(damaged, "damaged round " + std::to_string(round));
  }
}

// Bytes passed over up to the 256 KiB buffer's end: a start code whose 01,
// zeros or id byte lie on either side of it, behind bytes with no 01 (some
// zeros among them) or behind a pack header cut by the buffer's end.
TEST_F(ScanEquivalenceTest, PassingOverStopsRightAtTheBufferEnd) {
  // Each of the first bytes of the navigation pack (pack header, system
  // header, PCI packet), of its DSI packet and of the first VC-1 pack comes
  // to lie at the buffer's end in turn.
  std::vector<int> offsets;
  for (int at = 0; at < 48; ++at) offsets.push_back(at);
  for (int at = 0x507 - 2; at < 0x507 + 8; ++at) offsets.push_back(at);  // the DSI packet
  for (int at = 2048; at < 2048 + 40; ++at) offsets.push_back(at);
  for (int offset : offsets) {
    ProgramStreamWriter w;
    Bytes lead(static_cast<size_t>(262144 - offset));
    for (size_t i = 0; i < lead.size(); ++i) lead[i] = i % 5 == 0 ? 0x00 : 0xFF;
    w.raw(lead);
    w.navPack(TitleNav());
    w.vc1(0x55, PictureStream(0x0D, 40, 90), {90000, 87000});
    w.audio(0x80, Filler(3000, 1), {90000});
    expectSame(w.bytes(), "offset " + std::to_string(offset));
  }
}

}  // namespace
}  // namespace klarvex::testing
