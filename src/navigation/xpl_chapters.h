// The ChapterList: two lines per chapter, written as a text file with
// CR LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace klarvex {

// "HH:MM:SS:FF" (FF in sixtieths of a second, whatever the playlist's
// timeBase) as "HH:MM:SS.mmm".
std::string ChapterStartTime(const std::string& titleTimeBegin);

// A time in milliseconds as "HH:MM:SS.mmm" (hours past 99 take more digits).
std::string ChapterTimeText(int64_t milliseconds);

// Appends "CHAPTERnn=<start>" and "CHAPTERnnNAME=<name>".
void AddChapter(std::vector<std::string>& chapterList, int number, const std::string& name,
                const std::string& titleTimeBegin);
// The same with the start in milliseconds (a DVD title's chapters).
void AddChapterAt(std::vector<std::string>& chapterList, int number, const std::string& name, int64_t startMs);

// The file's bytes: every line followed by CR LF.
std::string ChapterFileText(const std::vector<std::string>& chapterList);

// SourceBase + ".chapters.txt" in the output folder; the bare name when
// no folder is set.
std::string ChapterFileName(const std::string& outputFolder, const std::string& sourceBase);

}  // namespace klarvex
