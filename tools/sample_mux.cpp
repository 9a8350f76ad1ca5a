#include "sample_mux.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <stdexcept>

namespace klarvex::sample {

using testing::kPackHeaderSize;
using testing::kPackSize;
using testing::NavPackInfo;
using testing::PesHeaderOptions;
using testing::PesTimes;
using testing::ProgramStreamWriter;

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

uint16_t Be16(const Bytes& d, size_t at) { return static_cast<uint16_t>(d[at] << 8 | d[at + 1]); }

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t SamplesToTicks(int64_t samples, int64_t rate) { return FloorDiv(samples * kClock + rate / 2, rate); }

// Offsets of every 00 00 01 in `d`.
std::vector<size_t> StartCodes(const Bytes& d) {
  std::vector<size_t> out;
  for (size_t i = 0; i + 3 < d.size(); ++i) {
    if (d[i + 2] > 1) {
      i += 2;  // no start code can end at i+2, nor begin before i+3
    } else if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
      out.push_back(i);
      i += 2;
    }
  }
  return out;
}

// Bits of a NAL unit or BDU header, with emulation prevention bytes removed.
class HeaderBits {
 public:
  HeaderBits(const uint8_t* p, size_t n, size_t keep = 256) {
    int zeros = 0;
    for (size_t i = 0; i < n && bytes_.size() < keep; ++i) {
      if (zeros >= 2 && p[i] == 3) {
        zeros = 0;
        continue;
      }
      bytes_.push_back(p[i]);
      zeros = p[i] == 0 ? zeros + 1 : 0;
    }
  }
  uint32_t bit() {
    if (pos_ >= bytes_.size() * 8) Fail("header ends early");
    uint32_t b = bytes_[pos_ / 8] >> (7 - pos_ % 8) & 1;
    ++pos_;
    return b;
  }
  uint32_t bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | bit();
    return v;
  }
  uint32_t ue() {
    int zeros = 0;
    while (bit() == 0) {
      if (++zeros > 31) Fail("bad Exp-Golomb code");
    }
    return (zeros == 0 ? 0 : (1u << zeros) - 1 + bits(zeros));
  }
  int32_t se() {
    uint32_t k = ue();
    return (k & 1) ? static_cast<int32_t>((k + 1) / 2) : -static_cast<int32_t>(k / 2);
  }
  void skip(size_t n) { pos_ += n; }

 private:
  std::vector<uint8_t> bytes_;
  size_t pos_ = 0;
};

// Presentation order from decode order and display indices.
void StampPictures(Clip& clip, const std::vector<int64_t>& display, FrameDuration frame) {
  int64_t delay = 0;
  for (size_t k = 0; k < display.size(); ++k) delay = std::max(delay, static_cast<int64_t>(k) - display[k]);
  for (size_t k = 0; k < display.size(); ++k) {
    clip.units[k].pts = frame.at(display[k]);
    clip.units[k].dts = frame.at(static_cast<int64_t>(k) - delay);
  }
  clip.duration = frame.at(static_cast<int64_t>(display.size()));
}

// Splits at the first of a run of header codes ahead of a picture: a new
// access unit starts at a header code once the current one holds a picture.
template <typename IsHeader, typename OnCode>
void CutAtHeaderCodes(Clip& clip, IsHeader isHeader, uint8_t pictureCode, OnCode onCode) {
  bool havePicture = false;
  bool open = false;
  for (size_t at : StartCodes(clip.data)) {
    uint8_t code = clip.data[at + 3];
    if (isHeader(code) && (!open || havePicture)) {
      clip.units.push_back(Unit{at, 0, 0, false});
      open = true;
      havePicture = false;
    }
    if (!open) Fail("stream does not start with a header or picture start code");
    onCode(clip.units.back(), at, code);
    if (code == pictureCode) havePicture = true;
  }
  if (clip.units.empty() || clip.units.front().offset != 0) Fail("stream does not start with a start code");
  if (!havePicture) clip.units.pop_back();  // trailing headers without a picture join the unit before
}

}  // namespace

int64_t FrameDuration::at(int64_t n) const { return FloorDiv(n * num + den / 2, den); }

Bytes ReadWholeFile(const std::string& path) {
  const auto fail = [&path](int error) { Fail("cannot read '" + path + "': " + std::strerror(error)); };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) fail(errno);
  Bytes out;
  uint8_t buffer[65536];
  for (;;) {
    size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    out.insert(out.end(), buffer, buffer + got);
    if (got < sizeof buffer) {
      if (std::ferror(file.get())) fail(errno ? errno : EIO);
      break;
    }
  }
  if (out.empty()) Fail("cannot read '" + path + "': file is empty");
  return out;
}

Clip CutVc1(Bytes data, FrameDuration frame) {
  Clip clip;
  clip.data = std::move(data);
  // Sequence, entry-point and frame start codes and their user data open an
  // access unit; field, slice and end-of-sequence codes stay in it.
  const auto isHeader = [](uint8_t c) { return c == 0x0F || c == 0x0E || c == 0x0D || c == 0x1F || c == 0x1E; };
  bool interlace = false;
  bool sawSequence = false;
  std::vector<char> types;  // 'I', 'P', 'B' per access unit, in decode order
  CutAtHeaderCodes(clip, isHeader, 0x0D, [&](Unit& unit, size_t at, uint8_t code) {
    const uint8_t* body = clip.data.data() + at + 4;
    size_t left = clip.data.size() - at - 4;
    if (code == 0x0F) {
      HeaderBits bits(body, left, 16);
      if (bits.bits(2) != 3) Fail("VC-1 sequence header is not Advanced profile");
      bits.skip(3 + 2 + 3 + 5 + 1 + 12 + 12 + 1);
      interlace = bits.bit() != 0;
      sawSequence = true;
    }
    if (code == 0x0F || code == 0x0E) unit.entry = true;
    if (code != 0x0D) return;
    if (!sawSequence) Fail("VC-1 frame before the first sequence header");
    HeaderBits bits(body, left, 8);
    char type = 'P';
    bool field = false;
    if (interlace && bits.bit()) field = bits.bit() != 0;  // FCM: 0, 10 frame, 11 field
    if (field) {
      type = bits.bits(3) >= 4 ? 'B' : 'P';  // FPTYPE of the field pair
    } else if (bits.bit() == 0) {
      type = 'P';
    } else if (bits.bit() == 0) {
      type = 'B';
    } else if (bits.bit() == 0) {
      type = 'I';
    } else {
      type = bits.bit() == 0 ? 'B' : 'P';  // BI is not a reference; skipped repeats the last
    }
    types.push_back(type);
  });
  // B pictures show at once; each anchor waits for the next anchor.
  std::vector<int64_t> display(types.size());
  int64_t slot = 0;
  std::optional<size_t> pendingAnchor;
  for (size_t k = 0; k < types.size(); ++k) {
    if (types[k] == 'B') {
      display[k] = slot++;
    } else {
      if (pendingAnchor) display[*pendingAnchor] = slot++;
      pendingAnchor = k;
    }
  }
  if (pendingAnchor) display[*pendingAnchor] = slot++;
  if (display.size() != clip.units.size()) Fail("VC-1 access unit without a frame");
  StampPictures(clip, display, frame);
  return clip;
}

Clip CutMpeg2(Bytes data, FrameDuration frame) {
  Clip clip;
  clip.data = std::move(data);
  const auto isHeader = [](uint8_t c) { return c == 0xB3 || c == 0xB8 || c == 0x00; };
  std::vector<int64_t> display;
  int64_t gopBase = 0;
  int64_t pictures = 0;
  CutAtHeaderCodes(clip, isHeader, 0x00, [&](Unit& unit, size_t at, uint8_t code) {
    if (code == 0xB3 || code == 0xB8) unit.entry = true;
    if (code == 0xB8) gopBase = pictures;
    if (code != 0x00) return;
    if (at + 6 > clip.data.size()) Fail("MPEG-2 picture header cut short");
    int64_t temporalReference = clip.data[at + 4] << 2 | clip.data[at + 5] >> 6;
    display.push_back(gopBase + temporalReference);
    ++pictures;
  });
  if (display.size() != clip.units.size()) Fail("MPEG-2 access unit without a picture");
  StampPictures(clip, display, frame);
  return clip;
}

Clip CutH264(Bytes data, FrameDuration frame) {
  Clip clip;
  clip.data = std::move(data);
  struct Sps {
    int log2MaxFrameNum = 0;
    int pocType = 0;
    int log2MaxPocLsb = 0;
    bool frameMbsOnly = true;
    bool separateColourPlane = false;
  };
  std::array<std::optional<Sps>, 32> spss;
  std::array<int, 256> ppsToSps;
  ppsToSps.fill(-1);
  struct Picture {
    bool idr = false;
    int64_t poc = 0;
    bool sliceSeen = false;
  };
  std::vector<Picture> pictures;
  int64_t prevMsb = 0, prevLsb = 0;

  const std::vector<size_t> codes = StartCodes(clip.data);
  for (size_t n = 0; n < codes.size(); ++n) {
    const size_t at = codes[n];
    const size_t end = n + 1 < codes.size() ? codes[n + 1] : clip.data.size();
    const uint8_t header = clip.data[at + 3];
    const int type = header & 0x1F;
    const uint8_t* body = clip.data.data() + at + 4;
    const size_t left = end - at - 4;
    if (type == 9) {
      const size_t start = (at > 0 && clip.data[at - 1] == 0) ? at - 1 : at;  // zero_byte of a 4-byte start code
      clip.units.push_back(Unit{start, 0, 0, false});
      pictures.push_back({});
      continue;
    }
    if (type == 7) {
      HeaderBits bits(body, left);
      const uint32_t profile = bits.bits(8);
      bits.skip(16);  // constraint flags, level
      const uint32_t id = bits.ue();
      if (id >= spss.size()) Fail("H.264 SPS id out of range");
      Sps sps;
      static constexpr uint32_t kHighProfiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
      if (std::find(std::begin(kHighProfiles), std::end(kHighProfiles), profile) != std::end(kHighProfiles)) {
        const uint32_t chroma = bits.ue();
        if (chroma == 3) sps.separateColourPlane = bits.bit() != 0;
        bits.ue();  // bit depths
        bits.ue();
        bits.bit();
        if (bits.bit()) {  // scaling matrices
          for (int list = 0; list < (chroma != 3 ? 8 : 12); ++list) {
            if (!bits.bit()) continue;
            int last = 8, next = 8;
            for (int j = 0; j < (list < 6 ? 16 : 64) && next != 0; ++j) {
              next = (last + bits.se() + 256) % 256;
              if (next != 0) last = next;
            }
          }
        }
      }
      sps.log2MaxFrameNum = static_cast<int>(bits.ue()) + 4;
      sps.pocType = static_cast<int>(bits.ue());
      if (sps.pocType == 0) {
        sps.log2MaxPocLsb = static_cast<int>(bits.ue()) + 4;
      } else if (sps.pocType == 1) {
        Fail("H.264 picture order count type 1 is not handled");
      }
      bits.ue();   // max_num_ref_frames
      bits.bit();  // gaps_in_frame_num_value_allowed_flag
      bits.ue();   // width, height in macroblocks
      bits.ue();
      sps.frameMbsOnly = bits.bit() != 0;
      spss[id] = sps;
    } else if (type == 8) {
      HeaderBits bits(body, left, 8);
      const uint32_t pps = bits.ue();
      const uint32_t sps = bits.ue();
      if (pps >= ppsToSps.size() || sps >= spss.size()) Fail("H.264 PPS id out of range");
      ppsToSps[pps] = static_cast<int>(sps);
    } else if (type == 1 || type == 5) {
      if (pictures.empty()) Fail("H.264 stream does not start with an access unit delimiter");
      Picture& picture = pictures.back();
      if (picture.sliceSeen) continue;  // the first slice decides
      picture.sliceSeen = true;
      picture.idr = type == 5;
      HeaderBits bits(body, left, 32);
      bits.ue();  // first_mb_in_slice
      bits.ue();  // slice_type
      const uint32_t pps = bits.ue();
      if (pps >= ppsToSps.size() || ppsToSps[pps] < 0 || !spss[size_t(ppsToSps[pps])]) {
        Fail("H.264 slice before its SPS/PPS");
      }
      const Sps& sps = *spss[size_t(ppsToSps[pps])];
      if (sps.separateColourPlane) bits.skip(2);
      const int64_t frameNum = bits.bits(sps.log2MaxFrameNum);
      if (!sps.frameMbsOnly && bits.bit()) Fail("H.264 field pictures are not handled");
      if (picture.idr) bits.ue();  // idr_pic_id
      if (picture.idr) prevMsb = prevLsb = 0;
      if (sps.pocType == 0) {
        const int64_t lsb = bits.bits(sps.log2MaxPocLsb);
        const int64_t max = int64_t{1} << sps.log2MaxPocLsb;
        int64_t msb = prevMsb;
        if (lsb < prevLsb && prevLsb - lsb >= max / 2)
          msb += max;
        else if (lsb > prevLsb && lsb - prevLsb > max / 2)
          msb -= max;
        picture.poc = msb + lsb;
        if (header & 0x60) {  // a reference picture sets the base for the next
          prevMsb = msb;
          prevLsb = lsb;
        }
      } else {
        picture.poc = static_cast<int64_t>(pictures.size());  // type 2: output order is decode order
        (void)frameNum;
      }
    }
  }
  if (clip.units.empty() || clip.units.front().offset != 0)
    Fail("H.264 stream does not start with an access unit delimiter");
  // Output order: by picture order count within each IDR period.
  std::vector<int64_t> display(pictures.size());
  size_t groupStart = 0;
  for (size_t k = 0; k <= pictures.size(); ++k) {
    if (k == pictures.size() || (k > groupStart && pictures[k].idr)) {
      std::vector<size_t> order(k - groupStart);
      std::iota(order.begin(), order.end(), groupStart);
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return pictures[a].poc < pictures[b].poc; });
      for (size_t r = 0; r < order.size(); ++r) display[order[r]] = static_cast<int64_t>(groupStart + r);
      groupStart = k;
    }
    if (k < pictures.size() && !pictures[k].sliceSeen) Fail("H.264 access unit without a slice");
  }
  for (size_t k = 0; k < pictures.size(); ++k) clip.units[k].entry = pictures[k].idr;
  StampPictures(clip, display, frame);
  return clip;
}

Clip CutAc3(Bytes data) {
  // AC-3 frame sizes in 16-bit words by frmsizecod, for 48, 44.1 and 32 kHz.
  static constexpr uint16_t kWords[3][38] = {
      {64,  64,  80,  80,  96,  96,  112, 112, 128, 128, 160, 160, 192, 192,  224,  224,  256,  256,  320,
       320, 384, 384, 448, 448, 512, 512, 640, 640, 768, 768, 896, 896, 1024, 1024, 1152, 1152, 1280, 1280},
      {69,  70,  87,  88,  104, 105, 121, 122, 139, 140, 174, 175, 208, 209,  243,  244,  278,  279,  348,
       349, 417, 418, 487, 488, 557, 558, 696, 697, 835, 836, 975, 976, 1114, 1115, 1253, 1254, 1393, 1394},
      {96,  96,  120, 120, 144, 144, 168, 168, 192, 192,  240,  240,  288,  288,  336,  336,  384,  384,  480,
       480, 576, 576, 672, 672, 768, 768, 960, 960, 1152, 1152, 1344, 1344, 1536, 1536, 1728, 1728, 1920, 1920}};
  static constexpr int kRates[3] = {48000, 44100, 32000};
  Clip clip;
  clip.data = std::move(data);
  const Bytes& d = clip.data;
  int64_t samples = 0;
  int rate = 0;
  for (size_t pos = 0; pos < d.size();) {
    if (pos + 6 > d.size() || d[pos] != 0x0B || d[pos + 1] != 0x77)
      Fail("no AC-3 sync word at byte " + std::to_string(pos));
    const int bsid = d[pos + 5] >> 3;
    const int fscod = d[pos + 4] >> 6;
    size_t size = 0;
    int frameSamples = 1536;
    bool dependent = false;
    if (bsid <= 10) {
      const int code = d[pos + 4] & 0x3F;
      if (fscod == 3 || code >= 38) Fail("bad AC-3 frame header at byte " + std::to_string(pos));
      size = size_t{kWords[fscod][code]} * 2;
      rate = kRates[fscod];
    } else if (bsid <= 16) {  // E-AC-3
      dependent = (d[pos + 2] >> 6) == 1;
      size = (size_t{Be16(d, pos + 2) & 0x7FFu} + 1) * 2;
      if (fscod == 3) {  // reduced rates always have six blocks
        static constexpr int kHalfRates[3] = {24000, 22050, 16000};
        const int code = (d[pos + 4] >> 4) & 3;
        if (code == 3) Fail("bad E-AC-3 frame header at byte " + std::to_string(pos));
        rate = kHalfRates[code];
      } else {
        rate = kRates[fscod];
        static constexpr int kBlocks[4] = {1, 2, 3, 6};
        frameSamples = kBlocks[(d[pos + 4] >> 4) & 3] * 256;
      }
    } else {
      Fail("unknown AC-3 bitstream id at byte " + std::to_string(pos));
    }
    if (pos + size > d.size()) Fail("AC-3 frame cut short at byte " + std::to_string(pos));
    if (!dependent) {
      clip.units.push_back(Unit{pos, SamplesToTicks(samples, rate), 0, true});
      clip.units.back().dts = clip.units.back().pts;
      samples += frameSamples;
    }
    pos += size;
  }
  if (clip.units.empty()) Fail("no AC-3 frames");
  clip.duration = SamplesToTicks(samples, rate);
  return clip;
}

Clip CutDts(Bytes data) {
  static constexpr int kRates[16] = {0, 8000, 16000, 32000, 0, 0, 11025, 22050, 44100, 0, 0, 12000, 24000, 48000, 0, 0};
  Clip clip;
  clip.data = std::move(data);
  const Bytes& d = clip.data;
  int64_t samples = 0;
  int rate = 0;
  for (size_t pos = 0; pos < d.size();) {
    if (pos + 10 > d.size() || d[pos] != 0x7F || d[pos + 1] != 0xFE || d[pos + 2] != 0x80 || d[pos + 3] != 0x01) {
      Fail("no DTS sync word at byte " + std::to_string(pos));
    }
    const int blocks = ((d[pos + 4] & 0x01) << 6 | d[pos + 5] >> 2) + 1;
    const size_t size = size_t((d[pos + 5] & 0x03) << 12 | d[pos + 6] << 4 | d[pos + 7] >> 4) + 1;
    rate = kRates[(d[pos + 8] >> 2) & 0x0F];
    if (rate == 0 || size < 96) Fail("bad DTS frame header at byte " + std::to_string(pos));
    if (pos + size > d.size()) Fail("DTS frame cut short at byte " + std::to_string(pos));
    clip.units.push_back(Unit{pos, SamplesToTicks(samples, rate), 0, true});
    clip.units.back().dts = clip.units.back().pts;
    samples += blocks * 32;
    pos += size;
  }
  if (clip.units.empty()) Fail("no DTS frames");
  clip.duration = SamplesToTicks(samples, rate);
  return clip;
}

Clip CutMlp(Bytes data) {
  // Every MLP / TrueHD access unit lasts 1/1200 s, whatever the sample rate.
  constexpr int64_t kUnitTicks = kClock / 1200;
  Clip clip;
  clip.data = std::move(data);
  const Bytes& d = clip.data;
  for (size_t pos = 0; pos < d.size();) {
    if (pos + 4 > d.size()) Fail("MLP access unit cut short at byte " + std::to_string(pos));
    const size_t size = size_t(Be16(d, pos) & 0x0FFF) * 2;
    if (size < 4 || pos + size > d.size()) Fail("bad MLP access unit length at byte " + std::to_string(pos));
    const int64_t t = static_cast<int64_t>(clip.units.size()) * kUnitTicks;
    const bool majorSync = pos + 8 <= d.size() && d[pos + 4] == 0xF8 && d[pos + 5] == 0x72 && d[pos + 6] == 0x6F &&
                           (d[pos + 7] == 0xBA || d[pos + 7] == 0xBB);
    if (clip.units.empty() && !majorSync) Fail("MLP stream does not start with a major sync");
    clip.units.push_back(Unit{pos, t, t, majorSync});
    pos += size;
  }
  clip.duration = static_cast<int64_t>(clip.units.size()) * kUnitTicks;
  return clip;
}

Clip CutLpcm(Bytes data, int sampleRate, int bytesPerSampleFrame) {
  const size_t frameBytes = size_t(sampleRate / 600) * size_t(bytesPerSampleFrame);
  if (data.size() % size_t(bytesPerSampleFrame) != 0) Fail("LPCM data is not whole sample frames");
  Clip clip;
  clip.data = std::move(data);
  for (size_t pos = 0, n = 0; pos < clip.data.size(); pos += frameBytes, ++n) {
    const int64_t t = static_cast<int64_t>(n) * (kClock / 600);
    clip.units.push_back(Unit{pos, t, t, true});
  }
  clip.duration = SamplesToTicks(static_cast<int64_t>(clip.data.size()) / bytesPerSampleFrame, sampleRate);
  return clip;
}

Clip SubpictureClip(Bytes unit, int64_t pts) {
  Clip clip;
  clip.data = std::move(unit);
  clip.units.push_back(Unit{0, pts, pts, true});
  clip.duration = pts;
  return clip;
}

void AppendClip(Clip& into, const Clip& loop, int64_t shift) {
  const size_t base = into.data.size();
  into.data.insert(into.data.end(), loop.data.begin(), loop.data.end());
  for (Unit unit : loop.units) {
    unit.offset += base;
    unit.pts += shift;
    unit.dts += shift;
    into.units.push_back(unit);
  }
  into.duration = std::max(into.duration, shift + loop.duration);
}

namespace {

struct Packet {
  size_t track = 0;
  uint8_t streamId = 0;
  std::optional<uint8_t> extension;
  Bytes payload;  // substream header included
  PesTimes times;
  int64_t key = 0;     // decode time of the unit it starts or continues
  bool entry = false;  // starts a random access point of its track
};

constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kVc1Stream = 0xFD;

size_t SubstreamHeaderSize(Carriage c) {
  switch (c) {
    case Carriage::Video:
    case Carriage::Vc1:
      return 0;
    case Carriage::Subpicture:
      return 1;
    case Carriage::Audio:
      return 4;
    case Carriage::TrueHd:
      return 5;
    case Carriage::Lpcm:
      return 7;
  }
  return 0;
}

// Decode time at byte `pos` of unit `u`, spreading each unit over the time
// to the next one, so that packs of a large picture interleave with the
// other streams' as a muxer pacing its buffers would.
int64_t TimeOfByte(const Clip& clip, size_t u, size_t pos) {
  const std::vector<Unit>& units = clip.units;
  const Unit& unit = units[u];
  if (pos == unit.offset) return unit.dts;
  const size_t end = u + 1 < units.size() ? units[u + 1].offset : clip.data.size();
  int64_t span = 0;
  if (u + 1 < units.size())
    span = units[u + 1].dts - unit.dts;
  else if (u > 0)
    span = unit.dts - units[u - 1].dts;
  return unit.dts + static_cast<int64_t>(pos - unit.offset) * span / static_cast<int64_t>(end - unit.offset);
}

// One PES packet per pack: a packet in which a unit starts carries that
// unit's time stamps; a unit never starts in an unstamped packet (such a
// packet ends short of it instead).
void Packetize(const Track& track, size_t index, std::vector<Packet>& out) {
  const Bytes& es = track.clip.data;
  const std::vector<Unit>& units = track.clip.units;
  if (units.empty()) return;
  const size_t prefix = SubstreamHeaderSize(track.carriage);
  const size_t extension = track.carriage == Carriage::Vc1 ? 3 : 0;  // flags, length, stream_id_extension
  const size_t roomPlain = kPackSize - kPackHeaderSize - 6 - 3 - extension - prefix;
  const size_t roomStamped = roomPlain - (track.withDts ? 10 : 5);
  size_t next = 0;       // first unit at or after pos
  size_t nextBreak = 0;  // first unit after pos that must open a packet
  for (size_t pos = 0; pos < es.size();) {
    while (next < units.size() && units[next].offset < pos) ++next;
    // Units that must open a packet: each subpicture unit, and the main
    // video's entry points (each VOBU starts on a fresh pack).
    size_t limit = es.size() - pos;
    if (track.carriage == Carriage::Subpicture || track.main) {
      while (nextBreak < units.size() && (units[nextBreak].offset <= pos || (track.main && !units[nextBreak].entry))) {
        ++nextBreak;
      }
      if (nextBreak < units.size()) limit = units[nextBreak].offset - pos;
    }
    const bool stamped = next < units.size() && units[next].offset - pos < std::min(roomStamped, limit);
    size_t take = std::min(stamped ? roomStamped : roomPlain, limit);
    if (!stamped && next < units.size()) take = std::min(take, units[next].offset - pos);
    if (pos + take < es.size()) take -= take % track.align;
    if (take == 0) Fail("a pack has no room for track data");

    Packet packet;
    packet.track = index;
    size_t frames = 0;
    size_t firstOffset = 0;
    for (size_t u = next; u < units.size() && units[u].offset < pos + take; ++u) {
      if (frames++ == 0) firstOffset = units[u].offset - pos;
    }
    const Unit& timing = stamped ? units[next] : units[next - 1];
    packet.key = TimeOfByte(track.clip, next < units.size() && units[next].offset == pos ? next : next - 1, pos);
    packet.entry = stamped && timing.entry;
    if (stamped) {
      packet.times.pts = static_cast<uint64_t>(timing.pts);
      if (track.withDts) packet.times.dts = static_cast<uint64_t>(timing.dts);
    }
    switch (track.carriage) {
      case Carriage::Video:
        packet.streamId = track.id;
        break;
      case Carriage::Vc1:
        packet.streamId = kVc1Stream;
        packet.extension = track.id;
        break;
      default:
        packet.streamId = kPrivateStream1;
        break;
    }
    if (track.carriage == Carriage::Subpicture) {
      packet.payload.push_back(track.id);
    } else if (prefix > 0) {
      // The first access unit pointer counts from the pointer's last byte.
      const size_t pointer = frames ? firstOffset + (prefix - 4) + 1 : 0;
      packet.payload = {track.id, static_cast<uint8_t>(std::min<size_t>(frames, 255)),
                        static_cast<uint8_t>(pointer >> 8), static_cast<uint8_t>(pointer)};
      if (track.carriage == Carriage::TrueHd) packet.payload.push_back(0x00);
      if (track.carriage == Carriage::Lpcm) {
        std::array<uint8_t, 3> header = track.lpcmHeader;
        // Audio frame number of the first frame starting here, counted in
        // groups of 20.
        if (frames && track.lpcmFrameNumber) header[0] = static_cast<uint8_t>((header[0] & 0xE0) | (next % 20));
        packet.payload.insert(packet.payload.end(), header.begin(), header.end());
      }
    }
    packet.payload.insert(packet.payload.end(), es.begin() + static_cast<std::ptrdiff_t>(pos),
                          es.begin() + static_cast<std::ptrdiff_t>(pos + take));
    out.push_back(std::move(packet));
    pos += take;
  }
}

}  // namespace

void Mux(ProgramStreamWriter& out, const std::vector<Track>& tracks, const MuxSettings& settings,
         std::optional<uint64_t>& lastScr) {
  std::vector<Packet> packets;
  for (size_t t = 0; t < tracks.size(); ++t) Packetize(tracks[t], t, packets);
  // The main video goes ahead by the other videos' reordering delay, so
  // that no packet of theirs comes before the navigation pack of the VOBU
  // their pictures show in.
  int64_t lead = 0;
  for (const Track& track : tracks) {
    if (track.main) continue;
    for (const Unit& unit : track.clip.units) lead = std::max(lead, unit.pts - unit.dts);
  }
  for (Packet& packet : packets) {
    if (tracks[packet.track].main) packet.key -= lead;
  }
  // Decode-time order; on a tie the earlier track, then stream order.
  std::stable_sort(packets.begin(), packets.end(),
                   [](const Packet& a, const Packet& b) { return a.key != b.key ? a.key < b.key : a.track < b.track; });

  // The pack sequence: navigation packs, ADV_PCKs and PES packets.
  enum class Kind { Nav, Adv, Pes };
  struct Item {
    Kind kind;
    size_t index;  // packet, ADV_PCK or VOBU number
    int64_t key;
  };
  std::vector<Item> items;
  size_t vobus = 0;
  for (size_t p = 0; p < packets.size(); ++p) {
    const Packet& packet = packets[p];
    const bool vobuStart = settings.navPacks && packet.entry && tracks[packet.track].main;
    if (settings.navPacks && items.empty() && !vobuStart)
      Fail("the title does not start at an entry point of its main video");
    if (vobuStart) {
      items.push_back({Kind::Nav, vobus, packet.key});
      for (size_t a = 0; a < settings.advPacks.size(); ++a) {
        if (settings.advPacks[a].first == vobus) items.push_back({Kind::Adv, a, packet.key});
      }
      ++vobus;
    }
    items.push_back({Kind::Pes, p, packet.key});
  }

  // Pack numbers of each track's packs, for the DSI sync tables.
  const size_t firstPack = settings.systemHeaderFirst ? 1 : 0;
  std::vector<std::vector<size_t>> packsOf(tracks.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == Kind::Pes) packsOf[packets[items[i].index].track].push_back(i);
  }
  // Relative pack number of the track's first pack after `nav`, or of its
  // last one before (with the direction bit), 0 if it has none.
  const auto syncTo = [&](size_t track, size_t nav, uint32_t backward, uint32_t mask) -> uint32_t {
    const std::vector<size_t>& packs = packsOf[track];
    auto after = std::upper_bound(packs.begin(), packs.end(), nav);
    if (after != packs.end()) return static_cast<uint32_t>(std::min<size_t>(*after - nav, mask));
    if (packs.empty()) return 0;
    return backward | static_cast<uint32_t>(std::min<size_t>(nav - packs.back(), mask));
  };

  const uint64_t step = ProgramStreamWriter::scrStep(out.flavor());
  const auto setScr = [&](int64_t key) {
    const int64_t due = std::max<int64_t>(0, (key - settings.scrLead) * 300);
    uint64_t scr = static_cast<uint64_t>(due);
    if (lastScr) scr = std::max(scr, *lastScr + step);
    out.setScr(scr);
    lastScr = scr;
  };

  const size_t startSize = out.bytes().size();
  if (settings.systemHeaderFirst) {
    setScr(items.empty() ? 0 : items.front().key);
    out.systemHeaderPack(*settings.systemHeaderFirst);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    setScr(item.key);
    if (item.kind == Kind::Nav) {
      NavPackInfo info = settings.nav;
      info.audioSync.clear();
      info.subSync.clear();
      for (size_t t = 0; t < tracks.size(); ++t) {
        if (int n = tracks[t].audioNumber; n >= 0) {
          if (info.audioSync.size() <= size_t(n)) info.audioSync.resize(size_t(n) + 1, 0);
          info.audioSync[size_t(n)] = static_cast<uint16_t>(syncTo(t, i, 0x8000, 0x1FFF));
        }
        if (int n = tracks[t].subpictureNumber; n >= 0) {
          if (info.subSync.size() <= size_t(n)) info.subSync.resize(size_t(n) + 1, 0);
          info.subSync[size_t(n)] = syncTo(t, i, 0x80000000u, 0x7FFFFFFF);
        }
      }
      out.navPack(info);
    } else if (item.kind == Kind::Adv) {
      out.advPack(settings.advPacks[item.index].second);
    } else {
      const Packet& packet = packets[item.index];
      PesHeaderOptions options;
      options.streamIdExtension = packet.extension;
      out.pesPacket(packet.streamId, packet.payload, packet.times, options);
    }
  }
  const size_t packs = items.size() + firstPack;
  if (out.bytes().size() - startSize != packs * kPackSize) Fail("internal error: a pack is not 2048 bytes");
}

}  // namespace klarvex::sample
