// The program's file streams.
#pragma once

#include "base/input_file.h"
#include "base/output_file.h"
