#include "base/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/errors.h"
#include "full_disk.h"
#include "temp_dir.h"

namespace klarvex {
namespace {

class Files : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_.file(name); }

  void write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string contents(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  testing::TempDir dir_;
};

// Runs `action` and gives the KlarvexError text it throws ("" when none).
template <typename F>
std::string ErrorOf(F action) {
  try {
    action();
  } catch (const KlarvexError& e) {
    return e.what();
  }
  return "";
}

TEST_F(Files, InputOpenFailures) {
  InputFile in;
  const std::string missing = path("missing.EVO");
  EXPECT_EQ(ErrorOf([&] { in.open(missing); }), "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_FALSE(in.isOpen());
  EXPECT_EQ(ErrorOf([&] { in.open(dir_.path()); }), "Cannot open file \"" + dir_.path() + "\". Is a directory");
  EXPECT_FALSE(in.isOpen());
}

TEST_F(Files, InputReadsShortAtEnd) {
  write("a.bin", "0123456789");
  InputFile in;
  in.open(path("a.bin"));
  EXPECT_EQ(in.size(), 10);
  uint8_t buffer[8] = {};
  EXPECT_EQ(in.read(buffer, 6), 6);
  EXPECT_EQ(in.position(), 6);
  EXPECT_EQ(in.read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, buffer + 4), "6789");
  EXPECT_EQ(in.position(), 10);
  EXPECT_EQ(in.read(buffer, 8), 0);
  in.seek(1);
  EXPECT_EQ(in.read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, buffer + 2), "12");
  EXPECT_EQ(in.position(), 3);
}

TEST_F(Files, InputSizeAndPositionBeyond4GiB) {
  // A sparse file of 5 GiB whose last three bytes are "END".
  const int64_t size = 5LL << 30;
  int fd = ::open(path("big.bin").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, "END", 3, size - 3), 3);
  ::close(fd);

  InputFile in;
  in.open(path("big.bin"));
  EXPECT_EQ(in.size(), size);
  in.seek(size - 3);
  EXPECT_EQ(in.position(), size - 3);
  uint8_t buffer[16] = {};
  EXPECT_EQ(in.read(buffer, 16), 3);
  EXPECT_EQ(std::string(buffer, buffer + 3), "END");
  EXPECT_EQ(in.position(), size);
}

TEST_F(Files, OutputCreateFailures) {
  OutputFile out;
  const std::string inMissing = path("no/such/out.ac3");
  EXPECT_EQ(ErrorOf([&] { out.create(inMissing); }),
            "Cannot create file \"" + inMissing + "\". No such file or directory");
  EXPECT_FALSE(out.isOpen());
}

TEST_F(Files, OutputHeldExclusivelyAndNotEmptiedByRefusal) {
  const std::string target = path("out.ac3");
  OutputFile first;
  first.create(target);
  const uint8_t data[] = {'a', 'b', 'c'};
  first.writeAll(data, 3);

  OutputFile second;
  std::string error = ErrorOf([&] { second.create(target); });
  EXPECT_EQ(error.rfind("Cannot create file \"" + target + "\". ", 0), 0u) << error;
  EXPECT_FALSE(second.isOpen());
  EXPECT_EQ(contents("out.ac3"), "abc");

  first.close();
  second.create(target);  // free again once the first is closed
  EXPECT_TRUE(second.isOpen());
}

TEST_F(Files, OutputEmptiesExistingFile) {
  write("old.ac3", "previous content");
  OutputFile out;
  out.create(path("old.ac3"));
  const uint8_t data[] = {'n', 'e', 'w'};
  out.writeAll(data, 3);
  out.close();
  EXPECT_EQ(contents("old.ac3"), "new");
}

// Only a regular file is written. Whatever else stands at the name (a link,
// even to a regular file, a FIFO, a device, a folder) or a source of the
// job under another name is refused before anything is opened or emptied.
TEST_F(Files, OutputRefusesAnythingButARegularFileThatIsNoSource) {
  write("source.EVO", "source bytes");
  write("elsewhere", "kept");
  std::filesystem::create_hard_link(path("source.EVO"), path("hard"));
  std::filesystem::create_symlink(path("source.EVO"), path("to-source"));
  std::filesystem::create_symlink(path("elsewhere"), path("to-file"));
  std::filesystem::create_symlink(path("nowhere/x"), path("dangling"));
  std::filesystem::create_directory(path("folder"));
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
  SourceFiles sources;
  sources.add(path("source.EVO"));
  sources.add(path("missing.XPL"));  // not there: nothing to guard
  const std::string link = "It is a symbolic link, not a regular file";
  const struct {
    std::string name, reason;
  } cases[] = {
      {"source.EVO", "It is one of the source files"},
      {"hard", "It is one of the source files"},
      {"to-source", link},
      {"to-file", link},
      {"dangling", link},
      {"folder", "It is a directory, not a regular file"},
      {"fifo", "It is a FIFO, not a regular file"},
  };
  for (const auto& c : cases) {
    OutputFile out;
    EXPECT_EQ(ErrorOf([&] { out.create(path(c.name), sources); }),
              "Cannot create file \"" + path(c.name) + "\". " + c.reason);
    EXPECT_FALSE(out.isOpen());
  }
  OutputFile device;
  EXPECT_EQ(ErrorOf([&] { device.create("/dev/null"); }),
            "Cannot create file \"/dev/null\". It is a character device, not a regular file");
  EXPECT_EQ(contents("source.EVO"), "source bytes");
  EXPECT_EQ(contents("elsewhere"), "kept");
  EXPECT_FALSE(std::filesystem::exists(path("nowhere")));
}

TEST_F(Files, WriteFailuresNameTheFileAndTheReason) {
  const uint8_t data[4] = {1, 2, 3, 4};
  testing::FullDisk disk(path("full.ac3"));
  OutputFile full;
  full.create(path("full.ac3"));
  EXPECT_EQ(ErrorOf([&] { full.writeAll(data, 4); }), "Stream write error");
  EXPECT_EQ(ErrorOf([&] { full.close(); }), "Stream write error");  // and released all the same

  // Buffered, the failure shows when the buffer goes out: at the latest on
  // close, which names the file and the reason for the command line.
  OutputFile buffered;
  buffered.create(path("full.ac3"));
  buffered.setBuffer(16);
  buffered.writeAll(data, 4);
  try {
    buffered.close();
    FAIL() << "close reported nothing";
  } catch (const KlarvexError& e) {
    EXPECT_EQ(std::string(e.what()), "Stream write error");
    EXPECT_EQ(e.detail(), "writing \"" + path("full.ac3") + "\": No space left on device");
  }
  EXPECT_FALSE(buffered.isOpen());

  OutputFile patched;
  patched.create(path("full.ac3"));
  try {
    patched.writeAt(0, data, 4);
    FAIL() << "writeAt reported nothing";
  } catch (const KlarvexError& e) {
    EXPECT_EQ(e.fullText(), "Stream write error (writing \"" + path("full.ac3") + "\": No space left on device)");
  }
}

// A write at an offset (a header completed at the end) comes after what is
// buffered, and the writes after it go on at the end.
TEST_F(Files, WriteAtPatchesBehindTheBuffer) {
  OutputFile out;
  out.create(path("p.bin"));
  out.setBuffer(16);
  const std::string head = "abcdef", patch = "XY", tail = "gh";
  auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  out.writeAll(bytes(head), 6);
  out.writeAt(1, bytes(patch), 2);
  out.writeAll(bytes(tail), 2);
  out.close();
  EXPECT_EQ(contents("p.bin"), "aXYdefgh");
}

// Writes smaller than the buffer are gathered, larger ones go straight
// through; the file holds every byte in order.
TEST_F(Files, BufferedOutputKeepsOrderAcrossFlushes) {
  OutputFile out;
  out.create(path("b.bin"));
  out.setBuffer(10);
  std::string expected;
  for (size_t size : {3u, 8u, 25u, 2u, 10u, 1u, 9u}) {
    std::string piece(size, static_cast<char>('a' + expected.size() % 26));
    out.writeAll(reinterpret_cast<const uint8_t*>(piece.data()), static_cast<int64_t>(piece.size()));
    expected += piece;
  }
  out.close();
  EXPECT_EQ(contents("b.bin"), expected);
}

}  // namespace
}  // namespace klarvex
