// What the VTI tab shows after a title set information read.
#pragma once

namespace klarvex {

struct VtiModel {};

}  // namespace klarvex
