// Sample aspect ratio texts by code, shared by the VC-1 (ASPECT_RATIO) and
// H.264 (aspect_ratio_idc) analysers. The rows are shown exactly as they
// stand, their quirks ("48$576", the closing quote of row 15) included.
#pragma once

#include <array>
#include <string_view>

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

}  // namespace klarvex
