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
  StreamFacts facts;
  switch (call.route) {
    case AnalyserRoute::Mpeg2Video: {
      Mpeg2Facts video = Mpeg2Info(view, call.start, call.count, call.pts, call.streamNumber, log);
      facts.frameRate = video.frameRate;
      facts.width = video.width;
      facts.height = video.height;
      break;
    }
    case AnalyserRoute::H264Video:
      facts.frameRate = H264Info(view, call.start, call.count, call.streamNumber, log);
      break;
    case AnalyserRoute::Vc1Video:
      facts.frameRate = Vc1Info(view, call.start, call.count, call.streamNumber, log);
      break;
    case AnalyserRoute::Ac3:
      Ac3Info(view, call.start, call.count, call.streamNumber, log);
      break;
    case AnalyserRoute::Dts:
      DtsInfo(view, call.start, call.count, call.streamNumber, log);
      break;
    case AnalyserRoute::Mlp:
      MlpInfo(view, call.start, call.count, log);
      break;
    case AnalyserRoute::Lpcm: {
      LpcmFormat format = LpcmInfo(view, call.start, call.count, log);
      facts.channels = format.channels;
      facts.sampleRate = format.sampleRate;
      facts.bitsPerSample = format.bitsPerSample;
      break;
    }
    case AnalyserRoute::Subpicture:
      SubpictureFormat(view, call.start, log);
      break;
  }
  return facts;
}

}  // namespace klarvex
