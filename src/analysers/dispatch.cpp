#include "analysers/dispatch.h"

namespace klarvex {

std::optional<double> AnalyseFirstPayload(const ByteView& view, const AnalyserCall& call, MessageLog& log) {
  // The coding analysers plug in here, one per route. Until a coding has
  // its analyser, its streams are listed without a description.
  (void)view;
  (void)log;
  switch (call.route) {
    case AnalyserRoute::Mpeg2Video:
    case AnalyserRoute::H264Video:
    case AnalyserRoute::Vc1Video:
    case AnalyserRoute::Ac3:
    case AnalyserRoute::Dts:
    case AnalyserRoute::Mlp:
    case AnalyserRoute::Lpcm:
      break;
  }
  return std::nullopt;
}

}  // namespace klarvex
