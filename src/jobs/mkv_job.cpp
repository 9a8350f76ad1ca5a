#include "jobs/mkv_job.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/child_process.h"
#include "base/errors.h"
#include "base/markup.h"
#include "base/path_kind.h"
#include "base/scope_guard.h"
#include "base/text_format.h"
#include "engine/payload_output.h"
#include "jobs/dvd_title.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"
#include "navigation/xpl_chapters.h"

namespace klarvex {

namespace {

constexpr const char* kProgressTag = "#GUI#progress ";
constexpr const char* kWarningTag = "#GUI#warning ";
constexpr const char* kErrorTag = "#GUI#error ";
constexpr int kPollMs = 100;  // how long the user waits at most for Cancel to be seen

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A folder of the job's own, in the output folder so that the streams go
// to the disk the MKV goes to, and hidden there.
std::string MakeStreamFolder(const std::string& outputFolder, const std::string& base) {
  std::string pattern = InFolder(outputFolder, "." + base + ".mkv-XXXXXX");
  if (!::mkdtemp(pattern.data())) throw CannotCreateFile(pattern, errno);
  return pattern;
}

void WriteText(const std::string& path, const std::string& text, const SourceFiles& sources) {
  OutputFile file;
  file.create(path, sources);
  file.writeAll(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
  file.close();
}

}  // namespace

std::vector<std::string> MkvmergeArguments(const MkvPlan& plan) {
  std::vector<std::string> args = {"--gui-mode", "--output", plan.output};
  if (!plan.title.empty()) args.insert(args.end(), {"--title", plan.title});
  if (!plan.chapters.empty()) args.insert(args.end(), {"--chapters", plan.chapters});
  for (const MkvTrack& track : plan.tracks) {
    if (!track.language.empty()) args.insert(args.end(), {"--language", "0:" + track.language});
    if (!track.name.empty()) args.insert(args.end(), {"--track-name", "0:" + track.name});
    if (track.delayMs != 0) args.insert(args.end(), {"--sync", "0:" + std::to_string(track.delayMs)});
    args.insert(args.end(), {"--default-track-flag", track.isDefault ? "0:yes" : "0:no"});
    args.push_back(track.path);
  }
  return args;
}

int MkvmergeProgress(const std::string& line) {
  if (!StartsWith(line, kProgressTag)) return -1;
  const std::string rest = line.substr(std::strlen(kProgressTag));
  int percent = 0;
  size_t digits = 0;
  while (digits < rest.size() && digits < 3 && rest[digits] >= '0' && rest[digits] <= '9')
    percent = percent * 10 + (rest[digits++] - '0');
  return digits > 0 && digits < rest.size() && rest[digits] == '%' && percent <= 100 ? percent : -1;
}

// What the disc's navigation gives the file besides the streams' labels.
struct MkvJob::Labels {
  std::string title;
  std::vector<std::string> chapterList;
};

void MkvJob::run() {
  written_.clear();
  leftOut_.clear();
  const std::string mkvmerge = FindOnPath("mkvmerge");
  if (mkvmerge.empty()) {
    context_.startWriteJob();
    context_.finishWriteJob(KlarvexError(kMkvmergeMissing), false);
    return;
  }
  Labels labels;
  // The playlist of an HD DVD title, or the IFO of a DVD title: languages,
  // names, chapters, the title's name.
  if (!IsDvdVideoSource(state_) && !state_.names.XplName.empty() && IsRegularFile(state_.eXPLfile)) {
    try {
      if (std::optional<XplTitleView> view = xpl_.readTitleLabels()) {
        labels.title = view->name;
        labels.chapterList = view->chapters;
      }
    } catch (const KlarvexError& e) {
      context_.logWarning("The playlist was not read: " + e.fullText());
    }
  }
  if (std::optional<DvdTitleInfo> dvd = LabelDvdStreams(state_, host_)) labels.chapterList = DvdChapterList(*dvd);

  const std::string outputFolder = state_.options.eWorkdir;
  const std::string output = InFolder(outputFolder, CutExt(state_.names.SourceName) + ".mkv");
  std::string folder;
  try {
    RefuseExistingOutput(output, context_.sourceFiles());  // before a demux of gigabytes
    folder = MakeStreamFolder(outputFolder, CutExt(state_.names.SourceName));
  } catch (const KlarvexError& e) {
    context_.startWriteJob();
    context_.finishWriteJob(e, false);
    return;
  }
  // The streams in the forms Matroska takes, into the job's folder.
  demux_.run(DemuxForms{true, true, true, folder});
  context_.formOutputNames();
  if (state_.engine.run.StopRequested || context_.lastFailure()) {
    if (state_.engine.run.StopRequested) std::filesystem::remove_all(folder);
    return;
  }

  context_.startWriteJob();
  std::optional<KlarvexError> failure;
  try {
    MkvPlan files = plan(output, folder, labels);
    if (!files.chapters.empty()) WriteText(files.chapters, ChapterFileText(labels.chapterList), context_.sourceFiles());
    makeFile(mkvmerge, files, folder);
  } catch (const KlarvexError& e) {
    failure = e;
  }
  context_.finishWriteJob(failure, false);
}

MkvPlan MkvJob::plan(const std::string& output, const std::string& folder, const Labels& labels) {
  const std::string chapters = labels.chapterList.empty() ? "" : InFolder(folder, "chapters.txt");
  MkvPlan plan{output, labels.title, chapters, {}};
  const StreamTable& streams = state_.engine.streams;
  const std::optional<uint32_t> video = FirstVideoPts(streams);
  bool videoDefault = false, audioDefault = false;
  for (const DemuxedStream& out : demux_.written()) {
    const StreamSlot& slot = streams.slot(out.section, out.number);
    const StreamIdentity* identity = IdentityOfStreamId(slot.streamId);
    const bool rawLpcm = identity && identity->kind == StreamKind::Lpcm && out.form != "wav";
    if (out.form == "sup" || rawLpcm) {
      leftOut_.push_back(out);
      continue;
    }
    MkvTrack track;
    track.path = out.path;
    track.language = state_.label(out.section, out.number).language;
    track.name = state_.label(out.section, out.number).name;
    if (out.section == Section::Subpicture) {
      // VobSub times count from the same base as .sup times.
      const uint32_t base = SupTimeBase(state_.engine.run.minFirstPts);
      track.delayMs = video ? static_cast<int32_t>(base - *video) / 90 : 0;
    } else {
      track.delayMs = DelayToVideoMs(streams, out.section, out.number).value_or(0);
    }
    bool& taken = out.section == Section::Video ? videoDefault : audioDefault;
    track.isDefault = out.section != Section::Subpicture && !taken;
    if (track.isDefault) taken = true;
    plan.tracks.push_back(std::move(track));
  }
  return plan;
}

void MkvJob::makeFile(const std::string& mkvmerge, const MkvPlan& plan, const std::string& folder) {
  if (plan.tracks.empty()) throw KlarvexError("No stream for the MKV: Matroska holds none of the chosen streams");
  // The names are checked as every output's are (no link, no source), and
  // the MKV's left to mkvmerge empty.
  const SourceFiles sources = context_.sourceFiles();
  for (const DemuxedStream& out : leftOut_)
    RefuseExistingOutput(InFolder(FolderPart(plan.output), FileNamePart(out.path)), sources);
  OutputFile check;
  check.create(plan.output, sources);
  check.close();
  OnFailure keepStreams([this, &folder] { context_.logWarning("The demuxed streams are kept in " + Literal(folder)); });
  runMkvmerge(mkvmerge, plan);
  if (state_.engine.run.StopRequested) {
    std::filesystem::remove(plan.output);
    std::filesystem::remove_all(folder);
    host_.log("Stopped: " + Literal(plan.output) + " was removed");
    return;
  }
  keepLeftOut(FolderPart(plan.output));
  std::filesystem::remove_all(folder);
  written_ = plan.output;
  host_.log("Written " + Literal(plan.output));
}

// Streams Matroska can't carry stay beside the MKV, under their own names.
void MkvJob::keepLeftOut(const std::string& outputFolder) {
  for (const DemuxedStream& out : leftOut_) {
    const std::string kept = InFolder(outputFolder, FileNamePart(out.path));
    if (std::rename(out.path.c_str(), kept.c_str()) != 0) throw CannotCreateFile(kept, errno);
    const std::string& caption = state_.box(out.section, out.number).caption;
    const char* why = out.form == "sup" ? "Matroska holds no HD DVD subpictures" : "Matroska holds no raw LPCM";
    context_.logWarning("Not in the MKV: " + Literal(caption) + " (" + why + "); written as " + Literal(kept));
  }
}

void MkvJob::runMkvmerge(const std::string& mkvmerge, const MkvPlan& plan) {
  std::vector<std::string> argv = MkvmergeArguments(plan);
  argv.insert(argv.begin(), mkvmerge);
  host_.log("Making [b]" + Literal(FileNamePart(plan.output)) + "[/b] with mkvmerge");
  RunState& run = state_.engine.run;
  run.WriteJobRunning = true;
  context_.setCancelEnabled(true);
  ScopeExit cancelOff([this] { context_.setCancelEnabled(false); });
  ChildProcess child;
  child.start(argv);
  std::string line, lastError;
  for (bool stopping = false;;) {
    const ChildProcess::Output got = child.readLine(line, kPollMs);
    if (got == ChildProcess::Output::End) break;
    if (got == ChildProcess::Output::Line) {
      if (const int percent = MkvmergeProgress(line); percent >= 0) {
        host_.slog("Muxing: " + IntText(percent) + "%", 1);
      } else if (StartsWith(line, kWarningTag)) {
        context_.logWarning("mkvmerge: " + line.substr(std::strlen(kWarningTag)));
      } else if (StartsWith(line, kErrorTag)) {
        lastError = line.substr(std::strlen(kErrorTag));
        context_.logWarning("mkvmerge: " + lastError);
      }
    }
    host_.processEvents();
    if (run.StopRequested && !stopping) {
      child.terminate();
      stopping = true;
    }
  }
  const int status = child.wait();
  if (run.StopRequested) return;
  // 0: done; 1: done with warnings; anything else: failed.
  if (status > 1) {
    std::filesystem::remove(plan.output);
    throw KlarvexError("mkvmerge failed", lastError.empty() ? "exit status " + IntText(status) : lastError);
  }
}

void Jobs::bMkvClick() {
  if (!state_.mayStartJob()) return;
  JobGuard guard(state_.jobRunning);
  mkv_.run();
}

}  // namespace klarvex
