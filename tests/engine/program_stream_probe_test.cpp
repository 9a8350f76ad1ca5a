#include "engine/program_stream_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "base/errors.h"
#include "temp_dir.h"
#include "test_bytes.h"

namespace klarvex::testing {
namespace {

const Bytes kMpeg2Pack = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
const Bytes kMpeg1Pack = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01};

Bytes At(size_t offset, const Bytes& header, size_t total) {
  Bytes bytes(total, 0x00);
  const size_t fits = std::min(header.size(), total - offset);  // a header may be cut by the end
  std::copy(header.begin(), header.begin() + static_cast<ptrdiff_t>(fits),
            bytes.begin() + static_cast<ptrdiff_t>(offset));
  return bytes;
}

// A pack header with its marker bits anywhere in the file, a header cut by
// the end of a 256 KiB block included; a start code without them is none.
TEST(ProgramStreamProbe, FindsAPackHeaderOnlyWithItsMarkers) {
  Bytes noMarkers = kMpeg2Pack;
  noMarkers[4] = 0x00;
  const struct {
    const char* name;
    Bytes bytes;
    bool holds;
  } cases[] = {
      {"MPEG-2 at the start", At(0, kMpeg2Pack, 2048), true},
      {"MPEG-1 after noise", At(1000, kMpeg1Pack, 2048), true},
      {"across a block's end", At(256 * 1024 - 6, kMpeg2Pack, 300 * 1024), true},
      {"at the file's very end", At(4096 - 14, kMpeg2Pack, 4096), true},
      {"cut by the file's end", At(4096 - 10, kMpeg2Pack, 4096), false},
      {"no markers", At(0, noMarkers, 2048), false},
      {"empty", {}, false},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.file("probe.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    EXPECT_EQ(HoldsProgramStreamPack(path), c.holds) << c.name;
  }
  EXPECT_THROW(HoldsProgramStreamPack(dir.file("none.bin")), KlarvexError);
}

}  // namespace
}  // namespace klarvex::testing
