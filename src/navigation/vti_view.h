// The VTI tab's model filled from the decoded tables: the lists, the
// entries they select, the texts and the rows of the stream grids.
#pragma once

#include <string>

#include "navigation/vti_model.h"
#include "navigation/vti_tables.h"

namespace klarvex {

// The tables read, with the list "1" to N and the list of EVOB names, the
// entry named `sourceName` (any letter case) selected and no attribute
// entry. What the tab shows of the entries is left to a refresh.
void ShowVtiTables(VtiModel& model, VtiTables tables, const std::string& sourceName);

// cbEVOnameChange: the information part for the EVOB selected in
// cbEVOname, then the attribute part for its attribute number. Nothing
// selected, or no such record: the view shows nothing.
void RefreshEvob(VtiModel& model);
// cbAttrNoChange: the attribute part for the entry selected in cbAttrNo.
void RefreshAttr(VtiModel& model);

// Both tables and both lists emptied, the view showing nothing.
void ClearVtiTables(VtiModel& model);

}  // namespace klarvex
