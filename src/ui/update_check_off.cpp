// A build without the update check (distributions ship their own packages).
#include "ui/update_check.h"

namespace klarvex::ui {

std::unique_ptr<UpdateCheck> MakeUpdateCheck(TfMain&) { return nullptr; }

}  // namespace klarvex::ui
