#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/terminal_host.h"
#include "navigation/ifo_title.h"
#include "ps_writer.h"
#include "temp_dir.h"
#include "test_bytes.h"

namespace klarvex::testing {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs klarvex-cli with `args` (already quoted for the shell) in `locale`,
// with the variables of `env` ("PATH=... ").
CliRun RunCli(const TempDir& dir, const std::string& args, const std::string& locale = "C",
              const std::string& env = "") {
  std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
  // In the test's folder: a name without a folder is one there.
  std::string command = "cd '" + dir.path() + "' && " + env + "LC_ALL=" + locale + " '" KLARVEX_CLI "' " + args +
                        " >'" + out + "' 2>'" + err + "'";
  int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = Slurp(out);
  run.err = Slurp(err);
  return run;
}

std::string WriteTitle(const TempDir& dir, const std::string& name) {
  ProgramStreamWriter w;
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 90000 + 90000;
  nav.audioSync = {1};
  w.navPack(nav);
  Bytes video;
  for (int i = 0; i < 5; ++i) video.insert(video.end(), {0x00, 0x00, 0x01, 0x0D, 0x80, 0x81, 0x82});
  w.vc1(0x55, video, {108000, 104400});
  w.audio(0x80, Bytes(600, 0x33), {90000});
  std::string path = dir.file(name);
  w.writeTo(path);
  return path;
}

// --version: the version, then how it was built (the libdvdread it reads
// IFOs with, and what the window does).
TEST(CommandLine, VersionSaysHowItWasBuilt) {
  TempDir dir;
  CliRun run = RunCli(dir, "--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("klarvex-cli " KLARVEX_VERSION_TEXT "\nbuilt with libdvdread " + DvdReadVersion() + "; ", 0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("window"), std::string::npos) << run.out;
}

TEST(CommandLine, ReadPrintsTheLogWithoutTags) {
  TempDir dir;
  std::string path = WriteTitle(dir, "MOVIE.EVO");
  CliRun run = RunCli(dir, "read '" + path + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            ".\n"
            "Opening file MOVIE.EVO\n"
            "Reading...\n"
            "File size: 0 Mbytes.\n"
            "VOB number 1 contains 0 video and 1 audio stream.\n"
            "PTM of first video frame = 00015F90\n"
            "PTM of last video frame = 0002BF20\n"
            "Duration = 0:00:01.000\n"
            "VC-1 video stream 0 found!\n"
            "   First PTS = 0001A5E0  (+200ms)\n"
            "   Substream id = 55\n"
            "Dolby Digital audio stream 0 found!\n"
            "   First PTS = 00015F90\n"
            "   Substream id = 80\n"
            "Done.\n"
            "\n"
            "5 frames count in video stream 0.\n"
            "\n");
  EXPECT_EQ(run.err, "") << "no progress when standard error is not a terminal";
}

// The facts of a stream whose first packet told nothing: no sequence
// header, no sync word.
const std::string kNoFacts =
    ", \"width\": null, \"height\": null, \"frameRateExact\": null, \"aspectRatio\": null, \"interlaced\": null, "
    "\"bitRate\": null, \"channels\": null, \"sampleRate\": null, \"bitsPerSample\": null, \"rleBits\": null";

TEST(CommandLine, JsonListsTheStreams) {
  TempDir dir;
  std::string path = WriteTitle(dir, "MOVIE.EVO");
  CliRun run = RunCli(dir, "read --json --no-count '" + path + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "{\n  \"formatVersion\": 1,\n  \"source\": \"" + path +
          "\",\n  \"streams\": [\n"
          "    {\"kind\": \"video\", \"number\": 0, \"streamId\": \"55\", \"type\": \"VC-1.stream\", "
          "\"caption\": \"VC-1.stream.0\", \"firstPts\": 108000, \"delayMs\": 200, \"description\": [], \"frames\": 0, "
          "\"frameRate\": null, \"language\": null, \"name\": null, \"coding\": \"VC-1\"" +
          kNoFacts +
          "},\n"
          "    {\"kind\": \"audio\", \"number\": 0, \"streamId\": \"80\", \"type\": \"DD.stream\", "
          "\"caption\": \"DD.stream.00\", \"firstPts\": 90000, \"delayMs\": 0, \"description\": [], "
          "\"language\": null, \"name\": null, \"coding\": null" +
          kNoFacts +
          "}\n"
          "  ],\n  \"totalSeconds\": 1,\n  \"fastCheck\": false,\n  \"fastCheckMiB\": 300,\n  \"encrypted\": false,\n"
          "  \"files\": [\n    {\"path\": \"" +
          path + "\", \"size\": 6144, \"bytesRead\": 6144}\n  ]\n}\n");
}

// The JSON is valid UTF-8 whatever the name: bytes that are not UTF-8
// become U+FFFD, with the exact bytes in "sourceBytes" and "pathBytes";
// control bytes are JSON escapes.
TEST(CommandLine, JsonOfAnyFileNameIsValidUtf8) {
  const struct {
    std::string name, json, bytes;
  } cases[] = {
      {"FILM\xE9.EVO", "FILM\xEF\xBF\xBD.EVO", "FILM%E9.EVO"},
      {"BELL\x07\x1b[2J.EVO", "BELL\\u0007\\u001b[2J.EVO", ""},
      {"caf\xC3\xA9 100%.EVO", "caf\xC3\xA9 100%.EVO", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = WriteTitle(dir, c.name);
    CliRun run = RunCli(dir, "read --json --no-count '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string source = "\"" + dir.path() + "/" + c.json + "\"";
    std::string want = "\"source\": " + source;
    if (!c.bytes.empty()) want += ", \"sourceBytes\": \"" + dir.path() + "/" + c.bytes + "\"";
    EXPECT_NE(run.out.find(want + ",\n"), std::string::npos) << run.out;
    want = "{\"path\": " + source;
    if (!c.bytes.empty()) want += ", \"pathBytes\": \"" + dir.path() + "/" + c.bytes + "\"";
    EXPECT_NE(run.out.find(want + ", \"size\""), std::string::npos) << run.out;
  }
}

TEST(CommandLine, FailuresGoToStandardErrorWithAStatus) {
  TempDir dir;
  CliRun missing = RunCli(dir, "read '" + dir.file("NONE.EVO") + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "klarvex-cli: Cannot open file \"" + dir.file("NONE.EVO") + "\". No such file or directory\n");

  CliRun usage = RunCli(dir, "read --fast-size x y");
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err.rfind("klarvex-cli: --fast-size takes a whole number from 0 to 999\n", 0), 0u);
  EXPECT_EQ(RunCli(dir, "frobnicate").status, 2);
  EXPECT_EQ(RunCli(dir, "read").status, 2);
}

TEST(CommandLine, NoContinueReadsOnlyTheGivenFile) {
  TempDir dir;
  std::string first = WriteTitle(dir, "FEATURE_1.EVO");
  WriteTitle(dir, "FEATURE_2.EVO");
  CliRun both = RunCli(dir, "read --no-details '" + first + "'");
  EXPECT_NE(both.out.find("Opening file FEATURE_2.EVO"), std::string::npos);
  CliRun one = RunCli(dir, "read --no-details --no-continue '" + first + "'");
  EXPECT_EQ(one.out.find("Opening file FEATURE_2.EVO"), std::string::npos);
  EXPECT_EQ(one.out.find("\n.\n"), std::string::npos) << "no dot line without details";
}

TEST(CommandLine, DemuxWritesTheChosenStreams) {
  TempDir dir;
  std::string path = WriteTitle(dir, "MOVIE.EVO");
  std::string out = dir.file("out");
  std::filesystem::create_directory(out);
  CliRun all = RunCli(dir, "demux --no-details -o '" + out + "' --audio-ext ac3 '" + path + "'");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_NE(all.out.find("Creating " + out + "/MOVIE.VC-1.stream.0.mpv\nCreating " + out + "/MOVIE.DD.stream.00.ac3\n"),
            std::string::npos)
      << all.out;
  EXPECT_EQ(Slurp(out + "/MOVIE.DD.stream.00.ac3"), std::string(600, '\x33'));

  std::filesystem::remove_all(out);
  std::filesystem::create_directory(out);
  CliRun one = RunCli(dir, "demux --no-details -o '" + out + "' --streams a0 '" + path + "'");
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_FALSE(std::filesystem::exists(out + "/MOVIE.VC-1.stream.0.mpv"));
  EXPECT_TRUE(std::filesystem::exists(out + "/MOVIE.DD.stream.00.mpa"));
}

// demux --json: only the document on standard output; names by coding, and
// each file's delay against the title's first video PTS (audio 90000,
// video 108000: -200 ms).
TEST(CommandLine, DemuxJsonSaysWhatWasWrittenByCoding) {
  TempDir dir;
  std::string path = WriteTitle(dir, "MOVIE.EVO");
  std::string out = dir.file("out");
  std::filesystem::create_directory(out);
  CliRun run = RunCli(dir, "demux --json --codec-ext -o '" + out + "' '" + path + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.out.substr(0, 2), "{\n") << run.out;
  for (const std::string& expected :
       {std::string("\"title\": {\"startPtm\": 90000, \"durationSeconds\": 1, \"firstVideoPts\": 108000}"),
        "{\"path\": \"" + out + "/MOVIE.VC-1.stream.0.vc1\", \"form\": \"stream\", \"videoDelayMs\": 0, ",
        "{\"path\": \"" + out + "/MOVIE.DD.stream.00.ac3\", \"form\": \"stream\", \"videoDelayMs\": -200, ",
        std::string(
            "\"streamId\": \"80\", \"type\": \"DD.stream\", \"caption\": \"DD.stream.00\", "
            "\"firstPts\": 90000, \"delayMs\": 0, \"description\": [], \"language\": null, \"name\": null, \"coding\""),
        std::string("\n  \"chapters\": null\n}\n")})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
  EXPECT_EQ(Slurp(out + "/MOVIE.DD.stream.00.ac3"), std::string(600, '\x33'));
}

// -o makes its folder with its parents before the read; a folder that can't
// be made fails before anything is read.
TEST(CommandLine, OutputFolderIsMadeBeforeTheRead) {
  TempDir dir;
  const std::string path = WriteTitle(dir, "MOVIE.EVO");
  std::ofstream(dir.file("file")) << "x";
  const struct {
    std::string folder;
    int status;
    std::string err;
  } cases[] = {
      {dir.file("new/nested"), 0, ""},
      {dir.file("file/x"), 1, "klarvex-cli: Cannot create folder \"" + dir.file("file/x") + "\". Not a directory\n"},
  };
  for (const auto& c : cases) {
    CliRun run = RunCli(dir, "demux --no-details -o '" + c.folder + "' '" + path + "'");
    EXPECT_EQ(run.status, c.status) << c.folder;
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(std::filesystem::exists(c.folder + "/MOVIE.DD.stream.00.mpa"), c.status == 0);
    if (c.status) {
      EXPECT_EQ(run.out, "");
    }
  }
}

TEST(CommandLine, RebuildKeepsTheChosenStreamsRenumbered) {
  TempDir dir;
  std::string out = dir.file("out");
  std::filesystem::create_directory(out);
  std::string source = KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO";
  CliRun rebuild = RunCli(dir, "rebuild --no-details -o '" + out + "' --streams v1,a3 '" + source + "'");
  ASSERT_EQ(rebuild.status, 0) << rebuild.err;
  std::string rebuilt = out + "/FEATURE_1_MERGED.rebuilt.EVO";
  EXPECT_NE(rebuild.out.find("Creating " + rebuilt + "\n"), std::string::npos) << rebuild.out;

  CliRun back = RunCli(dir, "read --no-details --no-count '" + rebuilt + "'");
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_NE(back.out.find("VOB number 1 contains 1 video and 1 audio streams.\n"), std::string::npos) << back.out;
  EXPECT_NE(back.out.find("H.264 (AVC) video stream 0 found!\nDolby TrueHD audio stream 0 found!\nDone.\n"),
            std::string::npos)
      << back.out;

  EXPECT_EQ(RunCli(dir, "rebuild --json '" + source + "'").status, 2) << "--json belongs to read";
}

TEST(CommandLine, DemuxFailuresAreReportedWithAStatus) {
  TempDir dir;
  std::string path = WriteTitle(dir, "MOVIE.EVO");
  CliRun missingStream = RunCli(dir, "demux --streams a7 '" + path + "'");
  EXPECT_EQ(missingStream.status, 1);
  EXPECT_EQ(missingStream.err, "klarvex-cli: no stream a7 in " + path + "\n");

  // A folder where the output goes: the job's failure, logged and returned.
  std::string out = dir.file("out");
  std::filesystem::create_directories(out + "/MOVIE.DD.stream.00.mpa");
  CliRun blocked = RunCli(dir, "demux --streams a0 -o '" + out + "' '" + path + "'");
  EXPECT_EQ(blocked.status, 1);
  std::string message =
      "Cannot create file \"" + out + "/MOVIE.DD.stream.00.mpa\". It is a directory, not a regular file";
  EXPECT_NE(blocked.out.find(message + "\nDone.\n"), std::string::npos) << blocked.out;
  EXPECT_EQ(blocked.err, "klarvex-cli: " + message + "\n");

  EXPECT_EQ(RunCli(dir, "demux --streams x1 '" + path + "'").status, 2);
  EXPECT_EQ(RunCli(dir, "demux --streams a16 '" + path + "'").status, 2);
  EXPECT_EQ(RunCli(dir, "demux --video-ext toolong '" + path + "'").status, 2);
  EXPECT_EQ(RunCli(dir, "read -o x '" + path + "'").status, 2) << "-o belongs to demux";
}

// The bundled sample title: every stream is described, and the video
// streams carry the frame rate their analyser found.
// A title of two files, read with a fast check that ends inside the second
// one, beside a damaged title set information file.
TEST(CommandLine, TitleReadInPartSaysSoAndADamagedVtiStopsNothing) {
  TempDir dir;
  const std::string first = WriteTitle(dir, "FEATURE_1.EVO");
  ProgramStreamWriter w;
  NavPackInfo nav;
  nav.vobStartPtm = 180000;
  nav.vobEndPtm = 270000;
  w.navPack(nav);
  w.audio(0x80, Bytes(600000, 0x44), {180000});
  w.audio(0x81, Bytes(600, 0x55), {190000});  // beyond the fast check
  w.writeTo(dir.file("FEATURE_2.EVO"));
  std::ofstream(dir.file("HVA00001.VTI")) << "ADVANCED-VTS0123";
  const std::string notes =
      "klarvex-cli: warning: Stream read error (reading \"" + dir.file("HVA00001.VTI") +
      "\")\nklarvex-cli: fast check: only the first 0 MiB of each file were read; --full reads all\n";

  CliRun read = RunCli(dir, "read --json --fast-size 0 '" + first + "'");
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.err, notes);
  // Audio stream 0 is timed from the first file, where it starts.
  EXPECT_NE(read.out.find("\"caption\": \"DD.stream.00\", \"firstPts\": 90000, \"delayMs\": 0"), std::string::npos);
  EXPECT_NE(read.out.find("\"totalSeconds\": 2,\n  \"fastCheck\": true,\n  \"fastCheckMiB\": 0,"), std::string::npos);
  EXPECT_NE(read.out.find("\"size\": 612352, \"bytesRead\": 262144}"), std::string::npos) << read.out;

  CliRun demux = RunCli(dir, "demux --fast-size 0 -o '" + dir.path() + "' '" + first + "'");
  EXPECT_EQ(demux.status, 0);
  EXPECT_EQ(demux.err, notes +
                           "klarvex-cli: warning: Not written: DD.stream.01. Read EVO did not find this stream; "
                           "a read without the fast check finds it.\n");
  EXPECT_EQ(std::filesystem::file_size(dir.file("FEATURE_1_MERGED.DD.stream.00.mpa")), 600u + 600000u);
}

// Every failure reaches standard error, also one that standard output
// alone would have shown, or could not show.
TEST(CommandLine, FailuresThatStandardOutputCannotCarry) {
  TempDir dir;
  const std::string title = WriteTitle(dir, "MOVIE.EVO"), missing = dir.file("HVA00001.VTI");
  const struct {
    std::string args, stdoutTo, err;
  } cases[] = {
      {"vti '" + missing + "'", dir.file("out.txt"),
       "klarvex-cli: Cannot open file \"" + missing + "\". No such file or directory\n"},
      {"read '" + title + "'", "/dev/full", "klarvex-cli: cannot write to standard output: No space left on device\n"},
      {"vti '" + dir.path() + "'", "/dev/full",
       "klarvex-cli: Cannot open file \"" + dir.path() + "\". Is a directory\n"},
  };
  for (const auto& c : cases) {
    const std::string err = dir.file("err.txt");
    const int raw = std::system(("'" KLARVEX_CLI "' " + c.args + " >" + c.stdoutTo + " 2>'" + err + "'").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << c.args;
    EXPECT_EQ(Slurp(err), c.err) << c.args;
  }
}

TEST(CommandLine, JsonDescribesEveryStreamOfTheSampleTitle) {
  TempDir dir;
  CliRun run = RunCli(dir, "read --json --no-continue '" KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO'");
  ASSERT_EQ(run.status, 0) << run.err;
  size_t streams = 0;
  for (size_t at = run.out.find("{\"kind\""); at != std::string::npos; at = run.out.find("{\"kind\"", at + 1)) {
    ++streams;
    std::string entry = run.out.substr(at, run.out.find('}', at) - at);
    EXPECT_EQ(entry.find("\"description\": []"), std::string::npos) << entry;
  }
  EXPECT_EQ(streams, 9u);
  auto has = [&run](const std::string& text) { return run.out.find(text) != std::string::npos; };
  EXPECT_TRUE(has("\"   Frame Rate = 23.976 (24000/1001)\"], \"frames\": 96, \"frameRate\": 23.97602398, "));
  EXPECT_TRUE(has("\"   Size = 1920x1080\""));
  EXPECT_TRUE(has("\"   Profile = High\", \"   Level = 4.1\""));
  EXPECT_TRUE(has("\"   Sampling frequency = 48 kHz\""));
  EXPECT_TRUE(has("\"   TrueHD stream (up to 8 channels)\""));
  EXPECT_TRUE(has("\"   Format = 8bitRLE\"]"));
}

// Each stream's line from its "coding" field on, by caption.
std::map<std::string, std::string> FactsByCaption(const std::string& json) {
  std::map<std::string, std::string> facts;
  for (size_t at = json.find("\"caption\": \""); at != std::string::npos; at = json.find("\"caption\": \"", at + 1)) {
    const size_t name = at + 12;
    const size_t coding = json.find("\"coding\"", at);
    std::string line = json.substr(coding, json.find('\n', coding) - coding);
    if (line.ends_with(',')) line.pop_back();
    facts[json.substr(name, json.find('"', name) - name)] = line;
  }
  return facts;
}

std::string Facts(const std::string& coding, const std::string& video, const std::string& bitRate,
                  const std::string& audio, const std::string& rleBits) {
  return "\"coding\": \"" + coding + "\", " + video + ", \"bitRate\": " + bitRate + ", " + audio +
         ", \"rleBits\": " + rleBits + "}";
}

TEST(CommandLine, JsonGivesTheFactsOfEveryStreamWhateverTheLocale) {
  const std::string hd =
      "\"width\": 1920, \"height\": 1080, "
      "\"frameRateExact\": {\"numerator\": 24000, \"denominator\": 1001}, "
      "\"aspectRatio\": {\"numerator\": 16, \"denominator\": 9}, \"interlaced\": false";
  const std::string noVideo =
      "\"width\": null, \"height\": null, \"frameRateExact\": null, "
      "\"aspectRatio\": null, \"interlaced\": null";
  const std::string noAudio = "\"channels\": null, \"sampleRate\": null, \"bitsPerSample\": null";
  auto audio = [](int channels, const std::string& bits) {
    return "\"channels\": " + std::to_string(channels) + ", \"sampleRate\": 48000, \"bitsPerSample\": " + bits;
  };
  // As the fixtures the sample is made of are described in tests/data.
  const std::map<std::string, std::string> expected = {
      {"VC-1.stream.0", Facts("VC-1", hd, "null", noAudio, "null")},
      {"H.264.stream.1", Facts("H.264", hd, "null", noAudio, "null")},
      {"DD+.stream.00", Facts("E-AC-3", noVideo, "640000", audio(6, "null"), "null")},
      {"DD.stream.01", Facts("AC-3", noVideo, "448000", audio(6, "null"), "null")},
      {"DTSHD.stream.02", Facts("DTS", noVideo, "1536000", audio(6, "16"), "null")},
      {"MLP.stream.03", Facts("TrueHD", noVideo, "null", audio(6, "null"), "null")},
      {"LPCM.stream.04", Facts("LPCM", noVideo, "1536000", audio(2, "16"), "null")},
      {"Subpicture.00", Facts("Subpicture", noVideo, "null", noAudio, "2")},
      {"Ext.Subpicture.01", Facts("Subpicture", noVideo, "null", noAudio, "8")},
  };
  TempDir dir;
  const std::string args = "read --json --no-count --no-continue '" KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO'";
  CliRun run = RunCli(dir, args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FactsByCaption(run.out), expected);

  CliRun comma = RunCli(dir, args, "de_DE.UTF-8");
  ASSERT_EQ(comma.status, 0) << comma.err;
  if (comma.out.find("Frame Rate = 23,976") == std::string::npos)
    GTEST_SKIP() << "no de_DE.UTF-8 locale (Debian's locales package compiles one for the tests): "
                    "the JSON under a decimal comma was not checked";
  EXPECT_EQ(FactsByCaption(comma.out), expected);
  EXPECT_NE(comma.out.find("\"frameRate\": 23.97602398"), std::string::npos);
  EXPECT_NE(comma.out.find("\"totalSeconds\": 4.004"), std::string::npos);
}

TEST(CommandLine, PlaylistChaptersAndTitleSetOfTheSample) {
  TempDir dir;
  std::string source = KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO";
  std::string playlist = KLARVEX_SAMPLES "/ADV_OBJ/VPLST000.XPL";
  CliRun xpl = RunCli(dir, "xpl --source '" + source + "' '" + playlist + "'");
  ASSERT_EQ(xpl.status, 0) << xpl.err;
  EXPECT_NE(xpl.out.find("DD+.6ch.s00.English found!\n"), std::string::npos) << xpl.out;
  EXPECT_NE(xpl.out.find("\nInfo\n  Title: Klarvex Sample Disc\n"), std::string::npos) << xpl.out;

  CliRun chapters = RunCli(dir, "chapters --source '" + source + "' -o '" + dir.path() + "' '" + playlist + "'");
  ASSERT_EQ(chapters.status, 0) << chapters.err;
  EXPECT_EQ(
      Slurp(dir.file("FEATURE_1.chapters.txt")),
      "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Opening\r\nCHAPTER02=00:00:02.500\r\nCHAPTER02NAME=Harbour\r\n"
      "CHAPTER03=00:00:04.000\r\nCHAPTER03NAME=Second reel\r\nCHAPTER04=00:00:06.250\r\nCHAPTER04NAME=Closing\r\n");

  CliRun vti = RunCli(dir, "vti '" KLARVEX_SAMPLES "/HVDVD_TS/HVA00001.VTI'");
  ASSERT_EQ(vti.status, 0) << vti.err;
  EXPECT_NE(vti.out.find("2 VTS_EVOBIs found.\n"), std::string::npos) << vti.out;
  EXPECT_NE(vti.out.find("Main Video: VC-1, 1920x1080"), std::string::npos) << vti.out;
  EXPECT_EQ(RunCli(dir, "vti '" + dir.file("none.VTI") + "'").status, 1);
}

// A DVD-Video VOB of title set 1 with the audio and subpicture streams of
// the authored title set tests/data/dvd_ifo (0x80 en, 0xA1 de; 0x20 en,
// 0x21 de) and one (0xA2) its IFO doesn't describe.
std::string WriteDvdVob(const TempDir& dir, const std::string& name) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 180000;
  w.navPack(nav);
  for (uint8_t id : {0x80, 0xA1, 0xA2}) w.audio(id, Bytes(600, 0x33), {90000});
  for (uint8_t id : {0x20, 0x21}) w.subpicture(id, Bytes(40, 0x00), {90000});
  w.writeTo(dir.file(name));
  return dir.file(name);
}

void CopyDvdIfo(const std::string& to) {
  std::filesystem::copy_file(KLARVEX_TEST_DATA "/dvd_ifo/VTS_01_0.IFO", to,
                             std::filesystem::copy_options::overwrite_existing);
}

// The JSON line of the stream with this id.
std::string StreamLine(const std::string& json, const std::string& streamId) {
  const size_t at = json.find("\"streamId\": \"" + streamId + "\"");
  if (at == std::string::npos) return "";
  const size_t start = json.rfind('\n', at) + 1;
  return json.substr(start, json.find('\n', at) - start);
}

TEST(CommandLine, JsonOfADvdVobGivesTheLanguagesOfItsIfo) {
  const struct {
    const char* ifo;                     // what lies beside the VOB
    std::vector<std::string> languages;  // of 80, A1, A2, 20, 21
    bool warned;
  } cases[] = {
      {"the authored IFO", {"\"en\"", "\"de\"", "null", "\"en\"", "\"de\""}, false},
      {"none", {"null", "null", "null", "null", "null"}, false},
      {"a damaged IFO", {"null", "null", "null", "null", "null"}, true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string vob = WriteDvdVob(dir, "VTS_01_1.VOB");
    if (c.ifo == std::string("the authored IFO")) CopyDvdIfo(dir.file("VTS_01_0.IFO"));
    if (c.ifo == std::string("a damaged IFO")) std::ofstream(dir.file("VTS_01_0.IFO")) << "DVDVIDEO-VMG";
    CliRun run = RunCli(dir, "read --json --no-count --no-details '" + vob + "'");
    EXPECT_EQ(run.status, 0) << c.ifo;
    EXPECT_EQ(run.err, c.warned ? "klarvex-cli: warning: IFO not read, no stream languages: Cannot read file \"" +
                                      dir.file("VTS_01_0.IFO") +
                                      "\". It is no DVD-Video title set information: it does not begin with "
                                      "DVDVIDEO-VTS\n"
                                : "")
        << c.ifo;
    const char* ids[] = {"80", "A1", "A2", "20", "21"};
    for (size_t i = 0; i < 5; ++i) {
      const std::string line = StreamLine(run.out, ids[i]);
      EXPECT_NE(line.find("\"description\": [], \"language\": " + c.languages[i] + ", \"name\": null, \"coding\""),
                std::string::npos)
          << c.ifo << ": " << line;
    }
  }
  // The text listing is the same with or without the IFO.
  TempDir dir;
  const std::string vob = WriteDvdVob(dir, "VTS_01_1.VOB");
  const std::string without = RunCli(dir, "read '" + vob + "'").out;
  CopyDvdIfo(dir.file("VTS_01_0.IFO"));
  EXPECT_EQ(RunCli(dir, "read '" + vob + "'").out, without);
}

TEST(CommandLine, ChaptersOfADvdTitleFromItsIfo) {
  TempDir dir;
  const std::string ifo = dir.file("VTS_01_0.IFO");
  CopyDvdIfo(ifo);
  const std::string vob = WriteDvdVob(dir, "VTS_01_1.VOB");
  const std::string chapters =
      "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Chapter 01\r\nCHAPTER02=00:00:02.000\r\nCHAPTER02NAME=Chapter 02\r\n"
      "CHAPTER03=00:00:04.000\r\nCHAPTER03NAME=Chapter 03\r\n";
  std::filesystem::create_directory(dir.file("out"));
  for (const std::string source : {"VTS_01_0.IFO", "VTS_01_1.VOB"}) {
    const std::string base = source.substr(0, 8);
    CliRun run = RunCli(dir, "chapters -o '" + dir.file("out") + "' '" + dir.file(source) + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Reading VTS_01_0.IFO\n3 chapters in program chain 1 of title set 1\nChapters info writed to " +
                           dir.file("out/" + base + ".chapters.txt") + "\n");
    EXPECT_EQ(Slurp(dir.file("out/" + base + ".chapters.txt")), chapters);
  }

  // The IFO is one of the job's sources: an output that is it under another name is refused.
  std::filesystem::remove(dir.file("out/VTS_01_1.chapters.txt"));
  std::filesystem::create_hard_link(ifo, dir.file("out/VTS_01_1.chapters.txt"));
  CliRun linked = RunCli(dir, "chapters -o '" + dir.file("out") + "' '" + vob + "'");
  EXPECT_EQ(linked.status, 1);
  EXPECT_EQ(linked.err, "klarvex-cli: Cannot create file \"" + dir.file("out/VTS_01_1.chapters.txt") +
                            "\". It is one of the source files\n");
  EXPECT_EQ(std::filesystem::file_size(ifo), 12288u);

  CliRun missing = RunCli(dir, "chapters '" + dir.file("VTS_02_1.VOB") + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "klarvex-cli: Cannot open file \"" + dir.file("VTS_02_0.IFO") + "\". No such file or directory\n");
  EXPECT_EQ(RunCli(dir, "chapters --source x '" + vob + "'").status, 2) << "--source belongs to a playlist";
}

TEST(TerminalOutput, ColoursOnlyBoldBlueAndRed) {
  using cli::TerminalLine;
  EXPECT_EQ(TerminalLine("Frame rate = [bl]23.976[/bl] fps", true), "Frame rate = \x1b[34m23.976\x1b[0m fps");
  EXPECT_EQ(TerminalLine("Opening file [b]X[/b]", true), "Opening file \x1b[1mX\x1b[0m");
  EXPECT_EQ(TerminalLine("[re]bad[/re] and [i]it[/i]", true), "\x1b[31mbad\x1b[0m and it");
  EXPECT_EQ(TerminalLine("Frame rate = [bl]23.976[/bl] fps", false), "Frame rate = 23.976 fps");
}

// On a terminal, what a name or a playlist brings may not act on it.
TEST(TerminalOutput, ControlBytesAreShownEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"BELL\x07 and \x1b]0;title", "BELL\\x07 and \\x1B]0;title"},
      {"tab\tand\nline\r", "tab\tand\nline\\x0D"},
      {"DEL\x7F, C1 \xC2\x9B, Latin-1 \xE9", "DEL\\x7F, C1 \\xC2\\x9B, Latin-1 \\xE9"},
      {"caf\xC3\xA9 \xC2\xA0\xE2\x82\xAC", "caf\xC3\xA9 \xC2\xA0\xE2\x82\xAC"},
      {"cut \xE2\x82", "cut \\xE2\\x82"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(cli::EscapeControls(text), shown);
  EXPECT_EQ(cli::TerminalLine("Opening file [b]A\x07.EVO[/b]", true, true), "Opening file \x1b[1mA\\x07.EVO\x1b[0m");
  EXPECT_EQ(cli::TerminalLine("Opening file [b]A\x07.EVO[/b]", false, false), "Opening file A\x07.EVO");
}

}  // namespace
}  // namespace klarvex::testing

namespace klarvex::testing {
namespace {

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, got);
    pclose(pipe);
  }
  return out;
}

// One step to Matroska: the sample title's tracks with the playlist's
// languages, names, title and chapters; its subpictures beside the file;
// the job's folder gone. Without mkvmerge: a clear failure before any read.
TEST(CommandLine, MkvOfTheSampleTitle) {
  TempDir dir;
  const std::string out = dir.file("out");
  std::filesystem::create_directory(out);
  const std::string sample = KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO";
  const std::string noMkvmerge = "PATH=/nonexistent '" KLARVEX_CLI "' mkv -o '" + out + "' '" + sample + "' 2>&1";
  EXPECT_NE(CommandOutput(noMkvmerge).find("mkvmerge was not found on PATH: Make MKV needs MKVToolNix"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(out));
  // An mkvmerge that fails: its error is the job's, the streams stay in the
  // job's folder for the user, and no MKV is left.
  std::filesystem::create_directory(dir.file("bin"));
  std::ofstream(dir.file("bin/mkvmerge")) << "#!/bin/sh\necho '#GUI#progress 10%'\necho '#GUI#error boom'\nexit 2\n";
  std::filesystem::permissions(dir.file("bin/mkvmerge"), std::filesystem::perms::owner_all);
  const std::string failing = CommandOutput("PATH='" + dir.file("bin") + ":/usr/bin:/bin' '" KLARVEX_CLI "' mkv -o '" +
                                            out + "' '" + sample + "' 2>&1; echo status=$?");
  EXPECT_NE(failing.find("klarvex-cli: mkvmerge failed (boom)\nstatus=1"), std::string::npos) << failing;
  EXPECT_NE(failing.find("The demuxed streams are kept in " + out + "/.FEATURE_1.mkv-"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out + "/FEATURE_1.mkv"));
  std::filesystem::remove_all(out);
  std::filesystem::create_directory(out);

  if (CommandOutput("command -v mkvmerge").empty()) GTEST_SKIP() << "mkvmerge is not installed";

  CliRun run = RunCli(dir, "mkv -o '" + out + "' '" + sample + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(out)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FEATURE_1.mkv", "FEATURE_1_MERGED.Ext.Subpicture.01.sup",
                                             "FEATURE_1_MERGED.Subpicture.00.sup"}));
  const std::string json = CommandOutput("mkvmerge -J '" + out + "/FEATURE_1.mkv'");
  for (const char* expected : {"\"title\": \"Sample Feature\"", "\"num_entries\": 4", "\"codec\": \"VC-1\"",
                               "\"codec\": \"TrueHD\"", "\"track_name\": \"Commentary\"", "\"language\": \"fre\""})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
  size_t tracks = 0;
  for (size_t at = json.find("\"codec\":"); at != std::string::npos; at = json.find("\"codec\":", at + 1)) ++tracks;
  EXPECT_EQ(tracks, 7u);
}

// A DVD title to Matroska with the IFO's languages and chapters, each track
// where the disc plays it: AC-3 0.3 s after the video, the subtitle at 1 s.
TEST(CommandLine, MkvOfADvdTitleKeepsEachTrackInSync) {
  if (CommandOutput("command -v mkvmerge").empty() || CommandOutput("command -v ffprobe").empty())
    GTEST_SKIP() << "mkvmerge or ffprobe is not installed";
  TempDir dir;
  ProgramStreamWriter w(Flavor::DvdVideo);
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 90000 + 10 * 90000;
  w.navPack(nav);
  w.video(0xE0, ReadAll(KLARVEX_TEST_DATA "/mpeg2_480p.m2v"), {90000});
  w.audio(0x80, ReadAll(KLARVEX_TEST_DATA "/ac3_stereo.ac3"), {90000 + 27000});
  w.subpicture(0x21, ReadAll(KLARVEX_TEST_DATA "/spu_2bit_1.sup.raw"), {90000 + 90000});
  w.writeTo(dir.file("VTS_01_1.VOB"));
  CopyDvdIfo(dir.file("VTS_01_0.IFO"));
  const std::string out = dir.file("out");
  std::filesystem::create_directory(out);

  CliRun run = RunCli(dir, "mkv -o '" + out + "' '" + dir.file("VTS_01_1.VOB") + "'");
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const std::string mkv = out + "/VTS_01_1.mkv";
  auto probe = [&mkv](const std::string& what) {
    return CommandOutput("ffprobe -v error " + what + " -of csv=p=0 '" + mkv + "'");
  };
  EXPECT_EQ(probe("-show_entries stream=codec_name:stream_tags=language"), "mpeg2video,\nac3,eng\ndvd_subtitle,ger\n");
  EXPECT_EQ(probe("-select_streams V -show_entries packet=pts_time -read_intervals %+#1"), "0.000000\n");
  EXPECT_EQ(probe("-select_streams a -show_entries packet=pts_time -read_intervals %+#1"), "0.300000\n");
  EXPECT_EQ(probe("-select_streams s -show_entries packet=pts_time"), "1.000000\n");
  EXPECT_EQ(probe("-show_entries chapter=start_time"), "0.000000\n2.000000\n4.000000\n");
  EXPECT_NE(CommandOutput("mkvmerge -J '" + mkv + "'").find("\"codec\": \"VobSub\""), std::string::npos);
}

}  // namespace
}  // namespace klarvex::testing

namespace klarvex::testing {
namespace {

// --help wherever it is asked for, on standard output; a usage error is
// one line naming the problem and where the help is.
TEST(CommandLineConventions, HelpAndUsageErrors) {
  TempDir dir;
  const struct {
    std::string args;
    int status;
    std::string outStart, err;
  } cases[] = {
      {"--help", 0, "Usage: klarvex-cli COMMAND [OPTION]... FILE\n", ""},
      {"help", 0, "Usage: klarvex-cli COMMAND [OPTION]... FILE\n", ""},
      {"help demux", 0, "Usage: klarvex-cli demux [OPTION]... FILE\n", ""},
      {"rebuild --help --frob", 0, "Usage: klarvex-cli rebuild [OPTION]... FILE\n", ""},
      {"chapters -h", 0, "Usage: klarvex-cli chapters [--source FILE] [-o DIR] XPL\n", ""},
      {"", 2, "", "klarvex-cli: no command given\nTry 'klarvex-cli --help'.\n"},
      {"frob", 2, "", "klarvex-cli: unknown command frob\nTry 'klarvex-cli --help'.\n"},
      {"help frob", 2, "", "klarvex-cli: unknown command frob\nTry 'klarvex-cli help --help'.\n"},
      {"read --frob x", 2, "", "klarvex-cli: unknown option --frob\nTry 'klarvex-cli read --help'.\n"},
      {"read -o x y", 2, "", "klarvex-cli: read takes no option -o\nTry 'klarvex-cli read --help'.\n"},
      {"demux --wav=1 x", 2, "", "klarvex-cli: --wav takes no value\nTry 'klarvex-cli demux --help'.\n"},
      {"demux x --streams", 2, "", "klarvex-cli: --streams needs a value\nTry 'klarvex-cli demux --help'.\n"},
      {"vti a b", 2, "", "klarvex-cli: only one VTI may be given\nTry 'klarvex-cli vti --help'.\n"},
      {"xpl", 2, "", "klarvex-cli: no XPL given\nTry 'klarvex-cli xpl --help'.\n"},
  };
  for (const auto& c : cases) {
    CliRun run = RunCli(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << c.args << "\n" << run.out;
    EXPECT_EQ(run.err, c.err) << c.args;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << c.args << ": " << line;
  }
  for (const char* option : {"--overwrite", "--streams LIST", "-o, --output DIR", "--wav", "--no-continue"})
    EXPECT_NE(RunCli(dir, "demux --help").out.find(option), std::string::npos) << option;
}

// The forms of GNU tools: --opt=value, -oDIR, bundled flags, and -- before
// a file whose name begins with "-".
TEST(CommandLineConventions, OptionForms) {
  TempDir dir;
  WriteTitle(dir, "-x.EVO");
  const struct {
    std::string args, output;
  } cases[] = {
      {"demux --no-details --streams=a0 --output=one -- -x.EVO", "one/-x.DD.stream.00.mpa"},
      {"demux --no-details --streams a0 -otwo -- -x.EVO", "two/-x.DD.stream.00.mpa"},
      {"demux --no-details --streams a0 -yo three --audio-ext=ac3 -- -x.EVO", "three/-x.DD.stream.00.ac3"},
  };
  for (const auto& c : cases) {
    CliRun run = RunCli(dir, c.args);
    EXPECT_EQ(run.status, 0) << c.args << "\n" << run.err;
    EXPECT_EQ(Slurp(dir.file(c.output)), std::string(600, '\x33')) << c.args;
  }
  EXPECT_EQ(RunCli(dir, "demux -x.EVO").err, "klarvex-cli: unknown option -x\nTry 'klarvex-cli demux --help'.\n");
}

std::string FakeMkvmerge(const TempDir& dir) {
  std::filesystem::create_directories(dir.file("bin"));
  std::ofstream(dir.file("bin/mkvmerge")) << "#!/bin/sh\nwhile [ \"$1\" != --output ]; do shift; done\n"
                                             "echo made > \"$2\"\n";
  std::filesystem::permissions(dir.file("bin/mkvmerge"), std::filesystem::perms::owner_all);
  return "PATH='" + dir.file("bin") + ":/usr/bin:/bin' ";
}

// An output that exists stops the command before it writes anything, unless
// -y says to replace it.
TEST(CommandLineConventions, ExistingOutputsAreKeptUnlessOverwriteIsGiven) {
  TempDir dir;
  const std::string title = WriteTitle(dir, "MOVIE.EVO");
  const std::string sample = KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO";
  const std::string playlist = KLARVEX_SAMPLES "/ADV_OBJ/VPLST000.XPL";
  const std::string env = FakeMkvmerge(dir);
  const struct {
    std::string command, existing, untouched;
  } cases[] = {
      {"demux --no-details -o out '" + title + "'", "out/MOVIE.DD.stream.00.mpa", "out/MOVIE.VC-1.stream.0.mpv"},
      {"rebuild --no-details -o out '" + title + "'", "out/MOVIE.rebuilt.EVO", ""},
      {"chapters -o out --source '" + sample + "' '" + playlist + "'", "out/FEATURE_1.chapters.txt", ""},
      {"mkv --no-details -o out '" + title + "'", "out/MOVIE.mkv", ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir.file("out"));
    std::filesystem::create_directories(dir.file("out"));
    std::ofstream(dir.file(c.existing)) << "keep";
    CliRun kept = RunCli(dir, c.command, "C", env);
    EXPECT_EQ(kept.status, 1) << c.command;
    EXPECT_EQ(kept.err,
              "klarvex-cli: Cannot create file \"" + c.existing + "\". It exists (-y or --overwrite replaces it)\n")
        << c.command;
    EXPECT_EQ(Slurp(dir.file(c.existing)), "keep") << c.command;
    if (!c.untouched.empty()) {
      EXPECT_FALSE(std::filesystem::exists(dir.file(c.untouched))) << c.command;
    }
    CliRun replaced = RunCli(dir, "-y " + c.command, "C", env);
    EXPECT_EQ(replaced.status, 2) << "-y belongs after the command";
    replaced = RunCli(dir, c.command + " -y", "C", env);
    EXPECT_EQ(replaced.status, 0) << c.command << "\n" << replaced.err;
    EXPECT_NE(Slurp(dir.file(c.existing)), "keep") << c.command;
  }
}

// A title whose audio packet says its payload is scrambled (CSS).
std::string WriteScrambledTitle(const TempDir& dir, const std::string& name) {
  const std::string path = WriteTitle(dir, name);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t at = bytes.find(std::string("\x00\x00\x01\xBD", 4), 2048);
  file.seekp(static_cast<std::streamoff>(at + 6));
  file.put(static_cast<char>(bytes[at + 6] | 0x10));  // PES_scrambling_control '01'
  return path;
}

// The status says whether the job did what was asked: nothing written is a
// failure; an encrypted title or a DVD rebuild is said on standard error.
TEST(CommandLineConventions, ExitStatusSaysWhatWasDone) {
  TempDir dir;
  std::string noise(300 * 1024, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
  noise.replace(1000, 8, std::string("\x00\x00\x01\xE0\x00\x10\x81\x00", 8));  // a stray video start code
  std::ofstream(dir.file("NOISE.EVO")) << noise;
  ProgramStreamWriter navOnly;
  navOnly.navPack(NavPackInfo{});
  navOnly.writeTo(dir.file("EMPTY.EVO"));
  WriteScrambledTitle(dir, "CSS.EVO");
  ProgramStreamWriter dvd(Flavor::DvdVideo);
  dvd.navPack(NavPackInfo{});
  dvd.audio(0x80, Bytes(600, 0x33), {90000});
  dvd.writeTo(dir.file("VTS_01_1.VOB"));
  const std::string env = FakeMkvmerge(dir);
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"read NOISE.EVO", 1, "klarvex-cli: no MPEG program stream in NOISE.EVO\n"},
      {"demux -o out NOISE.EVO", 1, "klarvex-cli: no MPEG program stream in NOISE.EVO\n"},
      {"rebuild -o out NOISE.EVO", 1, "klarvex-cli: no MPEG program stream in NOISE.EVO\n"},
      {"mkv -o out NOISE.EVO", 1, "klarvex-cli: no MPEG program stream in NOISE.EVO\n"},
      {"demux -o out EMPTY.EVO", 1, "klarvex-cli: no stream found in EMPTY.EVO; nothing was written\n"},
      {"read EMPTY.EVO", 0, ""},
      {"demux -o out CSS.EVO", 0,
       "klarvex-cli: warning: CSS.EVO is encrypted: what is written from it stays scrambled; decrypt the title "
       "first\n"},
      {"rebuild -o out VTS_01_1.VOB", 0,
       "klarvex-cli: warning: VTS_01_1.VOB is a DVD file: its packs pass unchanged (only HD DVD packs are left out, "
       "renumbered and patched)\n"},
  };
  for (const auto& c : cases) {
    CliRun run = RunCli(dir, c.args, "C", env);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.err, c.err) << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("out/NOISE.rebuilt.EVO")));
  EXPECT_NE(RunCli(dir, "read --json CSS.EVO").out.find("\n  \"encrypted\": true,\n"), std::string::npos);
  EXPECT_NE(RunCli(dir, "read --json EMPTY.EVO").out.find("\n  \"encrypted\": false,\n"), std::string::npos);
}

}  // namespace
}  // namespace klarvex::testing
