#include "jobs/drop_target.h"

#include "base/text_format.h"
#include "jobs/source_sequence.h"

namespace klarvex {

DropTarget DropTargetOf(const std::string& path) {
  const std::string extension = UpperCase(ExtensionOf(path));
  if (extension == ".EVO" || extension == ".VOB") return DropTarget::Source;
  if (extension == ".XPL") return DropTarget::Playlist;
  return DropTarget::None;
}

}  // namespace klarvex
