// The size of the screen the program's windows are placed on.
#pragma once

namespace platform::ui {

// Height of the primary screen in pixels.
int ScreenHeight();

// Makes ScreenHeight answer the given height (0 returns to the real screen); lets tests
// play a small screen on any display.
void SetScreenHeightOverride(int height);

}  // namespace platform::ui
