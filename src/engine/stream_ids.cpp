#include "engine/stream_ids.h"

#include <array>

#include "base/text_format.h"

namespace klarvex {

namespace {

using R = AnalyserRoute;
using V = VideoKind;
constexpr Carrier kPes = Carrier::PesStreamId, kExt = Carrier::Vc1Extension, kSub = Carrier::Substream;

constexpr std::array<StreamIdentity, 10> kIdentities{{
    {0xE0, 0xE1, 0xE0, kPes, StreamKind::Mpeg2Video, Section::Video, 0, R::Mpeg2Video, V::Mpeg2,
     "[b]MPEG-2[/b] video stream ", "MPEG-2.stream"},
    {0xE2, 0xE3, 0xE2, kPes, StreamKind::H264Video, Section::Video, 0, R::H264Video, V::H264,
     "[b]H.264 (AVC)[/b] video stream ", "H.264.stream"},
    {0x55, 0x56, 0x55, kExt, StreamKind::Vc1Video, Section::Video, 0, R::Vc1Video, V::Vc1, "[b]VC-1[/b] video stream ",
     "VC-1.stream"},
    {0x80, 0x87, 0x80, kSub, StreamKind::Ac3, Section::Audio, 4, R::Ac3, V::None, "[b]Dolby Digital[/b] audio stream ",
     "DD.stream"},
    {0x88, 0x8F, 0x88, kSub, StreamKind::Dts, Section::Audio, 4, R::Dts, V::None, "[b]DTS HD (DTS)[/b] audio stream ",
     "DTSHD.stream"},
    {0xA0, 0xA7, 0xA0, kSub, StreamKind::Lpcm, Section::Audio, 7, R::Lpcm, V::None, "[b]LPCM[/b] audio stream ",
     "LPCM.stream"},
    {0xB0, 0xB7, 0xB0, kSub, StreamKind::TrueHd, Section::Audio, 5, R::Mlp, V::None,
     "[b]Dolby TrueHD[/b] audio stream ", "MLP.stream"},
    {0xC0, 0xCF, 0xC0, kSub, StreamKind::Eac3, Section::Audio, 4, R::Ac3, V::None,
     "[b]Dolby Digital[/b] Plus audio stream ", "DD+.stream"},
    {0x20, 0x3F, 0x20, kSub, StreamKind::Subpicture, Section::Subpicture, 1, R::Subpicture, V::None,
     "[b]Subpicture[/b] stream ", "Subpicture"},
    {0x60, 0x7F, 0x60, kSub, StreamKind::ExtSubpicture, Section::Subpicture, 1, R::Subpicture, V::None,
     "[b]Extended subpicture[/b] stream ", "Ext.Subpicture"},
}};

// Substream A1 of a DVD-Audio AOB carries MLP: LPCM's slot, header and box
// name, the MLP analyser and message.
constexpr StreamIdentity kAobMlp{0xA1,           0xA1, 0xA0,   kSub,    StreamKind::Mlp,
                                 Section::Audio, 7,    R::Mlp, V::None, "[b]MLP[/b] audio stream ",
                                 "LPCM.stream"};

constexpr std::array<PesKind, 256> MakePesKinds() {
  std::array<PesKind, 256> kinds{};
  for (auto& k : kinds) k = PesKind::NotOurs;
  for (int id = 0xC0; id <= 0xDF; ++id) kinds[id] = PesKind::MpegAudio;
  for (int id = 0xE0; id <= 0xE3; ++id) kinds[id] = PesKind::Video;
  kinds[0xFD] = PesKind::Extended;
  kinds[0xBD] = PesKind::Private1;
  kinds[0xBF] = PesKind::Navigation;
  kinds[0xBC] = kinds[0xBE] = PesKind::Skip;
  return kinds;
}

constexpr std::array<PesKind, 256> kPesKinds = MakePesKinds();

// The identity of `id` among those written in `carrier`.
constexpr const StreamIdentity* Find(uint8_t id, Carrier carrier) {
  for (const StreamIdentity& identity : kIdentities)
    if (identity.carrier == carrier && id >= identity.first && id <= identity.last) return &identity;
  return nullptr;
}

using Lookup = std::array<const StreamIdentity*, 256>;

constexpr Lookup MakeLookup(Carrier carrier) {
  Lookup lookup{};
  for (int id = 0; id < 256; ++id) lookup[id] = Find(static_cast<uint8_t>(id), carrier);
  return lookup;
}

constexpr Lookup kSubstreams = MakeLookup(kSub);

}  // namespace

PesKind PesKindOf(uint8_t streamId) { return kPesKinds[streamId]; }

const StreamIdentity* PesVideoIdentity(uint8_t streamId) { return Find(streamId, kPes); }

const StreamIdentity* ExtensionIdentity(uint8_t extension) { return Find(extension, kExt); }

const StreamIdentity& ExtendedStreamCoding() { return *Find(0x55, kExt); }

const StreamIdentity* SubstreamIdentity(uint8_t id, bool aob) {
  if (aob && id == kAobMlp.first) return &kAobMlp;
  return kSubstreams[id];
}

bool IsDvdAudioSource(const std::string& extension) { return UpperCase(extension) == ".AOB"; }

const StreamIdentity* IdentityOfStreamId(int32_t streamId, bool aob) {
  if (streamId < 0 || streamId > 0xFF) return nullptr;
  if (aob && streamId == kAobMlp.first) return &kAobMlp;
  for (const StreamIdentity& identity : kIdentities)
    if (streamId >= identity.first && streamId <= identity.last) return &identity;
  return nullptr;
}

}  // namespace klarvex
