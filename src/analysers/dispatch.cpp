#include "analysers/dispatch.h"

#include "analysers/ac3_info.h"
#include "analysers/dts_info.h"
#include "analysers/h264_info.h"
#include "analysers/lpcm_info.h"
#include "analysers/mlp_info.h"
#include "analysers/mpeg2_info.h"
#include "analysers/subpicture_format.h"
#include "analysers/vc1_info.h"

namespace klarvex {

StreamFacts AnalyseFirstPayload(const ByteView& view, const AnalyserCall& call, MessageLog& log) {
  switch (call.route) {
    case AnalyserRoute::Mpeg2Video:
      return Mpeg2Info(view, call.start, call.count, call.pts, call.streamNumber, log);
    case AnalyserRoute::H264Video:
      return H264Info(view, call.start, call.count, call.streamNumber, log);
    case AnalyserRoute::Vc1Video:
      return Vc1Info(view, call.start, call.count, call.streamNumber, log);
    case AnalyserRoute::Ac3:
      return Ac3Info(view, call.start, call.count, call.streamNumber, log);
    case AnalyserRoute::Dts:
      return DtsInfo(view, call.start, call.count, call.streamNumber, log);
    case AnalyserRoute::Mlp:
      return MlpInfo(view, call.start, call.count, log);
    case AnalyserRoute::Lpcm:
      return LpcmInfo(view, call.start, call.count, log);
    case AnalyserRoute::Subpicture:
      return SubpictureFormat(view, call.start, log);
  }
  return {};
}

}  // namespace klarvex
