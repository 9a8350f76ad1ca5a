// Where a demux sends each stream: the elementary stream as carried, or a
// writer that reshapes it on its way into the file (.sup records, WAV).
#pragma once

#include <cstdint>
#include <optional>

namespace klarvex {

class OutputFile;

class StreamSink {
 public:
  virtual ~StreamSink() = default;
  // A packet of the stream begins: its PTS when it carries one, and the
  // payload bytes it holds, which follow through write() in one or more
  // pieces (a packet may be cut by the end of a read block).
  virtual void beginPacket(std::optional<uint32_t> pts, int32_t payloadBytes) {
    (void)pts;
    (void)payloadBytes;
  }
  virtual void write(const uint8_t* data, int64_t count) = 0;
  // The end of the job, whatever way it ends: what is held back is
  // written and headers are completed. Closing the file is its owner's.
  virtual void finish() {}
};

// The payload byte for byte: video, audio as carried.
class RawSink : public StreamSink {
 public:
  explicit RawSink(OutputFile& file) : file_(file) {}
  void write(const uint8_t* data, int64_t count) override;

 private:
  OutputFile& file_;
};

// .sup: each packet that carries a PTS starts a record whose time is
// rebased on the title's earliest audio/video PTS (read when the record is
// written, as the read left it).
class SupSink : public StreamSink {
 public:
  SupSink(OutputFile& file, const uint32_t& minFirstPts) : file_(file), minFirstPts_(minFirstPts) {}
  void beginPacket(std::optional<uint32_t> pts, int32_t payloadBytes) override;
  void write(const uint8_t* data, int64_t count) override;

 private:
  OutputFile& file_;
  const uint32_t& minFirstPts_;
};

// The ten-byte header of a .sup record: "SP", the presentation time
// (little-endian, 90 kHz), a zero decoding time.
void WriteSupHeader(OutputFile& file, uint32_t presentationTime);

// What .sup times are rebased on: the earliest first PTS of the title's
// audio and video, or 0 when no read with details has found one.
inline uint32_t SupTimeBase(uint32_t minFirstPts) { return minFirstPts == 0xFFFFFFFF ? 0 : minFirstPts; }

}  // namespace klarvex
