// What the VTI tab shows after a title set information read: the two
// tables, the lists with their entries, selection and enabled state, the
// decoded texts and the rows of the three stream grids. Where the widgets
// go is the window's business.
#pragma once

#include <string>
#include <vector>

#include "navigation/vti_decode.h"
#include "navigation/vti_tables.h"

namespace klarvex {

// A drop-down list: fixed entries (or those a read put in), the position
// selected (-1: nothing) and whether the user can use it.
struct VtiList {
  std::vector<std::string> items;
  int selected = -1;
  bool enabled = true;

  const std::string& selectedText() const;  // "" when nothing is selected
  bool operator==(const VtiList&) const = default;
};

// The five lists of one video stream (main or sub).
struct VtiVideoLists {
  VtiList compression, resolution, aspect, scanType, tvSystem;

  bool operator==(const VtiVideoLists&) const = default;
};

struct VtiModel {
  VtiModel();

  EvobAttrTable attrTable;  // EvobAttrTable: entry i is listed as i + 1
  EvobInfoTable infoTable;  // EvobInfoTable

  VtiList cbEVOname;  // hint "VTS_EVOBI"
  VtiList cbAttrNo;   // "1" to N

  // The EVOB information part.
  VtiList cbAppType, cbA0gap, cbA1gap;
  std::string eEVOBname, eAddrOffs, ieEVOsize, ieEVOindex, eStartPTM, eEndPTM;

  // The attribute part.
  VtiVideoLists main;  // cbMainCompr, cbMainRes, cbMainAspect, cbMainProgInt, cbMainTV
  VtiVideoLists sub;   // cbSubCompr, cbSubRes, cbSubAspect, cbSubProgInt, cbSubTV
  VtiGrid sgMainAudio, sgSubAudio, sgSubpicture;
};

}  // namespace klarvex
