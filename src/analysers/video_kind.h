#pragma once

namespace klarvex {

// The video codings the walker tells apart, for the analysers and the
// frame counter.
enum class VideoKind { None, Mpeg2, H264, Vc1 };

}  // namespace klarvex
