// A virtual X server (Xvfb) for tests that drive the real program: starts the server on a free
// display, starts programs on it, finds their windows and clicks into them with real pointer
// events (xdotool), and photographs the screen (xwd). Everything started ends with the session.
#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace rejstrik::testing {

class TX11Session {
 public:
  // The tools the session cannot do without; empty when they are all installed.
  static QStringList MissingTools();
  // The tools that only the screenshots need.
  static QStringList MissingScreenshotTools();

  // Starts Xvfb on a free display with one screen of the given size; throws when the server does
  // not come up.
  explicit TX11Session(QSize screen);
  // Kills every program started on the display, then the server.
  ~TX11Session();
  TX11Session(const TX11Session&) = delete;
  TX11Session& operator=(const TX11Session&) = delete;

  QSize ScreenSize() const { return FScreen; }

  // Starts a program on the display; it is killed with the session unless it ended before.
  QProcess& Launch(const QString& program, const QStringList& arguments);

  // The window whose title matches the regular expression, once it is shown (mapped), or
  // nothing when none is shown within the time.
  std::optional<QString> WaitForWindow(const QString& titlePattern, int timeoutMs = 10000);
  // True once no shown window's title matches, false when one is still shown after the time.
  bool WaitUntilGone(const QString& titlePattern, int timeoutMs = 10000);
  // The window's frame on the screen.
  QRect Geometry(const QString& window);

  // Moves the pointer to the screen position and clicks the left button there.
  void ClickAt(QPoint position);

  // The whole screen as it is shown now; also saved as a PNG file when a name is given.
  QImage Screenshot(const QString& pngFileName = {});
  // The same once the area (a window just shown) is drawn: not of one colour, and the same in
  // two pictures in a row; after three seconds the screen is taken as it is.
  QImage ScreenshotOnceDrawn(QRect area, const QString& pngFileName);

 private:
  // Runs a tool on the display to its end (at most timeoutMs) and returns its output; throws
  // when it cannot run, runs too long or fails, unless failure is allowed (then: nothing).
  std::optional<QByteArray> Run(const QString& tool, const QStringList& arguments,
                                bool failureAllowed = false, int timeoutMs = 10000);
  QProcessEnvironment Environment() const;

  QSize FScreen;
  QString FDisplay;
  QString FWorkDirectory;
  std::unique_ptr<QProcess> FServer;
  std::vector<std::unique_ptr<QProcess>> FPrograms;
};

}  // namespace rejstrik::testing
