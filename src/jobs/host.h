// What a front end gives the jobs: the message log, its event pump, the
// page switch, the confirmation question of Cancel, and word of changes to
// the model so it can mirror them.
#pragma once

#include <cstdint>
#include <string>

#include "base/message_log.h"

namespace klarvex {

// How far a pass over a title has come: file `file` of `files` (from 1),
// `done` of `total` bytes over all of them. `files` 0: no pass runs.
struct TitleProgress {
  int file = 0;
  int files = 0;
  int64_t done = 0;
  int64_t total = 0;
};

class Host : public MessageLog {
 public:
  // Handles pending user events (Cancel, closing) at a job's progress points.
  virtual void processEvents() = 0;
  // Once per 256 KiB buffer of a walk: only for stop requests that must not
  // wait for the next progress point (the command line's Ctrl-C).
  virtual void pollStop() {}
  virtual void repaint() {}
  virtual void showPage(int page) { (void)page; }
  // A yes/no question; true for yes.
  virtual bool confirm(const std::string& question) = 0;
  // The model (buttons, boxes, texts) changed.
  virtual void stateChanged() {}
  // Where the pass over the title stands, given right before the events are
  // handled; once with `files` 0 when the pass ends.
  virtual void titleProgress(const TitleProgress& progress) { (void)progress; }
  // Something the user must not miss that doesn't fail the job, already in
  // the log: a front end whose log may go unread (the command line's
  // standard output, or none with --json) shows it apart as well.
  virtual void warn(const std::string& text) { (void)text; }
};

}  // namespace klarvex
