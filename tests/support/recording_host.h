// A host for tests: records every log line and status text, answers
// confirmations as told, and can run an action at the walker's progress
// points (to press Cancel in the middle of a walk).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "jobs/host.h"

namespace klarvex::testing {

class RecordingHost : public Host {
 public:
  std::vector<std::string> lines;  // messages as logged, tags included
  std::string panel[2];
  std::vector<std::string> progress;  // every text shown in panel 1
  std::vector<std::string> errors;    // erslog texts
  std::vector<std::string> warnings;  // warn texts
  std::vector<TitleProgress> titleProgresses;
  int beeps = 0;
  int clears = 0;
  int eventPumps = 0;
  int stateChanges = 0;
  bool confirmAnswer = true;
  std::vector<std::string> questions;
  std::function<void()> onProcessEvents;

  void log(const std::string& message) override { lines.push_back(message); }
  void slog(const std::string& text, int panelIndex) override {
    panel[panelIndex] = text;
    if (panelIndex == 1) progress.push_back(text);
  }
  void erslog(const std::string& text) override { errors.push_back(text); }
  void beep() override { ++beeps; }
  void clear() override {
    ++clears;
    lines.clear();
  }
  void processEvents() override {
    ++eventPumps;
    if (onProcessEvents) onProcessEvents();
  }
  bool confirm(const std::string& question) override {
    questions.push_back(question);
    return confirmAnswer;
  }
  void stateChanged() override { ++stateChanges; }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void titleProgress(const TitleProgress& p) override { titleProgresses.push_back(p); }
};

}  // namespace klarvex::testing
