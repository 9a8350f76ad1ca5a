#include "engine/payload_output.h"

#include "base/files.h"

namespace klarvex {

void WriteSupHeader(OutputFile& file, uint32_t presentationTime) {
  uint8_t header[10] = {'S', 'P'};
  for (int i = 0; i < 4; ++i) header[2 + i] = static_cast<uint8_t>(presentationTime >> (8 * i));
  file.writeAll(header, sizeof header);
}

}  // namespace klarvex
