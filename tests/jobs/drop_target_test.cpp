// What a dropped file becomes, by its extension in any case.
#include "jobs/drop_target.h"

#include <gtest/gtest.h>

namespace klarvex {
namespace {

TEST(DropTargetTest, ByExtension) {
  const struct {
    const char* path;
    DropTarget target;
  } cases[] = {
      {"/disc/HVDVD_TS/FEATURE_1.EVO", DropTarget::Source},
      {"/dvd/VIDEO_TS/vts_01_1.vob", DropTarget::Source},
      {"/disc/ADV_OBJ/VPLST000.XPL", DropTarget::Playlist},
      {"playlist.xpl", DropTarget::Playlist},
      {"/dvd/AUDIO_TS/ATS_01_1.AOB", DropTarget::None},
      {"/disc/HVDVD_TS/HVA00001.VTI", DropTarget::None},
      {"/disc/FEATURE_1.EVO.part", DropTarget::None},
      {"/disc.EVO/README", DropTarget::None},  // the folder's extension is not the file's
      {"/disc/EVO", DropTarget::None},
      {"", DropTarget::None},
  };
  for (const auto& c : cases) EXPECT_EQ(DropTargetOf(c.path), c.target) << c.path;
}

}  // namespace
}  // namespace klarvex
