// libFuzzer target for one analyser (chosen at build time by
// KLARVEX_FUZZ_ROUTE): the input is a first payload as the walker would
// hand it, its first byte choosing where in the buffer the piece starts
// and how much of it lies in the buffer, so reads near both ends are tried.
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "analysers/dispatch.h"
#include "fuzz_support.h"

namespace {

using klarvex::fuzzing::MemoryFile;
using klarvex::fuzzing::QuietHost;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint8_t shape = data[0];
  // An exact-size copy: any read past what was loaded would leave it.
  std::vector<uint8_t> buffer(data + 1, data + size);
  klarvex::ByteView view{buffer.data(), static_cast<int64_t>(buffer.size())};
  int64_t start = shape & 0x07;  // LPCM reads the 7 bytes before the start
  if (start >= view.loaded) start = 0;
  int64_t count = view.loaded - start;
  if (shape & 0x80) count = count / 2;  // a piece that ends before the buffer does
  klarvex::AnalyserCall call{KLARVEX_FUZZ_ROUTE, start, count, 0x12345678u, (shape >> 3) & 1};
  QuietHost log;  // discards what is logged
  const klarvex::StreamFacts facts = klarvex::AnalyseFirstPayload(view, call, log);
  // What the facts promise whatever the bytes: no negative size, rate or
  // count, and ratios above zero in lowest terms.
  auto badRatio = [](const std::optional<klarvex::Ratio>& r) {
    return r && (r->numerator <= 0 || r->denominator <= 0 || std::gcd(r->numerator, r->denominator) != 1);
  };
  if (facts.width < 0 || facts.height < 0 || facts.bitRate < 0 || facts.channels < 0 || facts.sampleRate < 0 ||
      facts.bitsPerSample < 0 || badRatio(facts.frameRateExact) || badRatio(facts.aspectRatio))
    __builtin_trap();
  return 0;
}
