#include "message_log.h"

#include "markup.h"

namespace klarvex {

void MessageLog::log2(const std::string& message) {
  log(message);
  log("");
}

void MessageLog::dlog(const std::string& message) {
  log(message);
  slog(StripTags(message), 1);
}

void MessageLog::dlog0(const std::string& message) {
  log(message);
  slog(StripTags(message), 0);
  slog("", 1);
}

void MessageLog::erlog(const std::string& message) {
  log("[re]" + message + "[/re]");
  erslog(message);
  beep();
}

}  // namespace klarvex
