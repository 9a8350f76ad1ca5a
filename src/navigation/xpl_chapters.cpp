#include "navigation/xpl_chapters.h"

#include <algorithm>

#include "base/text_format.h"
#include "navigation/xpl_text.h"

namespace klarvex {

// The frame field counts 60 frames a second; a value outside 0 to 59 from
// a damaged playlist is clamped, so the chapter keeps its place and its
// time stays a time ("00:00:00:-5" starts at .000, ":99" at .983).
std::string ChapterStartTime(const std::string& titleTimeBegin) {
  constexpr int kFramesPerSecond = 60;
  std::string frames = titleTimeBegin.size() > 9 ? titleTimeBegin.substr(9, 2) : "";
  int frame = std::clamp(DecimalOr(frames, 0), 0, kFramesPerSecond - 1);
  int milliseconds = frame * 1000 / kFramesPerSecond;
  return titleTimeBegin.substr(0, 8) + "." + PadNum(milliseconds, 3);
}

void AddChapter(std::vector<std::string>& chapterList, int number, const std::string& name,
                const std::string& titleTimeBegin) {
  const std::string label = "CHAPTER" + PadNum(number, 2);
  chapterList.push_back(label + "=" + ChapterStartTime(titleTimeBegin));
  chapterList.push_back(label + "NAME=" + name);
}

std::string ChapterTimeText(int64_t milliseconds) {
  const int64_t ms = std::max<int64_t>(milliseconds, 0);
  auto part = [ms](int64_t unit, int64_t range, int width) {
    return PadNum(static_cast<int>(range ? ms / unit % range : ms / unit), width);
  };
  return part(3600000, 0, 2) + ":" + part(60000, 60, 2) + ":" + part(1000, 60, 2) + "." + part(1, 1000, 3);
}

void AddChapterAt(std::vector<std::string>& chapterList, int number, const std::string& name, int64_t startMs) {
  const std::string label = "CHAPTER" + PadNum(number, 2);
  chapterList.push_back(label + "=" + ChapterTimeText(startMs));
  chapterList.push_back(label + "NAME=" + name);
}

std::string ChapterFileText(const std::vector<std::string>& chapterList) {
  std::string text;
  for (const std::string& line : chapterList) text += line + "\r\n";
  return text;
}

std::string ChapterFileName(const std::string& outputFolder, const std::string& sourceBase) {
  return FitFileName(InFolder(outputFolder, sourceBase + ".chapters.txt"));
}

}  // namespace klarvex
