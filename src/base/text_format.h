// Number and time texts shared by every message.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace klarvex {

// ASCII upper case (extensions such as ".evo" compare as ".EVO").
std::string UpperCase(std::string text);

// Decimal integer, minus sign when negative, no padding.
std::string IntText(int64_t value);

// Upper-case hexadecimal, zero-padded to at least `minDigits` digits.
std::string HexText(uint64_t value, int minDigits);

// General number text: up to 15 significant digits, no exponent for
// ordinary magnitudes, no trailing zeros, an integral value without a
// separator, and the decimal separator of the user's locale (LC_NUMERIC).
std::string GeneralNumberText(double value);

// The user's time separator (LC_TIME), ":" when the locale names none.
std::string TimeSeparator();

// A duration given as a fraction of a day, as "h:mm:ss.zzz": rounded to the
// millisecond, hours of the day without a leading zero.
std::string DurationText(double days);

// A duration given as a fraction of a day, as "h:mm:ss" (elapsed and
// remaining times).
std::string ClockText(double days);

// Time since `start`, as a fraction of a day (the unit the time texts take).
double DaysSince(std::chrono::steady_clock::time_point start);

// The progress of a long pass: "412/8191 Mbytes, Remaining time: 0:00:09",
// the remaining time estimated from the time taken so far (in days), plus
// one second.
std::string ProgressText(int64_t position, int64_t size, double elapsedDays);

// The length of the valid UTF-8 sequence at `at` (1 to 4), or 0 where the
// byte there starts none (a stray continuation, an overlong form, a
// surrogate, a code point past U+10FFFF, a sequence cut short).
size_t Utf8SequenceAt(std::string_view text, size_t at);

// `name` in `folder`: "folder/name", one "/" between them; the bare name
// when the folder is empty (the current folder).
std::string InFolder(const std::string& folder, const std::string& name);

// The longest file name (the part after the last "/") file systems take.
inline constexpr size_t kFileNameMax = 255;

// `path` with a file name of more than kFileNameMax bytes shortened: its
// extension (from the last ".") stays, and so do the start and the end of
// the rest; the middle, cut at character boundaries, gives way to "~" and
// eight hex digits of a hash of the whole name, so names that differ
// anywhere stay apart.
std::string FitFileName(const std::string& path);

}  // namespace klarvex
