// The facts of a DVD-Video title set, read from its information file
// (VTS_tt_0.IFO) with libdvdread: the program chain's colour table, the
// video and stream attributes, which carried substream each attribute entry
// describes, and the chapters of the title. Plain data: no libdvdread type
// leaves this header, so the demuxer's writers (VobSub, Matroska) take it
// as it is.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klarvex {

enum class DvdVideoStandard { Ntsc, Pal, Unknown };
enum class DvdAspectRatio { FourByThree, Wide, Unknown };  // Wide: 16:9
enum class DvdAudioCoding { Ac3, Mpeg1, Mpeg2Ext, Lpcm, Dts, Unknown };

struct DvdVideoAttributes {
  DvdVideoStandard standard = DvdVideoStandard::Unknown;
  DvdAspectRatio aspect = DvdAspectRatio::Unknown;
  // The coded picture: 720, 704 or 352 by 480 or 240 (NTSC), 576 or 288
  // (PAL); 0 where the standard is unknown.
  int width = 0;
  int height = 0;
};

struct DvdAudioStream {
  std::string language;  // ISO 639 two letters, lower case; empty when none is given
  DvdAudioCoding coding = DvdAudioCoding::Unknown;
  int channels = 0;
  int sampleRate = 0;     // Hz; 0 when the entry gives a reserved value
  int bitsPerSample = 0;  // LPCM's 16, 20 or 24; 0 for the other codings
  // n of the carried stream (substream 0x80+n AC-3, 0x88+n DTS, 0xA0+n
  // LPCM; stream_id 0xC0+n MPEG) that this entry describes, from the program
  // chain's audio control word; -1 when the chain marks the entry absent.
  int streamNumber = -1;
};

struct DvdSubpictureStream {
  std::string language;  // as for audio
  // n of the carried substream 0x20+n shown for each kind of display, from
  // the program chain's subpicture control word; -1 when the chain marks the
  // entry absent. A 4:3 title uses the first; a 16:9 title the other three.
  int streamFourByThree = -1;
  int streamWide = -1;
  int streamLetterbox = -1;
  int streamPanScan = -1;
};

struct DvdChapter {
  int64_t start90k = 0;  // from the title's start, 90 kHz: exact at 25 and 29.97 fps
  int64_t startMs = 0;   // the same, rounded to the millisecond
};

struct DvdTitleInfo {
  std::string ifoPath;  // the file read
  int titleSet = 0;     // tt of VTS_tt_0.IFO
  // The program chain that the colour table, the control words and the
  // chapters come from (counted from 1): the title set's first, which
  // holds its first title (the whole title, as authoring tools write a
  // title set of one title).
  int pgcNumber = 0;
  std::array<uint32_t, 16> paletteYCrCb{};  // 0x00YYCrCb, as stored
  std::array<uint32_t, 16> paletteRgb{};    // 0xRRGGBB (YCrCbToRgb)
  DvdVideoAttributes video;
  std::vector<DvdAudioStream> audio;             // attribute order, up to 8
  std::vector<DvdSubpictureStream> subpictures;  // attribute order, up to 32
  // One per program of the chain, in order; the first starts at 0.
  std::vector<DvdChapter> chapters;
  int64_t duration90k = 0;  // the chain's playback time
};

// Reads the title set that `path` belongs to: a VOB of its title
// (VTS_tt_n.VOB, n from 1 to 9) or its IFO (VTS_tt_0.IFO), in any letter
// case; the IFO lies in the same folder, whatever that folder is called.
// When the IFO is damaged, libdvdread takes its backup (VTS_tt_0.BUP)
// if one lies beside it. Without a result, `whyNot` names the file and
// the reason.
std::optional<DvdTitleInfo> ReadDvdTitleInfo(const std::string& path, std::string& whyNot);

// The IFO beside `path` as ReadDvdTitleInfo looks for it: an existing file
// of that name in any letter case, else the name in upper case. Empty, with
// the reason in `whyNot`, when `path` is named as no title set's file.
std::string DvdIfoPathFor(const std::string& path, std::string& whyNot);
// The libdvdread version Klarvex was built against ("6.1.3").
std::string DvdReadVersion();

// A BCD playback time (dvd_time_t): hours, minutes, seconds as two BCD
// digits each, and the frames byte, whose top two bits give the rate (01:
// 25 fps, 11: 29.97 fps; the frames of another code are not counted) and
// whose low six bits hold the frame count in BCD. In 90 kHz ticks: a
// frame is 3600 ticks at 25 fps and 3003 (1/29.97 s) at 29.97 fps.
int64_t DvdTimeTo90k(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frames);
// 90 kHz ticks in milliseconds, rounded to the nearest.
int64_t Ticks90kToMs(int64_t ticks);

// A colour table entry (0x00YYCrCb) as 0xRRGGBB, by ITU-R BT.601 studio
// range (see the definition).
uint32_t YCrCbToRgb(uint32_t yCrCb);

// The language of the carried audio stream n (0..7: the low three bits of
// its id) or subpicture substream n (0..31: its id less 0x20), through the
// program chain's control words; empty when no attribute entry describes
// it or the entry names none.
std::string AudioLanguageOfStream(const DvdTitleInfo& title, int streamNumber);
std::string SubpictureLanguageOfStream(const DvdTitleInfo& title, int streamNumber);

// "AC-3", "MPEG-1", "MPEG-2ext", "LPCM", "DTS", "unknown".
const char* DvdAudioCodingName(DvdAudioCoding coding);

// The ChapterList of the title (see xpl_chapters.h): "Chapter 01",
// "Chapter 02", ... at their start times.
std::vector<std::string> DvdChapterList(const DvdTitleInfo& title);

}  // namespace klarvex
