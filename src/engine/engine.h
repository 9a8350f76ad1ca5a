// The engine's shared state: the stream table, the run-wide values, the
// source file and the buffer it is read into.
#pragma once

#include "base/files.h"
#include "engine/read_buffer.h"
#include "engine/run_state.h"
#include "engine/stream_table.h"

namespace klarvex {

struct Engine {
  StreamTable streams;
  RunState run;
  ReadBuffer buffer;
  InputFile input;
};

}  // namespace klarvex
