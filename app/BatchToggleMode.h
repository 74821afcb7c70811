// Ctrl batch mode of the toggle windows: while Ctrl is held, toggle clicks change the toggles
// without re-querying. The toggles keep their click handlers; the re-query itself waits while
// the mode is on, and ending the mode (Ctrl released in either window, or the program losing
// the focus with Ctrl still down) runs it once.
#pragma once

class QKeyEvent;

namespace rejstrik {

// True when the key event starts batch mode (Ctrl pressed while the mode is off).
bool StartsBatchToggleMode(const QKeyEvent& event);
// True for the release of Ctrl (not one repeated while the key is held).
bool IsCtrlRelease(const QKeyEvent& event);
// Ends batch mode; true when it was on, so that the caller re-queries once.
bool EndBatchToggleMode();
// While batch mode is on, a re-query waits for its end.
bool RequeryDeferred();

}  // namespace rejstrik
