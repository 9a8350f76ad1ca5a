// Builds title set information files for the VTI tests: the header, one
// attribute table and one information table, big-endian.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace klarvex::testing {

using VtiBytes = std::vector<uint8_t>;

inline void PutWord(VtiBytes& b, size_t at, uint32_t value) {
  b[at] = static_cast<uint8_t>(value >> 8);
  b[at + 1] = static_cast<uint8_t>(value);
}

inline void PutLword(VtiBytes& b, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Video attributes from their fields.
inline uint32_t VideoBits(int compression, int tv, int aspect, int scan, int resolution) {
  return uint32_t(compression) << 29 | uint32_t(tv) << 26 | uint32_t(aspect) << 24 | uint32_t(scan) << 20 |
         uint32_t(resolution) << 12;
}

struct VtiAttrFields {
  uint16_t flags = 0;
  uint32_t mainVideo = 0;
  uint32_t subVideo = 0;
  std::vector<VtiBytes> mainAudio;  // 3 or 4 bytes each, at most 8
  int mainAudioCount = -1;          // -1: the number of mainAudio
  std::vector<VtiBytes> subAudio;
  int subAudioCount = -1;
  std::vector<uint8_t> subpictureCodingBytes;  // byte 0 of each, at most 32
  int subpictureCount = -1;
};

inline VtiBytes AttrEntry(const VtiAttrFields& s) {
  VtiBytes e(1024, 0);
  PutWord(e, 0, s.flags);
  PutLword(e, 2, s.mainVideo);
  PutLword(e, 6, s.subVideo);
  PutWord(e, 14, s.mainAudioCount < 0 ? uint32_t(s.mainAudio.size()) : uint32_t(s.mainAudioCount));
  for (size_t i = 0; i < s.mainAudio.size(); ++i)
    for (size_t k = 0; k < s.mainAudio[i].size(); ++k) e[16 + 4 * i + k] = s.mainAudio[i][k];
  PutWord(e, 192, s.subAudioCount < 0 ? uint32_t(s.subAudio.size()) : uint32_t(s.subAudioCount));
  for (size_t i = 0; i < s.subAudio.size(); ++i)
    for (size_t k = 0; k < s.subAudio[i].size(); ++k) e[194 + 4 * i + k] = s.subAudio[i][k];
  PutWord(e, 228, s.subpictureCount < 0 ? uint32_t(s.subpictureCodingBytes.size()) : uint32_t(s.subpictureCount));
  for (size_t i = 0; i < s.subpictureCodingBytes.size(); ++i) e[230 + 5 * i] = s.subpictureCodingBytes[i];
  return e;
}

struct VtiInfoFields {
  uint16_t type = 0x2000;
  std::string name;  // written as is, NUL bytes after it
  uint32_t address = 0;
  uint32_t attrNumber = 1;
  uint32_t startPtm = 0;
  uint32_t endPtm = 0;
  uint32_t size = 0;
  uint16_t index = 0;
};

inline VtiBytes InfoEntry(const VtiInfoFields& s) {
  VtiBytes e(320, 0);
  PutWord(e, 0, s.type);
  for (size_t i = 0; i < s.name.size() && i < 256; ++i) e[2 + i] = static_cast<uint8_t>(s.name[i]);
  PutLword(e, 258, s.address);
  PutLword(e, 262, s.attrNumber);
  PutLword(e, 266, s.startPtm);
  PutLword(e, 270, s.endPtm);
  PutLword(e, 274, s.size);
  PutWord(e, 278, s.index);
  return e;
}

// Header in sector 0, the attribute table in sector 1 (entries from byte
// 16 of it), the information table in the sector after the attributes.
inline VtiBytes VtiFile(const std::vector<VtiAttrFields>& attrs, const std::vector<VtiInfoFields>& infos,
                        const std::string& identifier = "ADVANCED-VTS") {
  const size_t attrStart = 2048;
  const size_t infoSector = (attrStart + 16 + 1024 * attrs.size() + 2047) / 2048;
  VtiBytes b(infoSector * 2048 + 8 + 4 * infos.size(), 0);
  for (size_t i = 0; i < identifier.size() && i < 12; ++i) b[i] = static_cast<uint8_t>(identifier[i]);
  PutLword(b, 184, 1);
  PutLword(b, 188, static_cast<uint32_t>(infoSector));
  PutWord(b, attrStart, static_cast<uint32_t>(attrs.size()));
  PutLword(b, attrStart + 8, 16);
  for (size_t i = 0; i < attrs.size(); ++i) {
    VtiBytes e = AttrEntry(attrs[i]);
    std::copy(e.begin(), e.end(), b.begin() + static_cast<std::ptrdiff_t>(attrStart + 16 + 1024 * i));
  }
  PutLword(b, infoSector * 2048, static_cast<uint32_t>(infos.size()));
  for (const VtiInfoFields& info : infos) {
    VtiBytes e = InfoEntry(info);
    b.insert(b.end(), e.begin(), e.end());
  }
  return b;
}

inline void WriteVti(const std::string& path, const VtiBytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Two EVOBs sharing one attribute entry: DD/DD+ 5.1 and LPCM 96 kHz 24 bit,
// one subpicture stream.
inline VtiBytes TwoEvobVti() {
  VtiAttrFields attr;
  attr.mainVideo = VideoBits(3, 0, 3, 1, 12);
  attr.mainAudio = {{0x1C, 0x00, 0x14}, {0x14, 0x20, 0x94}};
  attr.subpictureCodingBytes = {0x20};
  VtiInfoFields one{0x2000, "FEATURE_1.EVO", 0, 1, 0x17124, 0x6F0CC, 1833, 1};
  VtiInfoFields two{0x2000, "FEATURE_2.EVO", 0x729, 1, 0x6F0CC, 0xC7074, 1831, 2};
  return VtiFile({attr}, {one, two});
}

}  // namespace klarvex::testing
