// Fault injection for the Read EVO, Demux and Rebuild jobs: outputs that
// refuse writes or fill up, output folders that are missing or read-only,
// sources the user may not read, sources cut at every pack boundary and
// inside every header, and Cancel at several progress points. Each case
// checks the job's last lines, that every file it opened is closed again,
// that what was written is kept (and is what an uninterrupted job writes,
// up to where it stopped), that the program state is as after a normal job,
// and that the next job on a good output folder writes the reference bytes.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "full_disk.h"
#include "jobs/jobs.h"
#include "ps_writer.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, Bytes>;  // file name in a folder -> its bytes

constexpr size_t kMiB = 1048576;
constexpr uint32_t kNobody = 65534;
const std::string kQuestion = "Are you sure to stop demuxing?";
// The program state after a Demux or Rebuild job, failed, cancelled or not.
const std::string kIdleAfterWriteJob =
    "bReadEVO=1 bDemux=1 bRebuild=1 bCancel=0 jobRunning=0 WriteJobRunning=0 input=closed";

// ---------------------------------------------------------------------------
// Helpers

int OpenFdCount() {
  int n = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++n;
  }
  return n;
}

std::string Flag(bool b) { return b ? "1" : "0"; }

std::string StateText(const AppState& s) {
  const Buttons& b = s.buttons;
  return "bReadEVO=" + Flag(b.bReadEVO) + " bDemux=" + Flag(b.bDemux) + " bRebuild=" + Flag(b.bRebuild) +
         " bCancel=" + Flag(b.bCancel) + " jobRunning=" + Flag(s.jobRunning) +
         " WriteJobRunning=" + Flag(s.engine.run.WriteJobRunning) +
         " input=" + (s.engine.input.isOpen() ? "open" : "closed");
}

// Regular files only: a symbolic link to a device is not read.
Files FolderFiles(const std::string& folder) {
  Files files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (!entry.is_symlink() && entry.is_regular_file())
      files[entry.path().filename().string()] = ReadAll(entry.path().string());
  return files;
}

void EmptyFolder(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
}

Bytes Slice(const Bytes& b, size_t from, size_t to) {
  to = std::min(to, b.size());
  from = std::min(from, to);
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

bool IsPrefix(const Bytes& part, const Bytes& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

// Where two byte strings part, for failure messages.
std::string Difference(const Bytes& got, const Bytes& want) {
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  std::ostringstream s;
  s << "got " << got.size() << " bytes, want " << want.size() << ", first difference at " << i;
  return s.str();
}

::testing::AssertionResult SameBytes(const Bytes& got, const Bytes& want) {
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Difference(got, want);
}

::testing::AssertionResult SameFiles(const Files& got, const Files& want) {
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  auto fail = [&](const std::string& text) {
    if (result) result = ::testing::AssertionFailure();
    result << text << "\n";
  };
  for (const auto& [name, bytes] : want) {
    if (!got.count(name))
      fail(name + ": missing");
    else if (got.at(name) != bytes)
      fail(name + ": " + Difference(got.at(name), bytes));
  }
  for (const auto& [name, bytes] : got)
    if (!want.count(name)) fail(name + ": not expected");
  return result;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  fs::remove(path);  // a new file: no flush on close of a file emptied and rewritten
  ProgramStreamWriter w;
  w.raw(bytes);
  w.writeTo(path);
}

std::string Join(const Lines& lines) {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

Bytes TestData(const std::string& name) { return ReadAll(std::string(KLARVEX_SAMPLES) + "/../tests/data/" + name); }

// A small tmpfs mounted for one test, unmounted at its end.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& path, unsigned long flags, const char* options) : path_(path) {
    fs::create_directories(path);
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", flags, options) == 0;
  }
  ~TmpfsMount() {
    if (mounted_) ::umount(path_.c_str());
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

// ---------------------------------------------------------------------------
// What the demux and the rebuild make of each pack of a file the
// ProgramStreamWriter made: read from the pack's bytes, independently of
// the walker.

struct PackFacts {
  uint8_t streamId = 0;                     // of the pack's first packet (0xBB: a navigation pack)
  uint8_t key = 0;                          // the stream: substream id, VC-1 extension or video stream id; 0: none
  size_t idAt = 0;                          // the byte that tells which stream the pack belongs to
  size_t knownAt = 0;                       // bytes of the pack a read needs before it knows the stream
  size_t payloadStart = 0, payloadEnd = 0;  // what the demux writes, as pack offsets
  bool pts = false;
};

bool IsSubpicture(uint8_t id) { return (id >= 0x20 && id <= 0x3F) || (id >= 0x60 && id <= 0x7F); }
bool IsLpcm(uint8_t id) { return id >= 0xA0 && id <= 0xA7; }

PackFacts FactsOf(const uint8_t* p) {
  PackFacts f;
  f.streamId = p[17];
  f.payloadEnd = 20 + (size_t{p[18]} << 8 | p[19]);
  if (f.streamId == 0xBF) {  // private stream 2: an ADV_PCK in these titles
    f.idAt = 20;
    return f;
  }
  const bool video = (f.streamId & 0xF0) == 0xE0;
  if (f.streamId != 0xBD && f.streamId != 0xFD && !video) return f;  // navigation, padding
  const uint8_t flags = p[21];
  f.pts = flags & 0x80;
  const size_t start = 23 + size_t{p[22]};
  if (f.streamId == 0xFD) {
    size_t at = 23 + ((flags & 0x80) ? 5 : 0) + ((flags & 0x40) ? 5 : 0);
    at += (p[at] & 0x10) ? 4 : 2;  // P-STD buffer field, extension field length
    f.key = p[at];
    f.idAt = at;
    f.knownAt = at + 1;
    f.payloadStart = start;
  } else if (f.streamId == 0xBD) {
    f.key = p[start];
    f.idAt = start;
    if (IsSubpicture(f.key)) {
      f.knownAt = f.payloadStart = start + 1;
    } else {
      f.knownAt = start + 4;  // id, frame count, first access unit
      f.payloadStart = start + (IsLpcm(f.key) ? 7 : 4);
    }
  } else {
    f.key = f.streamId;
    f.idAt = 17;
    f.knownAt = 18;
    f.payloadStart = start;
  }
  return f;
}

struct FileModel {
  Bytes bytes;
  std::vector<PackFacts> packs;

  explicit FileModel(Bytes b) : bytes(std::move(b)) {
    for (size_t at = 0; at + kPackSize <= bytes.size(); at += kPackSize) packs.push_back(FactsOf(bytes.data() + at));
  }

  // What the demux writes of stream `key` from the first `cut` bytes: the
  // payload bytes before the cut, with a 10-byte record header in front of
  // each subpicture packet that carries a PTS.
  size_t demuxed(uint8_t key, size_t cut) const {
    size_t n = 0;
    for (size_t i = 0; i < packs.size(); ++i) {
      const PackFacts& f = packs[i];
      size_t start = i * kPackSize + f.payloadStart, end = std::min(i * kPackSize + f.payloadEnd, cut);
      if (f.key != key || start >= end) continue;
      n += end - start + (IsSubpicture(key) && f.pts ? 10 : 0);
    }
    return n;
  }

  // The first `cut` bytes hold enough of the stream for a read to list it.
  bool listed(uint8_t key, size_t cut) const {
    for (size_t i = 0; i < packs.size(); ++i)
      if (packs[i].key == key) return cut >= i * kPackSize + packs[i].knownAt;
    return false;
  }

  size_t keptBefore(size_t pack, const std::function<bool(const PackFacts&)>& dropped) const {
    size_t n = 0;
    for (size_t i = 0; i < pack && i < packs.size(); ++i) n += !dropped(packs[i]);
    return n;
  }
};

// ---------------------------------------------------------------------------
// The titles

// Stream keys and output file names (after the source base) of the titles below.
struct StreamFile {
  uint8_t key;
  std::string suffix;
};
const std::vector<StreamFile> kStreams = {{0x55, ".VC-1.stream.0.mpv"},
                                          {0xA0, ".LPCM.stream.00.mpa"},
                                          {0x81, ".DD.stream.01.mpa"},
                                          {0x21, ".Subpicture.01.sup"}};

NavPackInfo TitleNav() {
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 90000 + 180180;
  nav.audioBound = 2;
  nav.audioSync = {1, 1};
  nav.subSync = {1};
  return nav;
}

// The title of the write failure cases: VC-1 video, LPCM audio 0, AC-3
// audio 1 of `ac3Bytes`, subpicture 1, more video after a second
// navigation pack. Pattern data: no frame is counted, no rate is known, so
// no frame report follows "Done.".
Bytes FailureTitle(size_t videoBytes, size_t ac3Bytes) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  w.vc1(0x55, Data(videoBytes, 1), {93003, 90000});
  w.audio(0xA0, Data(20000, 2), {90000});
  w.audio(0x81, Data(ac3Bytes, 3), {90000});
  w.subpicture(0x21, Data(3000, 4), {90000});
  w.navPack(TitleNav());
  w.vc1(0x55, Data(videoBytes / 3, 5));
  return w.bytes();
}

// ---------------------------------------------------------------------------
// The fixture: WriteJobTest with references and checks for every group.

class FaultInjectionTest : public WriteJobTest {
 protected:
  void SetUp() override {
    WriteJobTest::SetUp();
    state.options.cbContinue = false;
  }

  std::string writeSource(const std::string& name, const Bytes& bytes) {
    std::string path = dir.file(name);
    WriteFile(path, bytes);
    return path;
  }

  // Runs a job with the output folder `folder`; the files it holds after.
  Files runInto(const std::string& folder, void (Jobs::*job)()) {
    fs::create_directories(folder);
    const std::string saved = state.options.eWorkdir;
    state.options.eWorkdir = folder;
    (jobs.*job)();
    state.options.eWorkdir = saved;
    return FolderFiles(folder);
  }

  // A job that must end as a normal job does, with every file closed.
  void runClean(void (Jobs::*job)(), const std::string& folder) {
    const int fds = OpenFdCount();
    host.lines.clear();
    runInto(folder, job);
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_FALSE(jobs.lastFailure()) << jobs.lastFailure()->what();
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
  }

  // The "Creating" lines of a demux of every stream.
  static std::string creating(const std::string& folder, const std::string& base) {
    std::string all;
    for (const StreamFile& s : kStreams) all += "Creating " + folder + "/" + base + s.suffix + "\n";
    return all;
  }
};

// ===========================================================================
// 1. Outputs that refuse writes: a full disk and a tmpfs that fills up

class FaultInjectionWriteTest : public FaultInjectionTest {
 protected:
  // Demuxes M.EVO with `full` refusing every write: one red line, the file
  // named, every file closed, the program idle again.
  void demuxIntoFullDisk(const std::string& full, int sizeMiB) {
    testing::FullDisk disk(full);
    const int fds = OpenFdCount();
    host.lines.clear();
    jobs.bDemuxClick();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(Join(host.lines), creating(out, "M") +
                                    "Opening file [b]M.EVO[/b]\nFile size: " + std::to_string(sizeMiB) +
                                    " Mbytes.\nDemuxing M.EVO\n"
                                    "[re]Stream write error[/re]\nDone.\n\n");
    ASSERT_TRUE(jobs.lastFailure());
    EXPECT_EQ(jobs.lastFailure()->detail(), "writing \"" + full + "\": No space left on device");
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
    EXPECT_EQ(fs::file_size(full), 0u);
    fs::remove(full);
  }
};

// The AC-3 file refuses writes; its stream outgrows its 1 MiB buffer, so the
// failure comes in mid-walk. The files of the other streams keep what the
// walk gave them up to there.
TEST_F(FaultInjectionWriteTest, DemuxIntoFileThatRefusesWritesInMidWalk) {
  const Bytes title = FailureTitle(300000, 3 * kMiB / 2);
  const FileModel model(title);
  readTitle(writeSource("M.EVO", title));
  const Files reference = runInto(dir.file("ref"), &Jobs::bDemuxClick);
  ASSERT_EQ(reference.size(), 4u);

  const std::string full = out + "/M.DD.stream.01.mpa";
  demuxIntoFullDisk(full, 1);

  // Everything before the AC-3 stream was walked and is kept whole; the
  // subpicture behind it was never reached.
  size_t ac3Start = 0;
  while (model.packs[ac3Start].key != 0x81) ++ac3Start;
  const Files kept = FolderFiles(out);
  ASSERT_EQ(kept.size(), 3u);
  for (size_t i : {0, 1, 3}) {
    const std::string name = "M" + kStreams[i].suffix;
    ASSERT_TRUE(kept.count(name)) << name;
    EXPECT_TRUE(
        SameBytes(kept.at(name), Slice(reference.at(name), 0, model.demuxed(kStreams[i].key, ac3Start * kPackSize))))
        << name;
  }

  // The next job on a good folder writes the reference.
  runClean(&Jobs::bDemuxClick, dir.file("again"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), reference));
}

// The video file refuses writes but every stream fits its buffer: the walk
// ends normally, the failure comes when the files are closed, and the
// other files are written whole.
TEST_F(FaultInjectionWriteTest, DemuxIntoFileThatRefusesWritesAtTheEnd) {
  readTitle(writeSource("M.EVO", FailureTitle(30000, 9000)));
  const Files reference = runInto(dir.file("ref"), &Jobs::bDemuxClick);
  ASSERT_EQ(reference.size(), 4u);

  const std::string full = out + "/M.VC-1.stream.0.mpv";
  demuxIntoFullDisk(full, 0);
  Files expected = reference;
  expected.erase("M.VC-1.stream.0.mpv");
  EXPECT_TRUE(SameFiles(FolderFiles(out), expected));

  runClean(&Jobs::bDemuxClick, dir.file("again"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), reference));
}

// The rebuilt file refuses writes: a title under the 1 MiB output buffer
// fails when the file is closed, a bigger one in mid-pass.
TEST_F(FaultInjectionWriteTest, RebuildIntoFileThatRefusesWrites) {
  for (size_t ac3 : {size_t{9000}, 3 * kMiB / 2}) {
    SCOPED_TRACE(ac3);
    const Bytes title = FailureTitle(30000, ac3);
    readTitle(writeSource("M.EVO", title));
    state.audioBoxes[0].ticked = false;  // LPCM left out, AC-3 renumbered
    EmptyFolder(out);
    const Files reference = runInto(dir.file("ref"), &Jobs::bRebuildClick);
    ASSERT_EQ(reference.size(), 1u);

    const std::string full = out + "/M.rebuilt.EVO";
    testing::FullDisk disk(full);
    const int fds = OpenFdCount();
    host.lines.clear();
    jobs.bRebuildClick();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(host.lines, (Lines{"Creating " + full, "Opening file [b]M.EVO[/b]",
                                 "File size: " + std::to_string(title.size() / kMiB) + " Mbytes.", "Rebuilding...",
                                 "[re]Stream write error[/re]", "Done.", ""}));
    ASSERT_TRUE(jobs.lastFailure());
    EXPECT_EQ(jobs.lastFailure()->detail(), "writing \"" + full + "\": No space left on device");
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);

    runClean(&Jobs::bRebuildClick, dir.file("again"));
    EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), reference));
    fs::remove(full);
  }
}

// A 64 KiB file system and streams that each fit their buffer: the walk
// ends, and the first file closed (the video's) fills the file system.
TEST_F(FaultInjectionWriteTest, DemuxFillsATinyFileSystemWhenItClosesItsFiles) {
  const std::string small = dir.file("small");
  TmpfsMount mount(small, 0, "size=64k");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  readTitle(writeSource("M.EVO", FailureTitle(200000, 9000)));
  const Files reference = runInto(dir.file("ref"), &Jobs::bDemuxClick);

  const int fds = OpenFdCount();
  host.lines.clear();
  state.options.eWorkdir = small;
  jobs.bDemuxClick();
  EXPECT_EQ(OpenFdCount(), fds);
  EXPECT_EQ(Join(host.lines), creating(small, "M") +
                                  "Opening file [b]M.EVO[/b]\nFile size: 0 Mbytes.\nDemuxing M.EVO\n"
                                  "[re]Stream write error[/re]\nDone.\n\n");
  ASSERT_TRUE(jobs.lastFailure());
  EXPECT_EQ(jobs.lastFailure()->detail(), "writing \"" + small + "/M.VC-1.stream.0.mpv\": No space left on device");
  EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
  const Files kept = FolderFiles(small);
  ASSERT_EQ(kept.size(), 4u) << "every file is kept";
  for (const auto& [name, bytes] : kept)
    EXPECT_TRUE(IsPrefix(bytes, reference.at(name))) << name << ": " << Difference(bytes, reference.at(name));
  EXPECT_GT(kept.at("M.VC-1.stream.0.mpv").size(), 0u);

  runClean(&Jobs::bDemuxClick, dir.file("again"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), reference));
}

// A 64 KiB file system fills in mid-pass: the rebuilt file holds the start
// of the reference rebuild, and the failure names it.
TEST_F(FaultInjectionWriteTest, RebuildFillsATinyFileSystemInMidPass) {
  const std::string small = dir.file("small");
  TmpfsMount mount(small, 0, "size=64k");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  const Bytes title = FailureTitle(300000, 3 * kMiB / 2);
  readTitle(writeSource("M.EVO", title));
  state.audioBoxes[0].ticked = false;
  const Files reference = runInto(dir.file("ref"), &Jobs::bRebuildClick);

  const int fds = OpenFdCount();
  host.lines.clear();
  state.options.eWorkdir = small;
  jobs.bRebuildClick();
  EXPECT_EQ(OpenFdCount(), fds);
  const std::string path = small + "/M.rebuilt.EVO";
  EXPECT_EQ(host.lines, (Lines{"Creating " + path, "Opening file [b]M.EVO[/b]", "File size: 1 Mbytes.", "Rebuilding...",
                               "[re]Stream write error[/re]", "Done.", ""}));
  ASSERT_TRUE(jobs.lastFailure());
  EXPECT_EQ(jobs.lastFailure()->detail(), "writing \"" + path + "\": No space left on device");
  EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
  const Bytes kept = ReadAll(path);
  EXPECT_GT(kept.size(), 0u);
  EXPECT_TRUE(IsPrefix(kept, reference.at("M.rebuilt.EVO"))) << Difference(kept, reference.at("M.rebuilt.EVO"));

  runClean(&Jobs::bRebuildClick, dir.file("again"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), reference));
}

// ===========================================================================
// 2. Output folders that don't exist or can't be written

using FaultInjectionFolderTest = FaultInjectionTest;

// Demux and Rebuild into a missing folder and into a read-only one: the
// first creation fails, nothing is read or written, and the next job works.
TEST_F(FaultInjectionFolderTest, MissingAndReadOnlyFoldersFailTheFirstCreation) {
  readTitle(writeSource("M.EVO", FailureTitle(30000, 9000)));
  state.audioBoxes[0].ticked = false;
  const Files demuxed = runInto(dir.file("ref"), &Jobs::bDemuxClick);
  const Files rebuilt = runInto(dir.file("ref-rebuild"), &Jobs::bRebuildClick);
  ASSERT_EQ(demuxed.size(), 3u);

  // Read-only: a read-only tmpfs as root (permissions don't stop root), a
  // folder without write permission otherwise.
  const std::string readOnly = dir.file("ro");
  const bool root = ::geteuid() == 0;
  TmpfsMount mount(readOnly, MS_RDONLY, "size=64k");
  if (root && !mount.mounted()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  if (!root) {
    fs::create_directory(readOnly);
    fs::permissions(readOnly, fs::perms(0555));
  }
  const std::string reason = root ? "Read-only file system" : "Permission denied";
  const std::pair<std::string, std::string> folders[] = {{dir.file("nowhere"), "No such file or directory"},
                                                         {readOnly, reason}};
  for (const auto& [folder, why] : folders) {
    SCOPED_TRACE(folder);
    int fds = OpenFdCount();
    host.lines.clear();
    state.options.eWorkdir = folder;
    jobs.bDemuxClick();
    EXPECT_EQ(OpenFdCount(), fds);
    const std::string first = folder + "/M.VC-1.stream.0.mpv";
    EXPECT_EQ(host.lines, (Lines{"[re]Cannot create file \"" + first + "\". " + why + "[/re]", "Done.", ""}));
    ASSERT_TRUE(jobs.lastFailure());
    EXPECT_EQ(jobs.lastFailure()->what(), "Cannot create file \"" + first + "\". " + why);
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);

    fds = OpenFdCount();
    host.lines.clear();
    jobs.bRebuildClick();
    EXPECT_EQ(OpenFdCount(), fds);
    const std::string path = folder + "/M.rebuilt.EVO";
    EXPECT_EQ(host.lines, (Lines{"[re]Cannot create file \"" + path + "\". " + why + "[/re]", "Done.", ""}));
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
    EXPECT_FALSE(fs::exists(path));
    if (fs::exists(folder)) {
      EXPECT_TRUE(FolderFiles(folder).empty());
    }
  }

  runClean(&Jobs::bDemuxClick, dir.file("again"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again")), demuxed));
  runClean(&Jobs::bRebuildClick, dir.file("again-rebuild"));
  EXPECT_TRUE(SameFiles(FolderFiles(dir.file("again-rebuild")), rebuilt));
}

// ===========================================================================
// 3. A source the user may not read

// What a job run as another user reports: name -> text.
using Report = std::map<std::string, std::string>;

std::string Serialize(const Report& report) {
  std::string s;
  for (const auto& [key, value] : report) s += key + '\0' + value + '\0';
  return s;
}

Report Deserialize(const std::string& s) {
  Report report;
  size_t at = 0;
  while (at < s.size()) {
    size_t keyEnd = s.find('\0', at);
    size_t valueEnd = s.find('\0', keyEnd + 1);
    if (keyEnd == std::string::npos || valueEnd == std::string::npos) break;
    report[s.substr(at, keyEnd - at)] = s.substr(keyEnd + 1, valueEnd - keyEnd - 1);
    at = valueEnd + 1;
  }
  return report;
}

// Runs `body` as the unprivileged user 65534: as root in a child process
// that drops to that user and sends its report back through a pipe;
// otherwise here, as the user the tests run as.
Report AsUnprivilegedUser(const std::function<Report()>& body) {
  if (::geteuid() != 0) return body();
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {{"setup", "no pipe"}};
  const pid_t pid = ::fork();
  if (pid < 0) return {{"setup", "no fork"}};
  if (pid == 0) {
    ::close(pipeFds[0]);
    Report report;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::geteuid() != kNobody) {
      report["setup"] = "cannot become user 65534";
    } else {
      try {
        report = body();
      } catch (const std::exception& e) {
        report["setup"] = std::string("escaped: ") + e.what();
      }
    }
    const std::string bytes = Serialize(report);
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::write(pipeFds[1], bytes.data() + done, bytes.size() - done);
      if (put <= 0) break;
      done += static_cast<size_t>(put);
    }
    ::_exit(0);  // no test framework, no destructors of the parent's objects
  }
  ::close(pipeFds[1]);
  std::string bytes;
  char chunk[4096];
  for (ssize_t got; (got = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(got));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  Report report = Deserialize(bytes);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) report["setup"] = "child ended abnormally";
  return report;
}

// The path given to the unprivileged user; as root the file or folder is
// handed over to it (the temporary folder made traversable).
void HandOver(const std::string& path, mode_t mode) {
  if (::geteuid() == 0) {
    EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
  }
  EXPECT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

using FaultInjectionSourceTest = FaultInjectionTest;

// Read EVO of a file only its owner may read: bReadEVOClick throws the open
// failure after making the buttons usable again; the next read works.
TEST_F(FaultInjectionSourceTest, ReadEvoOfAnUnreadableSourceThrowsTheOpenFailure) {
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const Bytes title = FailureTitle(30000, 9000);
  const std::string good = writeSource("GOOD.EVO", title);
  const std::string secret = writeSource("SECRET.EVO", title);
  // Root keeps the file, user 65534 may not read it; without root, nobody may.
  ASSERT_EQ(::chmod(secret.c_str(), ::geteuid() == 0 ? 0600 : 0000), 0);

  // The reference: a read of the good file, which also leaves boxes ticked.
  state.eEVOfile = good;
  jobs.EVOadj();
  jobs.bReadEVOClick();
  const Lines referenceLines = host.lines;
  const std::string referenceState = StateText(state);
  ASSERT_EQ(referenceState, "bReadEVO=1 bDemux=1 bRebuild=1 bCancel=0 jobRunning=0 WriteJobRunning=0 input=closed");

  const Report report = AsUnprivilegedUser([&] {
    Report r;
    state.eEVOfile = secret;
    jobs.EVOadj();
    host.lines.clear();
    const int fds = OpenFdCount();
    try {
      jobs.bReadEVOClick();
      r["thrown"] = "nothing";
    } catch (const KlarvexError& e) {
      r["thrown"] = e.what();
    }
    r["fds"] = std::to_string(OpenFdCount() - fds);
    r["lines"] = Join(host.lines);
    r["state"] = StateText(state);
    r["bReadXPL bbEVO bbXPL"] = Flag(state.buttons.bReadXPL) + Flag(state.buttons.bbEVO) + Flag(state.buttons.bbXPL);

    state.eEVOfile = good;
    jobs.EVOadj();
    host.lines.clear();
    jobs.bReadEVOClick();
    r["next lines"] = Join(host.lines);
    r["next state"] = StateText(state);
    return r;
  });
  ASSERT_EQ(report.count("setup"), 0u) << report.at("setup");
  EXPECT_EQ(report.at("thrown"), "Cannot open file \"" + secret + "\". Permission denied");
  EXPECT_EQ(report.at("fds"), "0");
  EXPECT_EQ(report.at("lines"), ".\nOpening file [b]SECRET.EVO[/b]\n");
  EXPECT_EQ(report.at("state"), "bReadEVO=1 bDemux=0 bRebuild=0 bCancel=0 jobRunning=0 WriteJobRunning=0 input=closed");
  EXPECT_EQ(report.at("bReadXPL bbEVO bbXPL"), "011");
  EXPECT_EQ(report.at("next lines"), Join(referenceLines));
  EXPECT_EQ(report.at("next state"), referenceState);
}

// Demux and Rebuild of a source that became unreadable after its read: one
// red line naming it, the files created before are kept (empty), and the
// jobs work again once it is readable.
TEST_F(FaultInjectionSourceTest, DemuxAndRebuildOfASourceThatBecameUnreadable) {
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const std::string source = writeSource("M.EVO", FailureTitle(30000, 9000));
  readTitle(source);
  const Files demuxed = runInto(dir.file("ref"), &Jobs::bDemuxClick);
  const Files rebuilt = runInto(dir.file("ref-rebuild"), &Jobs::bRebuildClick);
  HandOver(source, 0644);
  HandOver(out, 0755);

  const Report report = AsUnprivilegedUser([&] {
    Report r;
    if (::chmod(source.c_str(), 0000) != 0) r["setup"] = "cannot chmod the source";
    for (auto [name, job] : {std::pair{"demux", &Jobs::bDemuxClick}, std::pair{"rebuild", &Jobs::bRebuildClick}}) {
      const std::string n = name;
      host.lines.clear();
      const int fds = OpenFdCount();
      (jobs.*job)();
      r[n + " fds"] = std::to_string(OpenFdCount() - fds);
      r[n + " lines"] = Join(host.lines);
      r[n + " state"] = StateText(state);
      r[n + " failure"] = jobs.lastFailure() ? jobs.lastFailure()->what() : "none";
      std::string sizes;
      for (const auto& [file, bytes] : FolderFiles(out)) sizes += file + " " + std::to_string(bytes.size()) + "\n";
      r[n + " files"] = sizes;
      EmptyFolder(out);
    }
    ::chmod(source.c_str(), 0644);
    jobs.bDemuxClick();
    r["next demux"] = jobs.lastFailure() ? jobs.lastFailure()->what() : "none";
    jobs.bRebuildClick();
    r["next rebuild"] = jobs.lastFailure() ? jobs.lastFailure()->what() : "none";
    r["next state"] = StateText(state);
    return r;
  });
  ASSERT_EQ(report.count("setup"), 0u) << report.at("setup");
  const std::string denied = "Cannot open file \"" + source + "\". Permission denied";
  const std::string opening = "Opening file [b]M.EVO[/b]\n[re]" + denied + "[/re]\nDone.\n\n";
  EXPECT_EQ(report.at("demux lines"), creating(out, "M") + opening);
  EXPECT_EQ(report.at("rebuild lines"), "Creating " + out + "/M.rebuilt.EVO\n" + opening);
  for (const char* job : {"demux", "rebuild"}) {
    const std::string n = job;
    EXPECT_EQ(report.at(n + " fds"), "0") << n;
    EXPECT_EQ(report.at(n + " state"), kIdleAfterWriteJob) << n;
    EXPECT_EQ(report.at(n + " failure"), denied) << n;
  }
  EXPECT_EQ(report.at("demux files"),
            "M.DD.stream.01.mpa 0\nM.LPCM.stream.00.mpa 0\nM.Subpicture.01.sup 0\nM.VC-1.stream.0.mpv 0\n");
  EXPECT_EQ(report.at("rebuild files"), "M.rebuilt.EVO 0\n");
  EXPECT_EQ(report.at("next demux"), "none");
  EXPECT_EQ(report.at("next rebuild"), "none");
  EXPECT_EQ(report.at("next state"), kIdleAfterWriteJob);
  Files expected = demuxed;
  expected.merge(Files(rebuilt));
  EXPECT_TRUE(SameFiles(FolderFiles(out), expected));
}

// ===========================================================================
// 4. A source cut at every pack boundary and inside every header

// A small HD DVD title of real streams: VC-1 video with PTS and DTS, LPCM
// audio 0, AC-3 audio 1, subpicture 1, padding, an ADV_PCK, and a second
// navigation pack with more of each.
Bytes CutTitle() {
  const Bytes vc1 = TestData("vc1_ap_1080p.vc1"), ac3 = TestData("ac3_stereo.ac3");
  const Bytes lpcm = TestData("lpcm_s16be_stereo.pcm");
  const Bytes spu1 = TestData("spu_2bit_2.sup.raw"), spu2 = TestData("spu_2bit_1.sup.raw");
  if (vc1.size() < 20000 || ac3.size() < 2304 || lpcm.size() < 6000 || spu1.empty() || spu2.empty())
    throw std::runtime_error("test data missing");
  ProgramStreamWriter w;
  w.navPack(TitleNav());
  w.vc1(0x55, Slice(vc1, 0, 7000), {93003, 90000});
  w.audio(0xA0, Slice(lpcm, 0, 2500), {90000});
  w.audio(0x81, Slice(ac3, 0, 1536), {90000});
  w.subpicture(0x21, spu1, {90000});
  w.paddingPack();
  w.advPack(Data(100, 9));
  w.vc1(0x55, Slice(vc1, 7000, 11000));
  w.audio(0x81, Slice(ac3, 1536, 2304), {92880});
  w.audio(0xA0, Slice(lpcm, 2500, 5000));
  w.navPack(TitleNav());
  w.vc1(0x55, Slice(vc1, 11000, 16000), {105015, 102012});
  w.subpicture(0x21, spu2, {99000});
  w.audio(0xA0, Slice(lpcm, 5000, 6000), {96000});
  w.paddingPack();
  return w.bytes();
}

class FaultInjectionCutTest : public FaultInjectionTest {
 protected:
  // Thousands of files are made and emptied: on a tmpfs when one can be
  // mounted, since a disk file system may take milliseconds for each.
  void SetUp() override {
    FaultInjectionTest::SetUp();
    out = file("out");
    fs::create_directories(out);
    state.options.eWorkdir = out;
  }

  std::string file(const std::string& name) const { return base_ + "/" + name; }

  TmpfsMount work_{dir.file("work"), 0, "size=32m"};
  const std::string base_ = work_.mounted() ? dir.file("work") : dir.path();

  // Reads, demuxes and rebuilds (with LPCM left out) the file at `path`;
  // the demuxed files and the rebuilt file, keyed by stream (0: rebuilt).
  std::map<uint8_t, Bytes> demuxAndRebuild(const std::string& path, const std::string& base) {
    state.eEVOfile = path;
    jobs.EVOadj();
    jobs.bReadEVOClick();
    jobs.bDemuxClick();
    std::map<uint8_t, Bytes> files;
    for (const StreamFile& s : kStreams) files[s.key] = ReadAll(out + "/" + base + s.suffix);
    state.audioBoxes[0].ticked = false;
    jobs.bRebuildClick();
    files[0] = ReadAll(out + "/" + base + ".rebuilt.EVO");
    return files;
  }
};

// For each cut, Read EVO, Demux and Rebuild end normally with every file
// closed, and:
// - the read lists exactly the streams whose identifying bytes are in;
// - each demuxed file is the start of the whole file's demux, exactly as
//   long as the payload before the cut;
// - the rebuild is not simply the start of the reference rebuild: the
//   navigation packs get the bounds and synchronisation tables of the
//   streams the read listed, and a cut can hide a stream. So the cut copy
//   is compared with the rebuild of the whole file with the same streams
//   chosen: its whole packs are the same, and the cut last pack is
//   . left out when it holds less than a pack start code, or when its
//     stream is left out and the byte that tells so is in;
//   . written as it is when that byte is not in (a pack of no known
//     stream is copied);
//   . else written as far as it goes, as the whole pack is written
//     (renumbered; navigation packs get their bounds). The DSI of a cut
//     navigation pack is not patched, which these cuts can't tell: its
//     start and end PTM are the ones the patch writes (a cut in the first
//     one gives the read, and so the patch, the same cut times), and the
//     cuts end before the synchronisation tables.
//   With every stream listed, that rebuild is the reference rebuild.
TEST_F(FaultInjectionCutTest, EveryCutEndsEachJobNormallyWithTheStartOfTheWholeOutput) {
  const Bytes title = CutTitle();
  const FileModel model(title);
  ASSERT_GE(model.packs.size(), 20u);
  ASSERT_LE(model.packs.size(), 40u);
  const std::string whole = file("WHOLE.EVO"), cutPath = file("CUT.EVO");
  WriteFile(whole, title);

  // The references: the whole title read, demuxed, rebuilt.
  std::map<uint8_t, Bytes> reference = demuxAndRebuild(whole, "WHOLE");
  for (const StreamFile& s : kStreams) {
    ASSERT_FALSE(reference[s.key].empty()) << s.suffix;
    ASSERT_EQ(reference[s.key].size(), model.demuxed(s.key, title.size())) << s.suffix << ": the model is off";
  }
  auto dropped = [](bool lpcmListed) {
    return [lpcmListed](const PackFacts& f) {
      return (f.streamId == 0xBF && f.key == 0) || (lpcmListed && f.streamId == 0xBD && f.key == 0xA0);
    };
  };
  ASSERT_EQ(reference[0].size(), kPackSize * model.keptBefore(model.packs.size(), dropped(true)));
  EmptyFolder(out);

  std::vector<size_t> cuts;
  for (size_t i = 0; i <= model.packs.size(); ++i) cuts.push_back(i * kPackSize);
  for (size_t i = 0; i < model.packs.size(); ++i) {
    for (size_t k = 1; k <= 80; ++k) cuts.push_back(i * kPackSize + k);
    if (model.packs[i].streamId == 0xBB) {
      for (size_t k = 0x400; k <= 0x520; ++k) cuts.push_back(i * kPackSize + k);  // PCI end, DSI start
      for (size_t k = 0x536; k <= 0x546; ++k) cuts.push_back(i * kPackSize + k);  // start and end PTM
    }
  }

  std::vector<std::string> failures;
  for (size_t cut : cuts) {
    auto check = [&](bool ok, const std::string& what) {
      if (!ok)
        failures.push_back("cut " + std::to_string(cut) + " (pack " + std::to_string(cut / kPackSize) + " + " +
                           std::to_string(cut % kPackSize) + "): " + what);
      return ok;
    };
    WriteFile(cutPath, Slice(title, 0, cut));
    EmptyFolder(out);

    // Read EVO.
    state.eEVOfile = cutPath;
    jobs.EVOadj();
    host.lines.clear();
    int fds = OpenFdCount();
    try {
      jobs.bReadEVOClick();
    } catch (const KlarvexError& e) {
      check(false, std::string("read threw ") + e.what());
      continue;
    }
    check(OpenFdCount() == fds, "read left a file open");
    check(std::count(host.lines.begin(), host.lines.end(), "Done.") == 1, "read: " + Join(host.lines));
    bool any = false;
    std::string creatingLines;
    for (const StreamFile& s : kStreams) {
      const bool listed = model.listed(s.key, cut);
      const StreamSlot& slot = s.key == 0x55   ? state.engine.streams.video(0)
                               : s.key == 0xA0 ? state.engine.streams.audio(0)
                               : s.key == 0x81 ? state.engine.streams.audio(1)
                                               : state.engine.streams.subpicture(1);
      check((slot.streamId == s.key) == listed, "read listed " + s.suffix + " wrongly");
      any = any || listed;
      if (listed) creatingLines += "Creating " + out + "/CUT" + s.suffix + "\n";
    }
    const std::string a = Flag(any);
    check(StateText(state) ==
              "bReadEVO=1 bDemux=" + a + " bRebuild=" + a + " bCancel=0 jobRunning=0 WriteJobRunning=0 input=closed",
          "after read: " + StateText(state));

    // Demux.
    host.lines.clear();
    fds = OpenFdCount();
    jobs.bDemuxClick();
    check(OpenFdCount() == fds, "demux left a file open");
    check(!jobs.lastFailure(), "demux failed");
    const std::string demuxLines =
        creatingLines + "Opening file [b]CUT.EVO[/b]\nFile size: 0 Mbytes.\nDemuxing CUT.EVO\nDone.\n\n";
    const std::string allLines = Join(host.lines);
    check(allLines.rfind(demuxLines, 0) == 0, "demux lines:\n" + allLines);
    for (size_t i = std::count(demuxLines.begin(), demuxLines.end(), '\n'); i < host.lines.size(); ++i)
      check(host.lines[i].empty() || host.lines[i].find(" frames") != std::string::npos, "demux lines:\n" + allLines);
    check(StateText(state) == kIdleAfterWriteJob, "after demux: " + StateText(state));
    Files files = FolderFiles(out);
    for (const StreamFile& s : kStreams) {
      const std::string name = "CUT" + s.suffix;
      if (!model.listed(s.key, cut)) {
        check(!files.count(name), name + " made for a stream not listed");
        continue;
      }
      if (!check(files.count(name) == 1, name + " missing")) continue;
      const Bytes want = Slice(reference[s.key], 0, model.demuxed(s.key, cut));
      check(files[name] == want, name + ": " + Difference(files[name], want));
    }

    // Rebuild, LPCM left out when listed.
    const bool lpcmListed = state.audioBoxes[0].ticked;
    state.audioBoxes[0].ticked = false;
    host.lines.clear();
    fds = OpenFdCount();
    jobs.bRebuildClick();
    check(OpenFdCount() == fds, "rebuild left a file open");
    check(Join(host.lines) == "Creating " + out +
                                  "/CUT.rebuilt.EVO\nOpening file [b]CUT.EVO[/b]\n"
                                  "File size: 0 Mbytes.\nRebuilding...\nDone.\n\n",
          "rebuild lines:\n" + Join(host.lines));
    check(StateText(state) == kIdleAfterWriteJob, "after rebuild: " + StateText(state));
    const Bytes rebuilt = ReadAll(out + "/CUT.rebuilt.EVO");

    // The rebuild of the whole file with the same streams chosen.
    state.eEVOfile = whole;
    jobs.EVOadj();
    jobs.bRebuildClick();
    const Bytes wholeRebuilt = ReadAll(out + "/WHOLE.rebuilt.EVO");
    if (std::all_of(kStreams.begin(), kStreams.end(), [&](const StreamFile& s) { return model.listed(s.key, cut); }))
      check(wholeRebuilt == reference[0],
            "whole rebuild with every stream listed: " + Difference(wholeRebuilt, reference[0]));

    const size_t pack = cut / kPackSize, rem = cut % kPackSize;
    const auto isDropped = dropped(lpcmListed);
    const size_t keptBytes = kPackSize * model.keptBefore(pack, isDropped);
    Bytes want = Slice(wholeRebuilt, 0, keptBytes);
    if (rem >= 4) {
      const PackFacts& f = model.packs[pack];
      if (!isDropped(f)) {
        const Bytes part = Slice(wholeRebuilt, keptBytes, keptBytes + rem);
        want.insert(want.end(), part.begin(), part.end());
      } else if (rem <= f.idAt) {
        const Bytes part = Slice(title, pack * kPackSize, cut);
        want.insert(want.end(), part.begin(), part.end());
      }
    }
    check(rebuilt == want, "rebuilt: " + Difference(rebuilt, want));
    if (failures.size() > 30) break;
  }
  std::string report;
  for (size_t i = 0; i < failures.size() && i < 30; ++i) report += failures[i] + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " failures of " << cuts.size() << " cuts:\n" << report;
}

// ===========================================================================
// 5. Cancel at several points of Demux and Rebuild

// A title of two files, 10 and 6 MiB: progress points (every 4 MiB of file
// position) at 4 and 8 MiB of the first file and at 4 MiB of the second.
Bytes CancelFile(int seed, size_t size, const NavPackInfo& nav) {
  ProgramStreamWriter w;
  uint32_t pts = nav.vobStartPtm;
  while (w.bytes().size() + 40 * kPackSize < size) {
    if (w.bytes().size() % (kMiB / 2) < 30 * kPackSize) w.navPack(nav);
    w.vc1(0x55, Data(40000, static_cast<uint8_t>(seed)), {pts + 3003, pts});
    w.audio(0xA0, Data(3000, static_cast<uint8_t>(seed + 1)), {pts});
    w.audio(0x81, Data(2500, static_cast<uint8_t>(seed + 2)), {pts});
    w.subpicture(0x21, Data(900, static_cast<uint8_t>(seed + 3)), {pts});
    pts += 3003;
  }
  while (w.bytes().size() < size) w.paddingPack();
  return w.bytes();
}

class FaultInjectionCancelTest : public FaultInjectionTest {
 protected:
  void SetUp() override {
    FaultInjectionTest::SetUp();
    state.options.cbContinue = true;
    NavPackInfo second = TitleNav();
    second.vobNumber = 2;
    second.vobStartPtm += 180180;
    second.vobEndPtm += 180180;
    files[0] = FileModel(CancelFile(1, 10 * kMiB, TitleNav()));
    files[1] = FileModel(CancelFile(20, 6 * kMiB, second));
    WriteFile(dir.file("F_1.EVO"), files[0].bytes);
    WriteFile(dir.file("F_2.EVO"), files[1].bytes);
    readTitle(dir.file("F_1.EVO"));
  }

  // Cancel, answered `yes`, at the progress point `at` (1-based); 0: never,
  // -1: at every one.
  void cancelAt(int at, bool yes) {
    host.confirmAnswer = yes;
    host.questions.clear();
    int points = 0;
    host.onProcessEvents = [this, at, points]() mutable {
      if (++points == at || at < 0) jobs.bCancelClick();
    };
  }

  // The lines of a job over the title, after its "Creating" lines, to the
  // file where it stops.
  static Lines jobLines(const std::string& what, int files, bool cancelled) {
    Lines lines;
    const std::string names[2] = {"F_1.EVO", "F_2.EVO"}, sizes[2] = {"10", "6"};
    for (int i = 0; i < files; ++i) {
      lines.push_back("Opening file [b]" + names[i] + "[/b]");
      lines.push_back("File size: " + sizes[i] + " Mbytes.");
      lines.push_back(what == "Demuxing" ? "Demuxing " + names[i] : "Rebuilding...");
    }
    if (cancelled) lines.push_back("Cancelled.");
    lines.push_back("Done.");
    lines.push_back("");
    return lines;
  }

  // Where the job stops at the progress point `at`: bytes of each file done.
  static std::pair<size_t, size_t> stopAt(int at) {
    if (at == 1) return {4 * kMiB, 0};
    if (at == 2) return {8 * kMiB, 0};
    return {10 * kMiB, 4 * kMiB};
  }

  FileModel files[2]{FileModel({}), FileModel({})};
};

TEST_F(FaultInjectionCancelTest, DemuxCancelledAtTheFirstSecondAndThirdProgressPoint) {
  cancelAt(0, true);
  const Files reference = runInto(dir.file("ref"), &Jobs::bDemuxClick);
  ASSERT_EQ(reference.size(), 4u);
  EXPECT_TRUE(host.questions.empty());

  for (int at = 1; at <= 3; ++at) {
    SCOPED_TRACE(at);
    EmptyFolder(out);
    cancelAt(at, true);
    const int fds = OpenFdCount();
    host.lines.clear();
    jobs.bDemuxClick();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(host.questions, Lines{kQuestion});
    EXPECT_EQ(Join(host.lines), creating(out, "F_1_MERGED") + Join(jobLines("Demuxing", at == 3 ? 2 : 1, true)));
    EXPECT_FALSE(jobs.lastFailure());
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);

    // Each file holds what the walk gave it up to the progress point.
    const auto [first, second] = stopAt(at);
    const Files kept = FolderFiles(out);
    ASSERT_EQ(kept.size(), 4u);
    for (const StreamFile& s : kStreams) {
      const std::string name = "F_1_MERGED" + s.suffix;
      const size_t length = files[0].demuxed(s.key, first) + files[1].demuxed(s.key, second);
      ASSERT_LT(length, reference.at(name).size()) << name;
      EXPECT_TRUE(SameBytes(kept.at(name), Slice(reference.at(name), 0, length))) << name;
    }

    // The next job writes the reference.
    cancelAt(0, true);
    runClean(&Jobs::bDemuxClick, out);
    EXPECT_TRUE(SameFiles(FolderFiles(out), reference));
  }
}

TEST_F(FaultInjectionCancelTest, RebuildCancelledAtTheFirstSecondAndThirdProgressPoint) {
  state.audioBoxes[0].ticked = false;  // LPCM left out, AC-3 renumbered
  cancelAt(0, true);
  const Files reference = runInto(dir.file("ref"), &Jobs::bRebuildClick);
  const Bytes& whole = reference.at("F_1_MERGED.rebuilt.EVO");
  auto dropped = [](const PackFacts& f) { return f.streamId == 0xBD && f.key == 0xA0; };
  ASSERT_EQ(whole.size(), kPackSize * (files[0].keptBefore(files[0].packs.size(), dropped) +
                                       files[1].keptBefore(files[1].packs.size(), dropped)));

  const std::string path = out + "/F_1_MERGED.rebuilt.EVO";
  for (int at = 1; at <= 3; ++at) {
    SCOPED_TRACE(at);
    EmptyFolder(out);
    cancelAt(at, true);
    const int fds = OpenFdCount();
    host.lines.clear();
    jobs.bRebuildClick();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(host.questions, Lines{kQuestion});
    EXPECT_EQ(Join(host.lines), "Creating " + path + "\n" + Join(jobLines("Rebuilding", at == 3 ? 2 : 1, true)));
    EXPECT_FALSE(jobs.lastFailure());
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);

    // The packs before the progress point, as the whole rebuild has them.
    const auto [first, second] = stopAt(at);
    const size_t packs =
        files[0].keptBefore(first / kPackSize, dropped) + files[1].keptBefore(second / kPackSize, dropped);
    const Bytes kept = ReadAll(path);
    EXPECT_TRUE(SameBytes(kept, Slice(whole, 0, packs * kPackSize)));

    cancelAt(0, true);
    runClean(&Jobs::bRebuildClick, out);
    EXPECT_TRUE(SameFiles(FolderFiles(out), reference));
  }
}

// Cancel answered No at every progress point: the jobs go on and write
// what they write without it, with the same lines.
TEST_F(FaultInjectionCancelTest, CancelAnsweredNoChangesNothing) {
  state.audioBoxes[0].ticked = false;
  for (auto [folder, job] :
       {std::pair{"ref-demux", &Jobs::bDemuxClick}, std::pair{"ref-rebuild", &Jobs::bRebuildClick}}) {
    const std::string refFolder = dir.file(folder);
    cancelAt(0, true);
    host.lines.clear();
    const Files reference = runInto(refFolder, job);
    const Lines referenceLines = host.lines;

    EmptyFolder(out);
    cancelAt(-1, false);
    const int fds = OpenFdCount();
    host.lines.clear();
    (jobs.*job)();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(host.questions, (Lines{kQuestion, kQuestion, kQuestion}));
    EXPECT_FALSE(state.engine.run.StopRequested);
    Lines expected = referenceLines;
    for (auto& line : expected)
      if (line.rfind("Creating ", 0) == 0) line.replace(9, refFolder.size(), out);
    EXPECT_EQ(host.lines, expected);
    EXPECT_FALSE(jobs.lastFailure());
    EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
    EXPECT_TRUE(SameFiles(FolderFiles(out), reference));
  }
}

// ===========================================================================
// Faults the cases above once found, each kept as a case of its own.

// A demux that fails in mid-walk turns Cancel off: the walker itself turns
// it off only when it ends normally.
TEST_F(FaultInjectionWriteTest, DemuxFailureInMidWalkTurnsCancelOff) {
  readTitle(writeSource("M.EVO", FailureTitle(30000, 3 * kMiB / 2)));
  testing::FullDisk disk(out + "/M.DD.stream.01.mpa");
  jobs.bDemuxClick();
  ASSERT_TRUE(jobs.lastFailure());
  EXPECT_EQ(StateText(state), kIdleAfterWriteJob);
}

// A demux that stops early (Cancel, a write failure) has walked only part
// of the title: a Rebuild after it, without a new read, still writes the
// title's end time and duration that the read found.
TEST_F(FaultInjectionCancelTest, RebuildAfterACancelledDemuxWritesTheTitlesTimes) {
  state.audioBoxes[0].ticked = false;
  const Files reference = runInto(dir.file("ref"), &Jobs::bRebuildClick);
  cancelAt(1, true);
  jobs.bDemuxClick();
  ASSERT_TRUE(hasLine("Cancelled."));
  cancelAt(0, true);
  runClean(&Jobs::bRebuildClick, dir.file("again"));
  const Bytes want = reference.at("F_1_MERGED.rebuilt.EVO");
  const Bytes got = ReadAll(dir.file("again") + "/F_1_MERGED.rebuilt.EVO");
  // VOB_V_E_PTM of the first navigation pack: the end of the second file.
  EXPECT_EQ(Slice(got, 0x53E, 0x542), Slice(want, 0x53E, 0x542));
  EXPECT_TRUE(SameBytes(got, want));
}

// A last navigation pack cut right behind its audio bound (byte 23) gets
// that bound patched, though it no longer holds the video bound (byte 24).
TEST_F(FaultInjectionCutTest, NavigationPackCutBehindItsAudioBoundIsPatched) {
  ProgramStreamWriter w;
  w.navPack(TitleNav());  // audio bound 2
  w.audio(0x81, Data(500, 1), {90000});
  w.navPack(TitleNav());
  const std::string source = file("N.EVO");
  WriteFile(source, Slice(w.bytes(), 0, 2 * kPackSize + 24));
  readTitle(source);
  jobs.bRebuildClick();
  const Bytes rebuilt = ReadAll(out + "/N.rebuilt.EVO");
  ASSERT_EQ(rebuilt.size(), 2 * kPackSize + 24);
  EXPECT_EQ(rebuilt[23] >> 2, 1) << "one audio stream";
  EXPECT_EQ(rebuilt[2 * kPackSize + 23], rebuilt[23]);
}

}  // namespace
}  // namespace klarvex::testing
