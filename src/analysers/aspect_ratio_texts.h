// Sample aspect ratio texts by code, shared by the VC-1 (ASPECT_RATIO) and
// H.264 (aspect_ratio_idc) analysers. The rows are shown exactly as they
// stand, their quirks ("48$576", the closing quote of row 15) included.
#pragma once

#include <array>
#include <string_view>

#include "analysers/stream_facts.h"

namespace klarvex {

inline constexpr std::array<std::string_view, 16> AspectRatioTexts = {
    "unspecified",
    "[bl]1:1[/bl] (square samples)",
    "[bl]12:11[/bl] (704x576 4:3)",
    "[bl]10:11[/bl] (704x480 4:3)",
    "[bl]16:11[/bl] (704x576 16:9)",
    "[bl]40:33[/bl] (704x480 16:9)",
    "[bl]24:11[/bl] (352x576 4:3)",
    "[bl]20:11[/bl] (352x480 4:3)",
    "[bl]32:11[/bl] (352x576 16:9)",
    "[bl]80:33[/bl] (352x480 16:9)",
    "[bl]18:11[/bl] (48$576 4:3)",
    "[bl]15:11[/bl] (48$480 4:3)",
    "[bl]64:33[/bl] (528x576 16:9)",
    "[bl]160:99[/bl] (528x480 16:9)",
    "[bl]4:3[/bl]",
    "[bl]3:2[/bl]\"",
};

// The sample aspect ratios of those codes; H.264 adds 16 (2:1). Code 0 is
// unspecified, and VC-1 reserves 14 and takes 15 as its escape.
inline constexpr std::array<Ratio, 17> SampleAspectRatios = {{
    {0, 1},
    {1, 1},
    {12, 11},
    {10, 11},
    {16, 11},
    {40, 33},
    {24, 11},
    {20, 11},
    {32, 11},
    {80, 33},
    {18, 11},
    {15, 11},
    {64, 33},
    {160, 99},
    {4, 3},
    {3, 2},
    {2, 1},
}};

// The display aspect ratio of a picture of width x height shown with
// samples of `sample` (sample width over sample height).
inline std::optional<Ratio> DisplayAspectRatio(std::optional<Ratio> sample, int64_t width, int64_t height) {
  if (!sample || width <= 0 || height <= 0) return std::nullopt;
  return ReducedRatio(sample->numerator * width, sample->denominator * height);
}

}  // namespace klarvex
