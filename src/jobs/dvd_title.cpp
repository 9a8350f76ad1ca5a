#include "jobs/dvd_title.h"

#include "base/path_kind.h"
#include "base/text_format.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

// The language the title set gives a carried stream: audio n of 0x80+n,
// 0x88+n, 0xA0+n; subpicture n of 0x20+n.
std::string LanguageOf(const DvdTitleInfo& title, int32_t streamId) {
  const StreamIdentity* identity = IdentityOfStreamId(streamId);
  if (!identity) return "";
  const int n = identity->number(static_cast<uint8_t>(streamId));
  switch (identity->kind) {
    case StreamKind::Ac3:
    case StreamKind::Dts:
    case StreamKind::Lpcm:
      return AudioLanguageOfStream(title, n);
    case StreamKind::Subpicture:
      return SubpictureLanguageOfStream(title, n);
    default:
      return "";
  }
}

// The IFO beside a DVD-Video VOB read, and its languages given to the
// read's streams.
std::optional<DvdTitleInfo> ReadAndLabel(AppState& state, Host& host) {
  if (!IsDvdVideoSource(state)) return std::nullopt;
  std::string whyNot;
  const std::string ifoPath = DvdIfoPathFor(state.eEVOfile, whyNot);
  if (ifoPath.empty() || KindOfPath(ifoPath) == PathKind::Missing) return std::nullopt;
  std::optional<DvdTitleInfo> title = ReadDvdTitleInfo(state.eEVOfile, whyNot);
  if (!title) {
    host.warn("IFO not read, no stream languages: " + whyNot);
    return title;
  }
  for (Section section : {Section::Audio, Section::Subpicture}) {
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      const int32_t id = state.engine.streams.slot(section, n).streamId;
      if (id >= 0) state.label(section, n).language = LanguageOf(*title, id);
    }
  }
  return title;
}

}  // namespace

bool IsDvdVideoSource(const AppState& state) { return UpperCase(ExtensionOf(state.eEVOfile)) == ".VOB"; }

std::optional<DvdTitleInfo> LabelDvdStreams(AppState& state, Host& host) {
  if (state.dvdTitleAsked) return state.dvdTitle;  // one read of the IFO, one warning, per read of the title
  state.dvdTitleAsked = true;
  state.dvdTitle = ReadAndLabel(state, host);
  return state.dvdTitle;
}

}  // namespace klarvex
