// Texts shared by the MLP / TrueHD and LPCM analysers: word lengths, sample
// rates and the dynamic range value of a header byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_format.h"

namespace klarvex {

// Bits per sample, by word length code; codes 3 and above have no text.
inline constexpr std::array<std::string_view, 16> QuantizationTexts = {"16", "20", "24"};

// kHz, by sample rate code: 0 to 2 the 48 kHz family, 8 to 10 the 44.1 kHz one.
inline constexpr std::array<std::string_view, 16> SampleRateTexts = {"48", "96", "192",  "",     "",     "",
                                                                     "",   "",   "44.1", "88.2", "176.4"};

// The row's text; a code from a damaged stream that has no row reads as "".
template <std::size_t N>
std::string TableText(const std::array<std::string_view, N>& table, uint32_t code) {
  return code < N ? std::string(table[code]) : std::string();
}

// A gain coded in one byte: the top 3 bits count 6.0206 dB steps down from
// 24.082 dB, the low 5 bits 0.2007 dB steps.
inline std::string DynamicRangeText(uint8_t code) {
  return GeneralNumberText(24.082 - 6.0206 * (code >> 5) - 0.2007 * (code & 0x1F));
}

}  // namespace klarvex
