// Byte helpers for tests that build streams and compare outputs.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace klarvex::testing {

using Bytes = std::vector<uint8_t>;

// `n` bytes of a recognisable pattern that never holds 00 or 01, so it can't
// form a start code.
inline Bytes Data(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(0x40 + (i * 13 + seed) % 0x3F);
  return b;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace klarvex::testing
