// The two tables of a title set information file (HVA00001.VTI), as read:
// one attribute record per VTS_EVOB_ATR entry, one information record per
// VTS_EVOBI entry. Numbers are the file's big-endian values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace klarvex {

// What one audio or subpicture stream attribute holds, byte by byte.
using AudioAttr = std::array<uint8_t, 4>;
using SubpictureAttr = std::array<uint8_t, 5>;

struct EvobAttr {
  static constexpr int kAudioSlots = 8;
  static constexpr int kSubpictureSlots = 32;

  uint16_t flags = 0;  // bits 11-10: sub video present; bits 9-8: sub audio present
  uint32_t mainVideo = 0;
  uint32_t subVideo = 0;
  uint16_t mainAudioCount = 0;
  std::array<AudioAttr, kAudioSlots> mainAudio{};
  uint16_t subAudioCount = 0;
  std::array<AudioAttr, kAudioSlots> subAudio{};
  uint16_t subpictureCount = 0;
  std::array<SubpictureAttr, kSubpictureSlots> subpicture{};
};

struct EvobInfo {
  uint16_t type = 0;  // bits 13-12 application type, 6-5 and 4-3 audio gaps
  std::string name;
  uint32_t addressOffset = 0;
  uint32_t attrNumber = 0;  // counted from 1; anything else names no entry
  uint32_t startPtm = 0;
  uint32_t endPtm = 0;
  uint32_t size = 0;  // in logical blocks
  uint16_t index = 0;
};

using EvobAttrTable = std::vector<EvobAttr>;
using EvobInfoTable = std::vector<EvobInfo>;

struct VtiTables {
  EvobAttrTable attrTable;
  EvobInfoTable infoTable;
};

}  // namespace klarvex
