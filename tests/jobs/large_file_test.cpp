// A title whose packs lie beyond 4 GiB: a sparse file of 4 GiB of holes,
// then real packs. Positions, sizes, progress, the fast check and the
// rebuild's offsets must all be 64-bit.
#include <fcntl.h>
#include <unistd.h>

#include "base/text_format.h"
#include "ps_writer.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

constexpr int64_t k4GiB = int64_t{4} << 30;

class LargeFileTest : public WriteJobTest {
 protected:
  // Writes the writer's packs at offset 4 GiB of a sparse file.
  std::string writeBeyond4GiB(const ProgramStreamWriter& w) {
    std::string path = dir.file("BIG.EVO");
    int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    EXPECT_GE(fd, 0);
    const Bytes& bytes = w.bytes();
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), k4GiB), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    return path;
  }
};

TEST_F(LargeFileTest, PacksBeyondFourGibibytesAreReadDemuxedAndRebuilt) {
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 90000 + 45000;
  nav.audioSync = {1};
  ProgramStreamWriter w;
  w.navPack(nav);
  Bytes audio = Data(300000, 1);
  w.audio(0x80, audio, {90000});
  w.audio(0x81, Data(5000, 2), {90000});
  std::string path = writeBeyond4GiB(w);
  const int64_t size = k4GiB + static_cast<int64_t>(w.bytes().size());

  // The fast check compares 64-bit sizes: 4095 MiB stops before the packs.
  state.options.cbFastCheck = true;
  state.options.ieFastSize = 4095;
  readTitle(path);
  EXPECT_EQ(state.engine.streams.audio(0).streamId, -1);

  state.options.cbFastCheck = false;
  state.eEVOfile = path;
  jobs.EVOadj();
  jobs.bReadEVOClick();
  EXPECT_TRUE(hasLine("File size: " + IntText(size / 1048576) + " Mbytes.")) << "4096 Mbytes";
  EXPECT_TRUE(hasLine("[b]Dolby Digital[/b] audio stream 0 found!"));
  EXPECT_TRUE(hasLine("Duration = [b]0:00:00.500[/b]"));
  // The last progress point before the job empties the panel.
  ASSERT_GE(host.progress.size(), 2u);
  const std::string& last = host.progress[host.progress.size() - 2];
  EXPECT_EQ(last.rfind("4096/4096 Mbytes, Remaining time: ", 0), 0u) << last;

  state.audioBoxes[1].ticked = false;
  jobs.bDemuxClick();
  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_EQ(ReadAll(output("BIG.DD.stream.00.mpa")), audio);

  // The rebuild leaves out the 4 GiB of holes (no pack starts there) and
  // patches the navigation pack found beyond them.
  jobs.bRebuildClick();
  EXPECT_FALSE(jobs.lastFailure());
  Bytes rebuilt = ReadAll(output("BIG.rebuilt.EVO"));
  ASSERT_GE(rebuilt.size(), 2048u);
  EXPECT_LT(rebuilt.size(), w.bytes().size());
  EXPECT_EQ(rebuilt[23] >> 2, 1) << "audio_bound of the one kept audio stream";
}

}  // namespace
}  // namespace klarvex::testing
