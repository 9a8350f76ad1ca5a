// Reading a title set information file (HVA00001.VTI): the big-endian
// field readers, the two tables as plain records, and the tab's lists
// filled from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/input_file.h"
#include "base/message_log.h"
#include "navigation/vti_model.h"
#include "navigation/vti_tables.h"

namespace klarvex {

// The field readers, each at the current position of the file and advancing
// it. A file that cannot supply every byte asked for is a "Stream read
// error": nothing is ever made up from beyond its end.
class VtiFieldReader {
 public:
  explicit VtiFieldReader(InputFile& input) : input_(input) {}

  uint8_t readbyte();
  uint16_t readword();
  uint32_t readlword();
  // `count` bytes, the text ending before the first NUL byte.
  std::string readstring(int count);
  // Steps over `count` bytes that must all be in the file.
  void readPast(int64_t count);
  // Fails as a file that ends early does unless `count` entries of
  // `entryBytes` each fit between here and the file's end, and `count` is
  // at most `most`: a damaged count must not make the reader read and keep
  // millions of entries (a sparse file has room for them).
  void requireEntries(int64_t count, int64_t entryBytes, int64_t most);
  void seek(int64_t position) { input_.seek(position); }

 private:
  void readExactly(uint8_t* into, int64_t count);

  InputFile& input_;
};

// Reads the open file's two tables (steps 4 to 8 of a VTI read), logging
// the count of each. None when the identifier is not "ADVANCED-VTS"; a
// file that ends early is a "Stream read error".
std::optional<VtiTables> ReadVtiFile(InputFile& input, MessageLog& log);

// Reads the open file's tables into `model`: the attribute table with the
// list "1" to N, the information table with the list of EVOB names, the
// entry named `sourceName` (any letter case) selected. Returns false,
// changing nothing, when the identifier is not "ADVANCED-VTS". When the
// file ends early the error escapes with both tables and both lists
// emptied and the view showing nothing.
bool ReadVtiTables(InputFile& input, const std::string& sourceName, VtiModel& model, MessageLog& log);

}  // namespace klarvex
