// What an analyser found of a stream, as plain values that no locale
// touches: the command line's JSON and the muxing jobs read these, while
// the log says the same in words. Zero, none or empty where the first
// payload did not say.
#pragma once

#include <cstdint>
#include <numeric>
#include <optional>
#include <string_view>

namespace klarvex {

// An exact ratio in lowest terms: 24000/1001, 16/9.
struct Ratio {
  int64_t numerator = 0;
  int64_t denominator = 1;
  bool operator==(const Ratio&) const = default;
};

// numerator/denominator reduced; none unless both are above zero.
constexpr std::optional<Ratio> ReducedRatio(int64_t numerator, int64_t denominator) {
  if (numerator <= 0 || denominator <= 0) return std::nullopt;
  const int64_t divisor = std::gcd(numerator, denominator);
  return Ratio{numerator / divisor, denominator / divisor};
}

enum class ScanType : uint8_t { Unknown, Progressive, Interlaced };

struct StreamFacts {
  std::optional<double> frameRate;  // video: frames per second, what the frame report counts with
  int channels = 0;                 // audio: every channel, LFE included (5.1 is 6)
  int sampleRate = 0;               // audio, Hz
  int bitsPerSample = 0;            // audio, word length
  // A fixed English token: "MPEG-2", "VC-1", "H.264", "AC-3", "E-AC-3",
  // "DTS", "DTS-HD", "TrueHD", "MLP", "LPCM", "Subpicture".
  std::string_view coding;
  // Video: the picture size. MPEG-2 the sequence header's size, VC-1 the
  // maximum coded size (its display size stays in the log), H.264 the
  // SPS's size after cropping.
  int64_t width = 0;
  int64_t height = 0;
  std::optional<Ratio> frameRateExact;  // video: the rate the stream states
  std::optional<Ratio> aspectRatio;     // video: display aspect ratio
  ScanType scan = ScanType::Unknown;    // video
  // bit/s as the stream states it: MPEG-2 and H.264 their (maximum) rate,
  // VC-1 its first leaky bucket's, AC-3 the nominal rate, E-AC-3 the one
  // its frame size gives, DTS the transmission rate, LPCM the sample rate
  // times word length times channels.
  int64_t bitRate = 0;
  int rleBits = 0;  // subpicture: 2 (DVD) or 8 (HD DVD) bit run-length coding
};

}  // namespace klarvex
