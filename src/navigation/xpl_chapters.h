// The ChapterList: two lines per chapter, written as a text file with
// CR LF line ends.
#pragma once

#include <string>
#include <vector>

namespace klarvex {

// "HH:MM:SS:FF" (FF in sixtieths of a second, whatever the playlist's
// timeBase) as "HH:MM:SS.mmm".
std::string ChapterStartTime(const std::string& titleTimeBegin);

// Appends "CHAPTERnn=<start>" and "CHAPTERnnNAME=<name>".
void AddChapter(std::vector<std::string>& chapterList, int number, const std::string& name,
                const std::string& titleTimeBegin);

// The file's bytes: every line followed by CR LF.
std::string ChapterFileText(const std::vector<std::string>& chapterList);

// SourceBase + ".chapters.txt" in the output folder; the bare name when
// no folder is set.
std::string ChapterFileName(const std::string& outputFolder, const std::string& sourceBase);

}  // namespace klarvex
