// The settings that outlive a run: the options, the window's size and
// place, the playlist tree's width and the last folders. They live under
// organisation "Tessaro Software", application "Klarvex" (an INI file in
// the user's configuration folder on Linux), read once at start-up and
// written once when the window closes.
#pragma once

#include <QSettings>

#include "jobs/app_state.h"

namespace klarvex::ui {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

struct WindowSettings {
  // The smallest client area the window allows, and the size it opens at
  // first: larger, as the desktop's fonts are wider than the 8-point Tahoma
  // the window was laid out for.
  static constexpr int kMinimumWidth = 653, kMinimumHeight = 337;
  static constexpr int kDesignedWidth = 760, kDesignedHeight = 460;

  int Width = kDesignedWidth;
  int Height = kDesignedHeight;
  int Top = 326;
  int Left = 265;
  WindowState windowState = WindowState::Normal;
  // Every close stores the tree's width, so the designed one stands for a
  // width the user never set: the tree then fits its entries after a read.
  static constexpr int kDesignedTreeWidth = 96;
  int TreeWidth = kDesignedTreeWidth;
  bool treeWidthChosen() const { return TreeWidth != kDesignedTreeWidth; }
};

// The store of a normal run.
std::unique_ptr<QSettings> OpenSettings();

// RegRead: every value that exists replaces its default, in the order of
// the store; then "Version" is written. Returns false when there were no
// settings at all (nothing read, nothing written).
bool RegRead(QSettings& store, AppState& state, WindowSettings& window, const QString& version);
// RegWrite: all values; the size and place only when the window is not
// maximized, so a maximized window keeps its last normal size.
void RegWrite(QSettings& store, const AppState& state, const WindowSettings& window, const QString& version);

}  // namespace klarvex::ui
