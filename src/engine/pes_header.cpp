#include "engine/pes_header.h"

#include "base/bytes.h"

namespace klarvex {

namespace {

// ReadTimestamp a byte at a time, for a field cut by the end of a read
// block: byte `index` (1 to 5).
uint32_t TimestampByte(uint32_t accumulator, int index, uint8_t byte) {
  switch (index) {
    case 1:
      return static_cast<uint32_t>(byte & 0x06) << 29;
    case 2:
      return accumulator | static_cast<uint32_t>(byte) << 22;
    case 3:
      return accumulator | static_cast<uint32_t>(byte & 0xFE) << 14;
    case 4:
      return accumulator | static_cast<uint32_t>(byte) << 7;
    case 5:
      return accumulator | static_cast<uint32_t>(byte & 0xFE) >> 1;
    default:
      return accumulator;
  }
}

}  // namespace

bool PesHeader::parseWhole(const uint8_t* p, int64_t available, Whole& whole) const {
  const bool video = kind_ == PesKind::Video || kind_ == PesKind::Extended;
  if (!(video || kind_ == PesKind::Private1 || kind_ == PesKind::MpegAudio) || available < 6) return false;
  const uint8_t flags2 = p[3];
  const int headerLength = p[4];
  const int timestamps = (flags2 & 0xC0) == 0x80 ? 5 : (flags2 & 0xC0) == 0xC0 ? 10 : 0;
  // Headers shorter than their fields, and extension fields outside video
  // packets, are left to the byte steps and their rules.
  if (headerLength == 0 || timestamps > headerLength) return false;
  // Every field read below lies in the header: the whole of it must be here.
  whole.last = 4 + headerLength;
  if (whole.last >= available) return false;
  const bool extension = timestamps ? video && (flags2 & 0x01) : (flags2 & 0xC1) == 0x01;
  whole.extensionAt = -1;
  if (extension) {
    if (!video || timestamps + 1 > headerLength) return false;
    const uint8_t extFlags = p[5 + timestamps];
    int fields = 1 + ((extFlags & 0x10) ? 2 : 0);  // the flags, the P-STD buffer field
    if (extFlags & 0x01)
      fields += 2;  // PES_extension_field_length, stream_id_extension
    else if (!(extFlags & 0x10))
      return false;
    if (timestamps + fields > headerLength) return false;
    if (extFlags & 0x01) whole.extensionAt = 5 + timestamps + fields - 1;
  }
  whole.packetLeft = (p[0] << 8 | p[1]) - 3 - headerLength;
  whole.hasPts = timestamps > 0;
  whole.pts = timestamps ? ReadTimestamp(p + 5) : 0;
  whole.scrambled = (p[2] & 0x30) != 0;
  return true;
}

PesHeader::Event PesHeader::step(uint8_t byte, uint32_t window) {
  switch (stage_) {
    case Stage::Idle:
      return Event::NotHeader;
    case Stage::Length:
      if (--wanted_ > 0) return Event::None;
      packetLeft = static_cast<int32_t>(window & 0xFFFF);
      // A navigation or skipped packet's body is the walker's.
      if (kind_ == PesKind::Navigation || kind_ == PesKind::Skip)
        stage_ = Stage::Idle;
      else
        enter(Stage::Fixed, 3);
      return Event::LengthKnown;
    case Stage::Fixed:
      --packetLeft;
      return fixedByte(byte);
    case Stage::Pts:
    case Stage::PtsDts:
      --packetLeft;
      --headerLeft_;
      return timestampByte(byte);
    case Stage::ExtFlags:
      --packetLeft;
      --headerLeft_;
      return extensionFlags(byte);
    case Stage::Pstd:
      --packetLeft;
      --headerLeft_;
      if (--wanted_ > 0) return Event::None;
      if (extFlags_ & 0x01) return enter(Stage::Ext2, 2);  // PES_extension_flag_2
      // A header that ends with its P-STD field goes straight to the payload.
      if (headerLeft_ == 0) return payload();
      return restOfFields();
    case Stage::Ext2:
      --packetLeft;
      --headerLeft_;
      if (--wanted_ > 0) return Event::None;
      // Whatever the extension names, the packet is no private stream 1 any more.
      kind_ = PesKind::Extended;
      return Event::Extension;
    case Stage::HeaderRest:
      --packetLeft;
      if (--headerLeft_ > 0) return Event::None;
      return endOfHeader();
    case Stage::Substream:
      --packetLeft;
      --wanted_;
      if (wanted_ == 3) return Event::SubstreamId;
      return wanted_ == 0 ? Event::SubstreamHeaderDone : Event::None;
    case Stage::SubstreamRest:
      --packetLeft;
      return --wanted_ > 0 ? Event::None : payload();
  }
  return Event::NotHeader;
}

PesHeader::Event PesHeader::fixedByte(uint8_t byte) {
  if (--wanted_ == 2) scrambledSeen |= (byte & 0x30) != 0;  // PES_scrambling_control
  if (wanted_ == 1) flags2_ = byte;
  if (wanted_ > 0) return Event::None;
  headerLeft_ = byte;
  const bool pts = (flags2_ & 0xC0) == 0x80, ptsDts = (flags2_ & 0xC0) == 0xC0;
  const bool extension = (flags2_ & 0xC1) == 0x01;  // PES_extension_flag without time stamps
  if (headerLeft_ == 0) {
    // No room for the fields the flags announce: other packets' payload
    // starts here; under private stream 1 the fields are still read, then
    // the substream header.
    if (kind_ != PesKind::Private1 || !(pts || ptsDts || extension)) return endOfHeader();
    substreamAfterFields_ = true;
  }
  if (pts) return enter(Stage::Pts, 5);
  if (ptsDts) return enter(Stage::PtsDts, 10);
  if (extension) return enter(Stage::ExtFlags, 1);
  return enter(Stage::HeaderRest, headerLeft_);
}

PesHeader::Event PesHeader::timestampByte(uint8_t byte) {
  const int total = stage_ == Stage::Pts ? 5 : 10;
  const int index = total - --wanted_;  // 1 to 5, or 1 to 10 with the DTS
  accumulator_ = TimestampByte(accumulator_, index > 5 ? index - 5 : index, byte);
  if (index == 5) {
    pts = accumulator_;
    hasPts = true;
  }
  return wanted_ == 0 ? afterTimestamp() : Event::None;  // the DTS is assembled but not used
}

PesHeader::Event PesHeader::afterTimestamp() {
  if (headerLeft_ == 0) return endOfHeader();
  const bool video = kind_ == PesKind::Video || kind_ == PesKind::Extended;
  if (video && (flags2_ & 0x01)) return enter(Stage::ExtFlags, 1);
  return restOfFields();
}

PesHeader::Event PesHeader::extensionFlags(uint8_t byte) {
  extFlags_ = byte;
  if (extFlags_ & 0x10) return enter(Stage::Pstd, 2);  // P-STD_buffer_flag
  if (extFlags_ & 0x01) return enter(Stage::Ext2, 2);  // PES_extension_flag_2
  return restOfFields();
}

PesHeader::Event PesHeader::afterExtension() {
  if (headerLeft_ == 0) return payload();
  return restOfFields();
}

// After a field: the rest of the header is passed over. A header that ends
// exactly at a field other than the time stamps leaves the packet unread.
PesHeader::Event PesHeader::restOfFields() {
  if (headerLeft_ > 0) return enter(Stage::HeaderRest, headerLeft_);
  if (substreamAfterFields_) return enter(Stage::Substream, 4);
  stage_ = Stage::Idle;
  return Event::None;
}

PesHeader::Event PesHeader::endOfHeader() {
  if (kind_ == PesKind::Private1) return enter(Stage::Substream, 4);
  return payload();
}

PesHeader::Event PesHeader::substreamHeader(int headerBytes) { return headerBytes <= 1 ? payload() : Event::None; }

PesHeader::Event PesHeader::restOfSubstreamHeader(int headerBytes) {
  if (headerBytes > 4) return enter(Stage::SubstreamRest, headerBytes - 4);
  return payload();
}

}  // namespace klarvex
