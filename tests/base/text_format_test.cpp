#include "base/text_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>

#include "analyser_support.h"

namespace klarvex {
namespace {

using TextFormat = testing::CLocaleTest;

constexpr double kFilmRate = 24000.0 / 1001;

double Seconds(double s) { return s / 86400.0; }

TEST_F(TextFormat, Integers) {
  EXPECT_EQ(IntText(0), "0");
  EXPECT_EQ(IntText(-42), "-42");
  EXPECT_EQ(IntText(5000000000), "5000000000");
  EXPECT_EQ(IntText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST_F(TextFormat, Hex) {
  EXPECT_EQ(HexText(0x1CCF0, 8), "0001CCF0");
  EXPECT_EQ(HexText(0x55, 2), "55");
  EXPECT_EQ(HexText(0xabc, 2), "ABC");  // more digits when needed, upper case
  EXPECT_EQ(HexText(0, 4), "0000");
  EXPECT_EQ(HexText(0xFFFFFFFFFFFFFFFFull, 1), "FFFFFFFFFFFFFFFF");
}

TEST_F(TextFormat, GeneralNumber) {
  EXPECT_EQ(GeneralNumberText(44.1), "44.1");
  EXPECT_EQ(GeneralNumberText(23.976), "23.976");
  EXPECT_EQ(GeneralNumberText(kFilmRate), "23.976023976024");  // 15 significant digits
  EXPECT_EQ(GeneralNumberText(48000), "48000");
  EXPECT_EQ(GeneralNumberText(0.5), "0.5");
  EXPECT_EQ(GeneralNumberText(-1.25), "-1.25");
}

TEST_F(TextFormat, GeneralNumberUsesLocaleSeparator) {
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if ((found = std::setlocale(LC_NUMERIC, name))) break;
  }
  if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
  EXPECT_EQ(GeneralNumberText(44.1), "44,1");
  EXPECT_EQ(GeneralNumberText(48000), "48000");
}

TEST_F(TextFormat, Duration) {
  EXPECT_EQ(DurationText(172651 / 86400.0 / kFilmRate), "2:00:00.985");
  EXPECT_EQ(DurationText(0), "0:00:00.000");
  EXPECT_EQ(DurationText(Seconds(61.0004)), "0:01:01.000");    // rounded down
  EXPECT_EQ(DurationText(Seconds(61.0006)), "0:01:01.001");    // rounded up
  EXPECT_EQ(DurationText(Seconds(3599.9996)), "1:00:00.000");  // carries to the hour
  EXPECT_EQ(DurationText(Seconds(10 * 3600 + 5)), "10:00:05.000");
  // A day or more: only the hours of the day.
  EXPECT_EQ(DurationText(1.0), "0:00:00.000");
  EXPECT_EQ(DurationText(Seconds(25 * 3600 + 2.5)), "1:00:02.500");
}

TEST_F(TextFormat, ClockDropsMilliseconds) {
  EXPECT_EQ(ClockText(172651 / 86400.0 / kFilmRate), "2:00:00");
  EXPECT_EQ(ClockText(Seconds(59.999)), "0:00:59");
  EXPECT_EQ(ClockText(Seconds(25 * 3600 + 7)), "1:00:07");
  // Whole seconds stay whole: 11 / 86400 * 86400 is 10.999999999999998.
  EXPECT_EQ(ClockText(Seconds(11)), "0:00:11");
  for (int s = 0; s < 4000; ++s) {
    std::string expected = DurationText(Seconds(s));
    ASSERT_EQ(ClockText(Seconds(s)), expected.substr(0, expected.size() - 4)) << s;
  }
}

// Names up to 255 bytes stay as they are; longer ones keep folder,
// extension, start and end, lose their middle at character boundaries, and
// differ where the whole names do.
TEST_F(TextFormat, FitFileName) {
  const std::string e = "\xC3\xA9";  // a two-byte character
  const struct {
    std::string path;
    size_t nameBytes;
    std::string start, end;
  } cases[] = {
      {"dir/" + std::string(251, 'a') + ".EVO", 255, "dir/aaa", "aaa.EVO"},
      {"dir/" + std::string(252, 'a') + ".EVO", 255, "dir/" + std::string(121, 'a') + "~", "~"},
      {std::string(300, 's') + ".DD.stream.01.mpa", 255, "sss", "s.DD.stream.01.mpa"},
      {std::string(122, 'a') + e + std::string(200, 'b'), 255, std::string(122, 'a') + "~", std::string(124, 'b')},
      {std::string(200, 'a') + e + std::string(122, 'b'), 254, std::string(123, 'a') + "~", "~"},
      {std::string(300, 'a') + "." + std::string(40, 'x'), 255, "aaa", "xxx"},  // a 40-byte "extension" is none
  };
  for (const auto& c : cases) {
    const std::string fitted = FitFileName(c.path);
    const std::string name = fitted.substr(fitted.rfind('/') == std::string::npos ? 0 : fitted.rfind('/') + 1);
    EXPECT_EQ(name.size(), c.nameBytes) << fitted;
    EXPECT_EQ(fitted.substr(0, c.start.size()), c.start) << fitted;
    EXPECT_NE(fitted.find(c.end), std::string::npos) << fitted;
    EXPECT_EQ(name.find("\xC3~"), std::string::npos) << "a character cut in two";
  }
  EXPECT_NE(FitFileName(std::string(300, 'a') + "1.mpa"), FitFileName(std::string(300, 'a') + "2.mpa"));
  EXPECT_EQ(FitFileName(std::string(300, 'a') + "1.mpa"), FitFileName(std::string(300, 'a') + "1.mpa"));
}

}  // namespace
}  // namespace klarvex
