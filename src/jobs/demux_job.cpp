#include "jobs/demux_job.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/markup.h"
#include "base/text_format.h"
#include "engine/payload_output.h"
#include "engine/vobsub_sink.h"
#include "jobs/dvd_title.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/output_names.h"
#include "jobs/source_sequence.h"

namespace klarvex {

// The output files of one Demux job. They are fixed when the job creates
// them, and closed, every one, whatever way the job ends.
class DemuxOutputs {
 public:
  DemuxOutputs(StreamTable& streams, SourceFiles sources) : streams_(streams), sources_(std::move(sources)) {}
  DemuxOutputs(const DemuxOutputs&) = delete;
  DemuxOutputs& operator=(const DemuxOutputs&) = delete;
  ~DemuxOutputs() { detach(); }

  // Creates the file of a box and the sink that writes into it.
  template <typename MakeSink>
  void create(StreamSlot& slot, const std::string& path, MakeSink&& makeSink) {
    OutputFile& file = createFile(path);
    std::unique_ptr<StreamSink> sink = makeSink(file);
    slot.sink = sink.get();
    sinks_.push_back(std::move(sink));
  }
  // An output file: a box's, or a further one its sink writes (the index
  // beside a VobSub .sub). Two names that collide must not share one file,
  // so the second creation fails as a held file would.
  OutputFile& createFile(const std::string& path) {
    if (!paths_.insert(path).second) throw CannotCreateFile(path, EBUSY);
    auto file = std::make_unique<OutputFile>();
    file->create(path, sources_);
    files_.push_back(std::move(file));
    return *files_.back();
  }

  size_t count() const { return files_.size(); }
  void setBuffers(size_t bytes) {
    for (auto& f : files_) f->setBuffer(bytes);
  }

  // Completes every sink and closes every file; gives the first failure,
  // if one was.
  std::optional<KlarvexError> closeAll() {
    detach();
    std::optional<KlarvexError> failure;
    for (auto& sink : sinks_) {
      try {
        sink->finish();
      } catch (const KlarvexError& e) {
        if (!failure) failure = e;
      }
    }
    for (auto& f : files_) {
      try {
        f->close();
      } catch (const KlarvexError& e) {
        if (!failure) failure = e;
      }
    }
    return failure;
  }

 private:
  void detach() {
    for (int i = 1; i <= StreamTable::kEntries; ++i) streams_.entry(i).sink = nullptr;
  }

  StreamTable& streams_;
  const SourceFiles sources_;
  std::vector<std::unique_ptr<OutputFile>> files_;
  std::vector<std::unique_ptr<StreamSink>> sinks_;  // one per box
  std::set<std::string> paths_;
};

namespace {

// Output buffers: big blocks for few streams, less each when there are many,
// so the whole stays within a few MiB.
size_t OutputBufferSize(size_t files) {
  if (files == 0) return 0;
  size_t each = static_cast<size_t>(8 * kMiB) / files;
  return std::clamp<size_t>(each, 64 * 1024, static_cast<size_t>(kMiB));
}

}  // namespace

std::optional<uint32_t> FirstVideoPts(const StreamTable& streams) {
  std::optional<uint32_t> first;
  for (int n = 0; n < StreamTable::kVideoStreams; ++n) {
    const StreamSlot& slot = streams.video(n);
    if (slot.streamId >= 0 && slot.firstPtsKnown && (!first || static_cast<int32_t>(slot.firstPts - *first) < 0))
      first = slot.firstPts;
  }
  return first;
}

std::optional<int64_t> DelayToVideoMs(const StreamTable& streams, Section section, int n) {
  const StreamSlot& slot = streams.slot(section, n);
  const std::optional<uint32_t> video = FirstVideoPts(streams);
  if (!video || !slot.firstPtsKnown) return std::nullopt;
  return static_cast<int32_t>(slot.firstPts - *video) / 90;  // 32-bit times wrap: the difference is signed
}

// One box's file, as the options and the read make it.
struct DemuxJob::PlannedOutput {
  Section section;
  int number;
  std::string path;     // the box's file (the .sub of a VobSub pair)
  std::string idxPath;  // the VobSub index; empty otherwise
  std::optional<WavFormat> wav;
  std::string notAsWav;  // why an LPCM stream goes as carried, for the log
};

std::vector<DemuxJob::PlannedOutput> DemuxJob::planOutputs() {
  std::vector<PlannedOutput> plans;
  const bool aob = IsDvdAudioSource(context_.sourceExtension());
  for (Section section : {Section::Video, Section::Audio, Section::Subpicture}) {
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      const StreamBox& box = state_.box(section, n);
      if (!box.ticked) continue;
      const StreamSlot& slot = state_.engine.streams.slot(section, n);
      if (writesVobSub(section, slot)) {
        const std::string subPath = OutputFileName(state_.names.OutputPrefix, box.caption, "sub");
        // The index is the .sub's name with the other extension, even where
        // the name was shortened: a reader finds the one from the other so.
        plans.push_back({section, n, subPath, subPath.substr(0, subPath.size() - 3) + "idx", std::nullopt, ""});
        continue;
      }
      const StreamIdentity* identity = IdentityOfStreamId(slot.streamId, aob);
      std::string notAsWav;
      const std::optional<WavFormat> wav = wavFormatOf(box.caption, identity, slot, aob, notAsWav);
      const std::string path =
          OutputFileName(state_.names.OutputPrefix, box.caption, extensionOf(section, identity, wav.has_value()));
      plans.push_back({section, n, path, "", wav, notAsWav});
    }
  }
  return plans;
}

void DemuxJob::createOutputs(DemuxOutputs& outputs) {
  vobSubNoted_ = false;
  const std::vector<PlannedOutput> plans = planOutputs();
  // Where existing files must stay, every name is checked before the first
  // file is made.
  const SourceFiles sources = context_.sourceFiles();
  for (const PlannedOutput& p : plans) {
    RefuseExistingOutput(p.path, sources);
    if (!p.idxPath.empty()) RefuseExistingOutput(p.idxPath, sources);
  }
  for (const PlannedOutput& p : plans) {
    StreamSlot& slot = state_.engine.streams.slot(p.section, p.number);
    if (!p.idxPath.empty()) {
      createVobSub(outputs, slot, p);
      continue;
    }
    if (!p.notAsWav.empty()) context_.logWarning(p.notAsWav);
    const std::optional<WavFormat>& wav = p.wav;
    const bool sup = p.section == Section::Subpicture;
    outputs.create(slot, p.path, [&](OutputFile& file) -> std::unique_ptr<StreamSink> {
      if (sup) return std::make_unique<SupSink>(file, state_.engine.run.minFirstPts);
      if (wav) return std::make_unique<WavSink>(file, *wav);
      return std::make_unique<RawSink>(file);
    });
    host_.log("Creating " + Literal(p.path));
    written_.push_back(DemuxedStream{p.section, p.number, p.path, "", sup ? "sup" : wav ? "wav" : "stream"});
  }
  outputs.setBuffers(OutputBufferSize(outputs.count()));
}

// "DVD subpictures as VobSub" takes the 2-bit subpictures of a DVD-Video
// source; HD DVD's (even its 2-bit ones) and DVD-Audio's stay .sup.
bool DemuxJob::writesVobSub(Section section, const StreamSlot& slot) const {
  if (section != Section::Subpicture || !forms_.vobSub) return false;
  const StreamIdentity* identity = IdentityOfStreamId(slot.streamId);
  return identity && identity->kind == StreamKind::Subpicture && IsDvdVideoSource(state_);
}

// BASE.CAPTION.sub and, beside it, BASE.CAPTION.idx.
void DemuxJob::createVobSub(DemuxOutputs& outputs, StreamSlot& slot, const PlannedOutput& plan) {
  VobSubInfo info = vobSubInfo(plan.number);
  outputs.create(slot, plan.path, [&](OutputFile& sub) {
    host_.log("Creating " + Literal(plan.path));
    OutputFile& idx = outputs.createFile(plan.idxPath);
    host_.log("Creating " + Literal(plan.idxPath));
    return std::make_unique<VobSubSink>(sub, idx, state_.engine.run.minFirstPts, std::move(info));
  });
  written_.push_back(DemuxedStream{Section::Subpicture, plan.number, plan.idxPath, plan.path, "vobsub"});
}

// What the index of subpicture stream `n` says besides its units: from the
// title set information (IFO) beside the VOB its colour table, picture size
// and the stream's language; without one the size the read found in the
// MPEG-2 video (720x480 when it found none), the neutral grey palette and
// no language, which the log says once a job.
VobSubInfo DemuxJob::vobSubInfo(int n) {
  VobSubInfo info;
  if (const std::optional<DvdTitleInfo> titleSet = LabelDvdStreams(state_, host_)) {
    info.paletteRgb = titleSet->paletteRgb;
    if (titleSet->video.width > 0) {
      info.width = titleSet->video.width;
      info.height = titleSet->video.height;
    }
    info.language = state_.label(Section::Subpicture, n).language;
    return info;
  }
  const StreamSlot& video = state_.engine.streams.video(0);
  if (video.facts.width > 0 && video.facts.height > 0) {
    info.width = static_cast<int>(video.facts.width);
    info.height = static_cast<int>(video.facts.height);
  }
  if (!vobSubNoted_) {
    host_.log("No IFO read: the VobSub palette is a neutral grey and no language is known.");
    vobSubNoted_ = true;
  }
  return info;
}

// "LPCM as WAV": the format of an LPCM stream's WAV file, from the read
// before the demux. A stream it can't be written for goes as carried, and
// `whyNot` says why.
std::optional<WavFormat> DemuxJob::wavFormatOf(const std::string& caption, const StreamIdentity* identity,
                                               const StreamSlot& slot, bool aob, std::string& whyNot) {
  if (!forms_.lpcmWav || !identity || identity->kind != StreamKind::Lpcm) return std::nullopt;
  if (aob) {
    // DVD-Audio LPCM has headers and a sample order of its own.
    whyNot = "Not as WAV: " + caption + " is DVD-Audio LPCM; it is written as carried.";
    return std::nullopt;
  }
  const WavFormat format{slot.channels, slot.sampleRate, slot.bitsPerSample};
  if (!IsWavFormat(format)) {
    // Without details the read describes no stream; else the header holds a reserved code.
    whyNot =
        (slot.description.empty() ? "Not as WAV: the read did not describe " + caption +
                                        " (a read with details does); it is written as carried."
                                  : "Not as WAV: " + caption + " has a sample rate or word length WAV cannot hold; " +
                                        "it is written as carried.");
    return std::nullopt;
  }
  return format;
}

// The extension the options give a stream's file: one per section, or by
// the stream's coding ("Extensions by coding") where the read knows it; a
// WAV file's is wav.
std::string DemuxJob::extensionOf(Section section, const StreamIdentity* identity, bool asWav) const {
  const Options& o = state_.options;
  if (forms_.codecExt && identity) return CodingExtension(identity->kind, asWav);
  if (asWav) return "wav";
  return section == Section::Video ? o.eVideoExt : section == Section::Audio ? o.eAudioExt : o.eSubExt;
}

// Streams of the walked file that the read before the demux never found
// (a fast check ends before a stream whose first packet comes late): they
// have no box, so nothing of them is written.
void DemuxJob::noteStreamsTheReadMissed(const StreamTable& read) {
  const StreamTable& walked = state_.engine.streams;
  for (Section section : {Section::Video, Section::Audio, Section::Subpicture}) {
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      int32_t id = walked.slot(section, n).streamId;
      if (id < 0 || read.slot(section, n).streamId >= 0) continue;
      std::string name = StreamCaption(section, n, id);
      if (std::find(missedStreams_.begin(), missedStreams_.end(), name) == missedStreams_.end())
        missedStreams_.push_back(name);
    }
  }
}

void DemuxJob::reportMissedStreams() {
  if (missedStreams_.empty()) return;
  std::string names;
  for (const std::string& name : missedStreams_) names += (names.empty() ? "" : ", ") + name;
  const std::string text = "Not written: " + names + ". Read EVO did not find " +
                           (missedStreams_.size() > 1 ? "these streams" : "this stream") +
                           "; a read without the fast check finds " + (missedStreams_.size() > 1 ? "them." : "it.");
  context_.logWarning(text);
}

void DemuxJob::demuxOneFile(const std::string& path) {
  const std::string name = FileNamePart(path);
  context_.openTitleFile(path, JobKind::Write, "Demuxing " + Literal(name), "Demuxing " + name);
  demux(state_.engine, context_, WalkMode::Demux);
}

void DemuxJob::run(const DemuxForms& forms) {
  forms_ = forms;
  Engine& engine = state_.engine;
  // The title's times as the read found them: a demux that stops early has
  // seen only part of the title, and a Rebuild after it writes these times
  // into every navigation pack.
  const RunState titleTimes = engine.run;
  context_.startWriteJob();
  context_.startTitleWalk();
  missedStreams_.clear();
  written_.clear();
  context_.formOutputNames(forms.folder);

  // The walk rebuilds the table per file; the title's streams as the read
  // found them are what a later job (Rebuild, a listing) works from.
  const StreamTable readStreams = engine.streams;
  std::optional<KlarvexError> failure;
  {
    DemuxOutputs outputs(engine.streams, context_.sourceFiles());
    try {
      createOutputs(outputs);
      context_.forEachFileOfTitle(JobKind::Write, [&](const std::string& path) {
        demuxOneFile(path);
        noteStreamsTheReadMissed(readStreams);
      });
    } catch (const KlarvexError& e) {
      failure = e;
    }
    engine.input.close();
    std::optional<KlarvexError> closing = outputs.closeAll();
    if (!failure) failure = closing;
  }
  engine.streams.takeStreamFacts(readStreams);
  reportMissedStreams();
  const bool stoppedEarly = failure || engine.run.StopRequested;
  context_.finishWriteJob(failure, true);
  if (stoppedEarly) {
    RunState& run = engine.run;
    run.lastPtm = titleTimes.lastPtm;
    run.totalSeconds = titleTimes.totalSeconds;
    run.titleDuration = titleTimes.titleDuration;
    run.fileDuration = titleTimes.fileDuration;
    run.previousFileVob = titleTimes.previousFileVob;
  }
}

void Jobs::bDemuxClick() {
  if (!state_.mayStartJob()) return;
  JobGuard guard(state_.jobRunning);
  demux_.run();
}

}  // namespace klarvex
