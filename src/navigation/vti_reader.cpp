#include "navigation/vti_reader.h"

#include <utility>

#include "base/errors.h"
#include "base/text_format.h"
#include "navigation/vti_view.h"

namespace klarvex {

namespace {

constexpr int64_t kSector = 2048;
constexpr int64_t kHeaderEnd = 1024;

}  // namespace

void VtiFieldReader::readExactly(uint8_t* into, int64_t count) {
  if (input_.read(into, count) != count) throw StreamReadError(input_.path(), 0);
}

uint8_t VtiFieldReader::readbyte() {
  uint8_t byte = 0;
  readExactly(&byte, 1);
  return byte;
}

uint16_t VtiFieldReader::readword() {
  uint8_t b[2];
  readExactly(b, 2);
  return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t VtiFieldReader::readlword() {
  uint8_t b[4];
  readExactly(b, 4);
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

std::string VtiFieldReader::readstring(int count) {
  std::string bytes(static_cast<size_t>(count), '\0');
  readExactly(reinterpret_cast<uint8_t*>(bytes.data()), count);
  return bytes.substr(0, bytes.find('\0'));
}

// Asked of the file's size rather than read, so a huge count in a damaged
// file costs nothing before it fails.
void VtiFieldReader::readPast(int64_t count) {
  int64_t end = input_.position() + count;
  if (end > input_.size()) throw StreamReadError(input_.path(), 0);
  input_.seek(end);
}

void VtiFieldReader::requireEntries(int64_t count, int64_t entryBytes, int64_t most) {
  if (count > most)
    throw KlarvexError("Stream read error", "reading \"" + input_.path() + "\": " + IntText(count) +
                                                " entries, more than the " + IntText(most) + " a table holds");
  if (input_.position() + count * entryBytes > input_.size()) throw StreamReadError(input_.path(), 0);
}

namespace {

// The bytes of one entry as the readers below take them.
constexpr int64_t kInfoEntryBytes = 2 + 255 + 1 + 5 * 4 + 2 + 2 + 4 * 4 + 2 * 2 + 18;
// An EVOB's entry gives its index in 16 bits: no table holds more.
constexpr int64_t kMostInfoEntries = 65535;

struct TableStarts {
  uint32_t attrSector = 0;  // A
  uint32_t infoSector = 0;  // B
};

TableStarts ReadHeaderRest(VtiFieldReader& in) {
  in.readPast(16);
  in.readlword();
  in.readword();
  in.readlword();
  in.readPast(90);
  in.readlword();
  in.readPast(52);
  TableStarts starts;
  starts.attrSector = in.readlword();
  starts.infoSector = in.readlword();
  in.readPast(kHeaderEnd - 192);
  return starts;
}

void ReadAudioAttrs(VtiFieldReader& in, std::array<AudioAttr, EvobAttr::kAudioSlots>& attrs) {
  for (AudioAttr& attr : attrs)
    for (uint8_t& byte : attr) byte = in.readbyte();
}

EvobAttr ReadAttrEntry(VtiFieldReader& in) {
  EvobAttr a;
  a.flags = in.readword();
  a.mainVideo = in.readlword();
  a.subVideo = in.readlword();
  in.readword();
  in.readword();
  a.mainAudioCount = in.readword();
  ReadAudioAttrs(in, a.mainAudio);
  in.readPast(144);
  a.subAudioCount = in.readword();
  ReadAudioAttrs(in, a.subAudio);
  in.readword();
  a.subpictureCount = in.readword();
  for (SubpictureAttr& attr : a.subpicture)
    for (uint8_t& byte : attr) byte = in.readbyte();
  in.readPast(64);
  in.readPast(64);
  in.readPast(506);
  return a;
}

EvobAttrTable ReadAttrTable(VtiFieldReader& in, uint32_t sector, MessageLog& log) {
  const int64_t start = int64_t{sector} * kSector;
  in.seek(start);
  const uint16_t count = in.readword();
  in.readword();
  in.readlword();
  const uint32_t firstOffset = in.readlword();
  in.seek(start + firstOffset);
  log.log(IntText(count) + " VTS_EVOB_ATRs found.");
  EvobAttrTable table;
  for (int i = 0; i < count; ++i) table.push_back(ReadAttrEntry(in));
  return table;
}

EvobInfo ReadInfoEntry(VtiFieldReader& in) {
  EvobInfo r;
  r.type = in.readword();
  r.name = in.readstring(255);
  in.readPast(1);
  r.addressOffset = in.readlword();
  r.attrNumber = in.readlword();
  r.startPtm = in.readlword();
  r.endPtm = in.readlword();
  r.size = in.readlword();
  r.index = in.readword();
  in.readPast(2);
  for (int i = 0; i < 4; ++i) in.readlword();
  for (int i = 0; i < 2; ++i) in.readword();
  in.readPast(18);
  return r;
}

EvobInfoTable ReadInfoTable(VtiFieldReader& in, uint32_t sector, MessageLog& log) {
  in.seek(int64_t{sector} * kSector);
  const uint32_t count = in.readlword();
  in.readlword();
  in.readPast(int64_t{count} * 4);
  log.log(IntText(count) + " VTS_EVOBIs found.");
  in.requireEntries(count, kInfoEntryBytes, kMostInfoEntries);
  EvobInfoTable table;
  for (uint32_t i = 0; i < count; ++i) table.push_back(ReadInfoEntry(in));
  return table;
}

}  // namespace

std::optional<VtiTables> ReadVtiFile(InputFile& input, MessageLog& log) {
  VtiFieldReader in(input);
  if (in.readstring(12) != "ADVANCED-VTS") return std::nullopt;
  const TableStarts starts = ReadHeaderRest(in);
  VtiTables tables;
  tables.attrTable = ReadAttrTable(in, starts.attrSector, log);
  tables.infoTable = ReadInfoTable(in, starts.infoSector, log);
  return tables;
}

bool ReadVtiTables(InputFile& input, const std::string& sourceName, VtiModel& model, MessageLog& log) {
  std::optional<VtiTables> tables;
  try {
    tables = ReadVtiFile(input, log);
  } catch (...) {
    // What was read so far is no description of the file: keep none of it.
    ClearVtiTables(model);
    throw;
  }
  if (!tables) return false;
  ShowVtiTables(model, std::move(*tables), sourceName);
  return true;
}

}  // namespace klarvex
