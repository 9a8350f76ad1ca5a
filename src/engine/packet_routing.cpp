// The walker's routing: which stream a packet's start code, extension or
// substream id names (through the stream-identity table), the streams'
// first naming, and the header taken whole at a start code.
#include "base/bytes.h"
#include "engine/pack_walker.h"

namespace klarvex {

bool PackWalker::startCode(uint8_t streamId) {
  // A recognised start code begins a new packet, whatever was in progress.
  const PesKind kind = PesKindOf(streamId);
  switch (kind) {
    case PesKind::NotOurs:
      return false;  // an ordinary byte
    case PesKind::Video:
      videoStartCode(streamId, *PesVideoIdentity(streamId));
      packetKind_ = PacketKind::Video;
      break;
    case PesKind::Extended:
      videoIdentity_ = &ExtendedStreamCoding();
      packetKind_ = PacketKind::Video;
      break;
    case PesKind::MpegAudio:
      packetKind_ = PacketKind::MpegAudio;
      break;
    case PesKind::Private1:
      packetKind_ = PacketKind::Private1;
      break;
    case PesKind::Navigation:
      packetKind_ = PacketKind::Navigation;
      break;
    case PesKind::Skip:
      packetKind_ = PacketKind::Skip;
      break;
  }
  header_.begin(kind);
  return true;
}

void PackWalker::videoStartCode(uint8_t streamId, const StreamIdentity& identity) {
  videoIdentity_ = &identity;
  nameVideoStream(streamId, identity);
}

void PackWalker::nameVideoStream(uint8_t id, const StreamIdentity& identity) {
  videoIdByte_ = id;
  videoSlot_ = identity.number(id);
  StreamSlot& slot = engine_.streams.video(videoSlot_);
  if (slot.streamId == -1) {
    slot.streamId = id;
    noteFound(slot, identity.found);
  }
}

// The stream_id_extension of a packet under stream_id FD.
PesHeader::Event PackWalker::extensionByte(uint8_t byte) {
  nameExtension(byte);
  return header_.afterExtension();
}

void PackWalker::nameExtension(uint8_t byte) {
  const uint8_t extension = byte & 0x7F;
  if (const StreamIdentity* identity = ExtensionIdentity(extension)) {
    // The coding stays the one the start code gave (FD: VC-1).
    nameVideoStream(extension, *identity);
    packetKind_ = PacketKind::Video;
  } else {
    packetKind_ = PacketKind::Ignore;
  }
}

// The substream id: a subpicture's payload follows at once; an audio
// stream is named after its first four header bytes.
PesHeader::Event PackWalker::substreamId(uint8_t id) {
  substreamIdByte_ = id;
  return header_.substreamHeader(nameSubpicture(id, SubstreamIdentity(id, aob_)) ? 1 : kUnknownSubstreamHeader);
}

// A subpicture substream is named at its id byte; false for any other id.
bool PackWalker::nameSubpicture(uint8_t id, const StreamIdentity* identity) {
  if (!identity || identity->section != Section::Subpicture) return false;
  subSlot_ = identity->number(id);
  subSubstreamId_ = id;
  StreamSlot& slot = engine_.streams.subpicture(subSlot_);
  if (slot.streamId == -1) {
    slot.streamId = id;
    noteFound(slot, identity->found);
  }
  packetKind_ = PacketKind::Subpicture;
  return true;
}

PesHeader::Event PackWalker::audioSubstream() {
  return header_.restOfSubstreamHeader(nameAudio(substreamIdByte_, SubstreamIdentity(substreamIdByte_, aob_)));
}

// An audio substream, named after its first four header bytes; its whole
// header length (an id of no known kind: four bytes, then ignored).
int PackWalker::nameAudio(uint8_t id, const StreamIdentity* identity) {
  if (!identity || identity->section != Section::Audio) {
    packetKind_ = PacketKind::Ignore;
    return kUnknownSubstreamHeader;
  }
  audioIdentity_ = identity;
  audioSlot_ = identity->number(id);
  audioSubstreamId_ = id;
  StreamSlot& slot = engine_.streams.audio(audioSlot_);
  if (slot.streamId < 0) {
    slot.streamId = id;
    noteFound(slot, identity->found);
  }
  packetKind_ = PacketKind::Audio;
  return identity->substreamHeader;
}

// At a start code: the whole header, and a substream header behind it, at
// once when they lie in the buffer in the common form and hold no start
// code of ours; the byte steps would find the same. Otherwise the byte
// steps take them.
bool PackWalker::wholeHeader() {
  if (scanEveryByte_) return false;
  const uint8_t* p = buf_ + pos_ + 1;
  const int64_t available = bytesInBuffer_ - pos_ - 1;
  PesHeader::Whole whole;
  if (!header_.parseWhole(p, available, whole)) return false;
  int substreamBytes = 0;
  const StreamIdentity* substream = nullptr;
  if (packetKind_ == PacketKind::Private1) {
    if (whole.last + 1 >= available) return false;
    substream = SubstreamIdentity(p[whole.last + 1], aob_);
    substreamBytes = substream ? substream->substreamHeader : kUnknownSubstreamHeader;
    if (whole.last + substreamBytes >= available) return false;
  }
  const int64_t end = pos_ + 1 + whole.last + substreamBytes;  // the last byte taken
  if (holdsStartCode(pos_ + 3, end)) return false;
  if (whole.extensionAt >= 0) nameExtension(p[whole.extensionAt]);
  if (packetKind_ == PacketKind::Private1) {
    const uint8_t id = p[whole.last + 1];
    substreamIdByte_ = id;
    if (!nameSubpicture(id, substream)) nameAudio(id, substream);
  }
  header_.finishWhole(whole, substreamBytes);
  pos_ = end;
  window_ = ReadBe32(buf_ + end - 3);
  inPayload_ = packetBegins_ = true;
  return true;
}

// A start code of ours ends at a byte from `from` to `to`: the byte steps
// would begin a new packet there.
bool PackWalker::holdsStartCode(int64_t from, int64_t to) const {
  for (int64_t i = from; i <= to; ++i)
    if (buf_[i - 1] == 0x01 && buf_[i - 2] == 0x00 && buf_[i - 3] == 0x00 && PesKindOf(buf_[i]) != PesKind::NotOurs)
      return true;
  return false;
}

}  // namespace klarvex
