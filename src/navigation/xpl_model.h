// What the XPL tab shows after a playlist read.
#pragma once

namespace klarvex {

struct XplModel {};

}  // namespace klarvex
