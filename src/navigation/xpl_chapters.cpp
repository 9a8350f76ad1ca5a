#include "navigation/xpl_chapters.h"

#include "navigation/xpl_text.h"

namespace klarvex {

std::string ChapterStartTime(const std::string& titleTimeBegin) {
  std::string frames = titleTimeBegin.size() > 9 ? titleTimeBegin.substr(9, 2) : "";
  int milliseconds = DecimalOr(frames, 0) * 1000 / 60;
  return titleTimeBegin.substr(0, 8) + "." + PadNum(milliseconds, 3);
}

void AddChapter(std::vector<std::string>& chapterList, int number, const std::string& name,
                const std::string& titleTimeBegin) {
  const std::string label = "CHAPTER" + PadNum(number, 2);
  chapterList.push_back(label + "=" + ChapterStartTime(titleTimeBegin));
  chapterList.push_back(label + "NAME=" + name);
}

std::string ChapterFileText(const std::vector<std::string>& chapterList) {
  std::string text;
  for (const std::string& line : chapterList) text += line + "\r\n";
  return text;
}

std::string ChapterFileName(const std::string& outputFolder, const std::string& sourceBase) {
  const std::string name = sourceBase + ".chapters.txt";
  if (outputFolder.empty()) return name;
  return outputFolder + (outputFolder.back() == '/' ? "" : "/") + name;
}

}  // namespace klarvex
