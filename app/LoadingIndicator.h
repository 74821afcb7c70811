// The small red strip "načítám data..." in the middle of the screen while the program opens
// its first catalogue list.
#pragma once

#include <memory>

class QWidget;

namespace rejstrik {

class TLoadingIndicator {
 public:
  TLoadingIndicator();
  ~TLoadingIndicator();
  TLoadingIndicator(const TLoadingIndicator&) = delete;
  TLoadingIndicator& operator=(const TLoadingIndicator&) = delete;

  // Creates the window and shows it; Close destroys it again.
  void Show();
  void Close();

  // The window while shown, none otherwise.
  QWidget* Window() const { return FWindow.get(); }
  // How many times the strip was shown during the run.
  int ShowCount() const { return FShowCount; }

 private:
  std::unique_ptr<QWidget> FWindow;
  int FShowCount = 0;
};

}  // namespace rejstrik
