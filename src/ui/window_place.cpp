#include "ui/window_place.h"

#include <QRegion>
#include <algorithm>
#include <cstdint>

namespace klarvex::ui {

namespace {

// Far beyond any screen, yet far from int's limits.
constexpr int kFar = 1 << 24;

int64_t Area(const QRect& rect) { return rect.isEmpty() ? 0 : int64_t{rect.width()} * rect.height(); }

// `start` moved so that `length` from it lies within [low, low + room);
// at `low` when it doesn't fit.
int Within(int start, int length, int low, int room) { return std::max(low, std::min(start, low + room - length)); }

}  // namespace

QRect SavedPlace(const WindowSettings& window) {
  return QRect(std::clamp(window.Left, -kFar, kFar), std::clamp(window.Top, -kFar, kFar),
               std::clamp(window.Width, 0, kFar), std::clamp(window.Height, 0, kFar));
}

QRect PlaceOnScreens(const QRect& saved, const QList<QRect>& available, const QRect& primary, const QSize& minimum,
                     const QMargins& frame) {
  const QRect client(saved.topLeft(), saved.size().expandedTo(minimum));
  const QRect outer = client.marginsAdded(frame);
  QRegion screens;
  for (const QRect& screen : available) screens += screen;
  if (QRegion(outer).subtracted(screens).isEmpty()) return client;

  QRect target = primary;
  int64_t mostShared = 0;
  for (const QRect& screen : available) {
    const int64_t shared = Area(outer.intersected(screen));
    if (shared > mostShared) {
      mostShared = shared;
      target = screen;
    }
  }
  if (target.isEmpty()) return client;  // no screen to go to

  const QSize least = minimum.grownBy(frame);
  const QSize size = outer.size().boundedTo(target.size()).expandedTo(least);
  const QRect placed(Within(outer.left(), size.width(), target.left(), target.width()),
                     Within(outer.top(), size.height(), target.top(), target.height()), size.width(), size.height());
  return placed.marginsRemoved(frame);
}

}  // namespace klarvex::ui
