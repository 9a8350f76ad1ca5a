// Where the window opens: the place saved when it last closed, brought onto
// the screens there are now. A place saved on a monitor since unplugged, or
// edited by hand, must not open the window out of reach.
#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

#include "ui/settings_store.h"

namespace klarvex::ui {

// The saved client area, each value kept far from int's limits so that a
// hand-edited Left=2147483647 can't overflow the rectangle's arithmetic.
QRect SavedPlace(const WindowSettings& window);

// The client area to open with. The size is never below `minimum`. A place
// whose frame (the client area grown by `frame`) lies on the available
// screens stays exactly as saved. Any other goes to the screen its frame
// overlaps most, or to `primary` when it meets none: its size is cut to
// that screen's (not below `minimum`) and it moves just far enough to lie
// on it, the title bar first.
QRect PlaceOnScreens(const QRect& saved, const QList<QRect>& available, const QRect& primary, const QSize& minimum,
                     const QMargins& frame = {});

}  // namespace klarvex::ui
