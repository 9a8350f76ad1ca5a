// The VTI tab's decoding: the bit fields of the two tables turned into the
// entries of the fixed lists and the rows of the stream grids.
#pragma once

#include <cstdint>
#include <string>

#include "navigation/vti_model.h"

namespace klarvex {

// The bit fields (bit 0 is the least significant bit of the value as read).
inline int ApplicationType(uint16_t type) { return (type >> 12) & 3; }
inline int AudioGap0(uint16_t type) { return (type >> 5) & 3; }
inline int AudioGap1(uint16_t type) { return (type >> 3) & 3; }
inline bool SubVideoPresent(uint16_t flags) { return ((flags >> 10) & 3) == 1; }
inline bool SubAudioPresent(uint16_t flags) { return ((flags >> 8) & 3) == 1; }
inline int VideoCompression(uint32_t video) { return (video >> 29) & 7; }
inline int VideoTvSystem(uint32_t video) { return (video >> 26) & 7; }
inline int VideoAspect(uint32_t video) { return (video >> 24) & 3; }
inline int VideoScanType(uint32_t video) { return (video >> 20) & 3; }
inline int VideoResolution(uint32_t video) { return (video >> 12) & 15; }

// Grid cell texts; "" for a value outside the table.
std::string AudioCodingText(int coding);
std::string FrequencyText(int frequency);
std::string SubpictureCodingText(int coding);

// One grid row for an audio stream attribute: "No.", "Coding", "Frequency",
// "Quantization" (only for MLP and LPCM), "Channels".
VtiGrid::Row AudioRow(int number, const AudioAttr& attr);

// cbEVOnameChange: the information part for the EVOB selected in
// cbEVOname, then the attribute part for its attribute number. Nothing
// selected, or no such record: the view shows nothing.
void RefreshEvob(VtiModel& model);
// cbAttrNoChange: the attribute part for the entry selected in cbAttrNo.
void RefreshAttr(VtiModel& model);

// Both tables and both lists emptied, the view showing nothing.
void ClearVtiTables(VtiModel& model);

}  // namespace klarvex
