#include "jobs/dvd_chapters_job.h"

#include "base/errors.h"
#include "base/markup.h"
#include "base/output_file.h"
#include "base/text_format.h"
#include "jobs/source_sequence.h"
#include "navigation/ifo_title.h"
#include "navigation/xpl_chapters.h"

namespace klarvex {

std::string WriteDvdChapters(const std::string& source, const std::string& outputFolder, Host& host,
                             const std::string& refuseExisting) {
  std::string whyNot;
  const std::string ifoPath = DvdIfoPathFor(source, whyNot);
  if (!ifoPath.empty()) host.log("Reading [b]" + Literal(FileNamePart(ifoPath)) + "[/b]");
  const std::optional<DvdTitleInfo> title = ReadDvdTitleInfo(source, whyNot);
  if (!title) throw KlarvexError(whyNot);
  if (title->chapters.empty())
    throw KlarvexError("No chapters: program chain " + IntText(title->pgcNumber) + " of \"" + ifoPath +
                       "\" has no programs");
  const size_t count = title->chapters.size();
  host.log(IntText(static_cast<int64_t>(count)) + (count == 1 ? " chapter" : " chapters") + " in program chain " +
           IntText(title->pgcNumber) + " of title set " + IntText(title->titleSet));

  const std::string name = ChapterFileName(outputFolder, CutExt(FileNamePart(source)));
  SourceFiles sources;
  sources.add(source);
  sources.add(ifoPath);
  sources.refuseExisting(refuseExisting);
  OutputFile file;
  file.create(name, sources);
  const std::string text = ChapterFileText(DvdChapterList(*title));
  file.writeAll(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
  file.close();
  host.log("Chapters info writed to " + Literal(name));
  return name;
}

}  // namespace klarvex
