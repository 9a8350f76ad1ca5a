#include "text_format.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/bytes.h"

namespace klarvex {

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string IntText(int64_t value) { return std::to_string(value); }

std::string HexText(uint64_t value, int minDigits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", minDigits, static_cast<unsigned long long>(value));
  return buffer;
}

static std::string DecimalSeparator() {
  const lconv* conv = localeconv();
  if (conv && conv->decimal_point && conv->decimal_point[0]) return conv->decimal_point;
  return ".";
}

std::string GeneralNumberText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, DecimalSeparator());
  return text;
}

std::string TimeSeparator() {
  // The locale's time format ("%H:%M:%S", "%H.%M.%S", ...): the separator is
  // what stands between the hour and the minute conversions.
  const char* format = nl_langinfo(T_FMT);
  std::string f = format ? format : "";
  size_t hour = f.find("%H");
  if (hour == std::string::npos) hour = f.find("%I");
  if (hour == std::string::npos) hour = f.find("%k");
  if (hour == std::string::npos) hour = f.find("%l");
  if (hour != std::string::npos) {
    size_t minute = f.find("%M", hour + 2);
    if (minute != std::string::npos && minute > hour + 2) return f.substr(hour + 2, minute - hour - 2);
  }
  return ":";
}

namespace {

struct TimeParts {
  int64_t hours, minutes, seconds, millis;
};

TimeParts SplitMillis(int64_t totalMillis) {
  if (totalMillis < 0) totalMillis = 0;
  TimeParts parts{};
  parts.millis = totalMillis % 1000;
  int64_t totalSeconds = totalMillis / 1000;
  parts.seconds = totalSeconds % 60;
  parts.minutes = (totalSeconds / 60) % 60;
  parts.hours = (totalSeconds / 3600) % 24;  // hours of the day
  return parts;
}

}  // namespace

std::string DurationText(double days) {
  TimeParts p = SplitMillis(std::llround(days * 86400000.0));
  std::string sep = TimeSeparator();
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%lld%s%02lld%s%02lld.%03lld", static_cast<long long>(p.hours), sep.c_str(),
                static_cast<long long>(p.minutes), sep.c_str(), static_cast<long long>(p.seconds),
                static_cast<long long>(p.millis));
  return buffer;
}

std::string ClockText(double days) {
  // Rounded to the millisecond first, as DurationText, then the milliseconds
  // are dropped: flooring days * 86400 directly turns 11 s into 10.9999... s.
  TimeParts p = SplitMillis(std::llround(days * 86400000.0));
  std::string sep = TimeSeparator();
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%lld%s%02lld%s%02lld", static_cast<long long>(p.hours), sep.c_str(),
                static_cast<long long>(p.minutes), sep.c_str(), static_cast<long long>(p.seconds));
  return buffer;
}

double DaysSince(std::chrono::steady_clock::time_point start) {
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count() / 86400.0;
}

std::string ProgressText(int64_t position, int64_t size, double elapsedDays) {
  double remaining =
      position > 0 ? elapsedDays * static_cast<double>(size) / static_cast<double>(position) - elapsedDays : 0;
  remaining += 1.0 / 86400.0;
  return IntText(position / kMiB) + "/" + IntText(size / kMiB) + " Mbytes, Remaining time: " + ClockText(remaining);
}

namespace {

uint32_t NameHash(const std::string& text) {  // FNV-1a: short and stable across runs and builds
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

size_t Utf8SequenceAt(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u; };
  const unsigned lead = byte(0);
  if (lead < 0x80) return 1;
  // The second byte's range rules out overlong forms, surrogates and code
  // points past U+10FFFF; the others are plain continuation bytes.
  unsigned low = 0x80, high = 0xBF;
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
  else
    return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (!IsUtf8Continuation(static_cast<char>(byte(i)))) return 0;
  return length;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder + (folder.back() == '/' ? "" : "/") + name;
}

std::string FitFileName(const std::string& path) {
  const size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
  const std::string name = path.substr(nameStart);
  if (name.size() <= kFileNameMax) return path;
  const std::string mark = "~" + HexText(NameHash(name), 8);
  size_t dot = name.rfind('.');
  // An extension is what the user knows a file by; a long one is no extension.
  std::string extension = dot != std::string::npos && name.size() - dot <= 32 ? name.substr(dot) : "";
  // The middle goes: the start says which source, the end which stream.
  const std::string stem = name.substr(0, name.size() - extension.size());
  const size_t room = kFileNameMax - mark.size() - extension.size();
  size_t head = room / 2;
  while (head > 0 && IsUtf8Continuation(stem[head])) --head;
  size_t tail = stem.size() - (room - head);
  while (tail < stem.size() && IsUtf8Continuation(stem[tail])) ++tail;
  return path.substr(0, nameStart) + stem.substr(0, head) + mark + stem.substr(tail) + extension;
}

}  // namespace klarvex
