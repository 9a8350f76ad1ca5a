#include "engine/stream_ids.h"

#include <array>

namespace klarvex {

namespace {

constexpr std::array<StreamIdentity, 10> kIdentities{{
    {0xE0, 0xE1, StreamKind::Mpeg2Video, Section::Video, 0x01, "[b]MPEG-2[/b] video stream ", "MPEG-2.stream"},
    {0xE2, 0xE3, StreamKind::H264Video, Section::Video, 0x01, "[b]H.264 (AVC)[/b] video stream ", "H.264.stream"},
    {0x55, 0x56, StreamKind::Vc1Video, Section::Video, 0xFF, "[b]VC-1[/b] video stream ", "VC-1.stream"},
    {0x80, 0x87, StreamKind::Ac3, Section::Audio, 0x07, "[b]Dolby Digital[/b] audio stream ", "DD.stream"},
    {0x88, 0x8F, StreamKind::Dts, Section::Audio, 0x07, "[b]DTS HD (DTS)[/b] audio stream ", "DTSHD.stream"},
    {0xA0, 0xA7, StreamKind::Lpcm, Section::Audio, 0x0F, "[b]LPCM[/b] audio stream ", "LPCM.stream"},
    {0xB0, 0xB7, StreamKind::TrueHd, Section::Audio, 0x07, "[b]Dolby TrueHD[/b] audio stream ", "MLP.stream"},
    {0xC0, 0xCF, StreamKind::Eac3, Section::Audio, 0x0F, "[b]Dolby Digital[/b] Plus audio stream ", "DD+.stream"},
    {0x20, 0x3F, StreamKind::Subpicture, Section::Subpicture, 0x1F, "[b]Subpicture[/b] stream ", "Subpicture"},
    {0x60, 0x7F, StreamKind::ExtSubpicture, Section::Subpicture, 0x1F, "[b]Extended subpicture[/b] stream ", "Ext.Subpicture"},
}};

}  // namespace

const StreamIdentity* SubstreamIdentity(uint8_t id) {
  for (const StreamIdentity& identity : kIdentities) {
    if (identity.section == Section::Video) continue;
    if (id >= identity.first && id <= identity.last) return &identity;
  }
  return nullptr;
}

const StreamIdentity* IdentityOfStreamId(int32_t streamId) {
  if (streamId < 0 || streamId > 0xFF) return nullptr;
  for (const StreamIdentity& identity : kIdentities) {
    if (streamId >= identity.first && streamId <= identity.last) return &identity;
  }
  return nullptr;
}

}  // namespace klarvex
