#include "analysers/lpcm_info.h"

#include <array>
#include <string>

#include "analysers/audio_texts.h"

namespace klarvex {

namespace {

// The walker has consumed the private stream 1 substream header and the LPCM
// header in front of the payload; their fields are read back at these
// offsets from the first audio byte (the substream id at -7 is not used).
constexpr int64_t kFrameHeaderCountAt = -6;
constexpr int64_t kFirstAccessUnitAt = -5;  // 16 bits
constexpr int64_t kFrameInfoAt = -3;        // emphasis, mute, frame number
constexpr int64_t kFormatAt = -2;           // word length, sample rate, channels
constexpr int64_t kDynamicRangeAt = -1;

constexpr uint8_t kNoDynamicRange = 0x80;

// By the word length and sample rate codes; code 3 has no value.
constexpr std::array<int, 4> kWordLengths = {16, 20, 24, 0};
constexpr std::array<int, 4> kSampleRates = {48000, 96000, 192000, 0};

std::string OnOff(bool on) { return on ? "on" : "off"; }

void LogFrameInfo(uint8_t info, MessageLog& log) {
  log.log("   Emphasis = " + OnOff(info & 0x80) + ", mute = " + OnOff(info & 0x40));
  log.log("   Frame number = " + IntText(info & 0x1F));
}

void LogFormat(uint8_t format, StreamFacts& facts, MessageLog& log) {
  const uint8_t wordLength = format >> 6;
  const uint8_t rate = (format >> 4) & 3;
  facts.channels = (format & 7) + 1;  // channels minus one in the three low bits
  facts.sampleRate = kSampleRates[rate];
  facts.bitsPerSample = kWordLengths[wordLength];
  facts.bitRate = int64_t{facts.sampleRate} * facts.bitsPerSample * facts.channels;
  log.log("   Quantization length = [bl]" + TableText(QuantizationTexts, wordLength) + "[/bl] bits");
  log.log("   Sampling frequency = [bl]" + TableText(SampleRateTexts, rate) + "[/bl] kHz");
  log.log("   Number of audio channels = [bl]" + IntText(facts.channels) + "[/bl]");
}

}  // namespace

StreamFacts LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log) {
  StreamFacts facts;
  facts.coding = "LPCM";
  if (count < 1) return facts;
  log.log("   Number of frame headers = " + IntText(view.at(start + kFrameHeaderCountAt)));
  log.log("   First acces unit pointer = " + HexText(view.be16(start + kFirstAccessUnitAt), 4));
  LogFrameInfo(view.at(start + kFrameInfoAt), log);
  LogFormat(view.at(start + kFormatAt), facts, log);
  uint8_t dynamicRange = view.at(start + kDynamicRangeAt);
  if (dynamicRange != kNoDynamicRange) log.log("   Dynamic range = " + DynamicRangeText(dynamicRange) + " dB");
  return facts;
}

}  // namespace klarvex
