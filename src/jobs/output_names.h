// Names of the files a job writes.
#pragma once

#include <string>

#include "engine/stream_ids.h"

namespace klarvex {

// A box caption made safe as part of a file name: "/", "\" and control
// bytes become "_", and a caption of dots alone becomes underscores, so
// every output stays in the output folder whatever the playlist named it.
std::string SafeCaption(const std::string& caption);

// OutputPrefix + "." + caption + "." + extension, its name shortened to
// what file systems take (FitFileName).
std::string OutputFileName(const std::string& outputPrefix, const std::string& caption, const std::string& extension);

// The extension "Extensions by coding" gives a stream of `kind`: m2v, h264,
// vc1, ac3, eac3, dts, thd, mlp, wav (pcm when LPCM stays as carried), sup.
std::string CodingExtension(StreamKind kind, bool lpcmAsWav);

}  // namespace klarvex
