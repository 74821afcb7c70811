#include "X11Session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <stdexcept>

namespace rejstrik::testing {
namespace {

constexpr int PollIntervalMs = 50;

QStringList Missing(const QStringList& tools) {
  QStringList missing;
  for (const QString& tool : tools)
    if (QStandardPaths::findExecutable(tool).isEmpty()) missing << tool;
  return missing;
}

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

// Ends a process for sure: asks it first, then kills it.
void End(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(2000)) {
    process.kill();
    process.waitForFinished(2000);
  }
}

}  // namespace

QStringList TX11Session::MissingTools() { return Missing({"Xvfb", "xdotool"}); }

QStringList TX11Session::MissingScreenshotTools() { return Missing({"xwd", "xwdtopnm"}); }

TX11Session::TX11Session(QSize screen) : FScreen(screen), FServer(std::make_unique<QProcess>()) {
  // -displayfd: the server picks a free display and writes its number once it accepts clients.
  // Its complaints about missing fonts and extensions are of no interest here.
  FServer->setStandardErrorFile(QProcess::nullDevice());
  FServer->start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                          QString("%1x%2x24").arg(screen.width()).arg(screen.height())});
  if (!FServer->waitForStarted(5000)) Fail("Xvfb does not start: " + FServer->errorString());
  QByteArray number;
  QElapsedTimer timer;
  timer.start();
  while (!number.contains('\n') && timer.elapsed() < 10000 &&
         FServer->state() == QProcess::Running) {
    FServer->waitForReadyRead(100);
    number += FServer->readAllStandardOutput();
  }
  if (!number.contains('\n')) {
    End(*FServer);
    Fail("Xvfb gave no display number within 10 s");
  }
  FDisplay = ":" + QString::fromLatin1(number.trimmed());
}

TX11Session::~TX11Session() {
  for (auto& program : FPrograms) End(*program);
  End(*FServer);
}

QProcessEnvironment TX11Session::Environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DISPLAY", FDisplay);
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.remove("WAYLAND_DISPLAY");
  return environment;
}

QProcess& TX11Session::Launch(const QString& program, const QStringList& arguments) {
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(Environment());
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->start(program, arguments);
  if (!process->waitForStarted(5000)) Fail(program + " does not start: " + process->errorString());
  FPrograms.push_back(std::move(process));
  return *FPrograms.back();
}

std::optional<QByteArray> TX11Session::Run(const QString& tool, const QStringList& arguments,
                                           bool failureAllowed, int timeoutMs) {
  QProcess process;
  process.setProcessEnvironment(Environment());
  process.start(tool, arguments);
  if (!process.waitForFinished(timeoutMs)) {
    End(process);
    Fail(tool + " " + arguments.join(' ') + ": did not finish");
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    if (failureAllowed) return std::nullopt;
    Fail(tool + " " + arguments.join(' ') + ": " +
         QString::fromLocal8Bit(process.readAllStandardError()));
  }
  return process.readAllStandardOutput();
}

std::optional<QString> TX11Session::WaitForWindow(const QString& titlePattern, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  do {
    // xdotool answers 1 while no window matches.
    if (const auto found = Run("xdotool", {"search", "--onlyvisible", "--name", titlePattern}, true)) {
      const QString first = QString::fromLatin1(*found).section('\n', 0, 0).trimmed();
      if (!first.isEmpty()) return first;
    }
    QThread::msleep(PollIntervalMs);
  } while (timer.elapsed() < timeoutMs);
  return std::nullopt;
}

bool TX11Session::WaitUntilGone(const QString& titlePattern, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  do {
    if (!Run("xdotool", {"search", "--onlyvisible", "--name", titlePattern}, true)) return true;
    QThread::msleep(PollIntervalMs);
  } while (timer.elapsed() < timeoutMs);
  return false;
}

QRect TX11Session::Geometry(const QString& window) {
  // Lines X=.., Y=.., WIDTH=.., HEIGHT=.. (and WINDOW=..).
  const QByteArray shell = *Run("xdotool", {"getwindowgeometry", "--shell", window});
  QRect frame;
  for (const QByteArray& line : shell.split('\n')) {
    const QList<QByteArray> pair = line.split('=');
    if (pair.size() != 2) continue;
    const int value = pair[1].trimmed().toInt();
    if (pair[0] == "X") frame.moveLeft(value);
    if (pair[0] == "Y") frame.moveTop(value);
    if (pair[0] == "WIDTH") frame.setWidth(value);
    if (pair[0] == "HEIGHT") frame.setHeight(value);
  }
  return frame;
}

void TX11Session::ClickAt(QPoint position) {
  Run("xdotool", {"mousemove", "--sync", QString::number(position.x()),
                  QString::number(position.y()), "click", "1"});
}

QImage TX11Session::Screenshot(const QString& pngFileName) {
  const QTemporaryDir scratch;
  const QString xwdFile = scratch.filePath("screen.xwd");
  const QString ppmFile = scratch.filePath("screen.ppm");
  Run("xwd", {"-display", FDisplay, "-root", "-silent", "-out", xwdFile});
  QProcess convert;
  convert.setStandardOutputFile(ppmFile);
  convert.start("xwdtopnm", {xwdFile});
  if (!convert.waitForFinished(10000) || convert.exitCode() != 0) {
    End(convert);
    Fail("xwdtopnm cannot convert the screen picture");
  }
  QImage picture(ppmFile);
  if (picture.isNull()) Fail("the screen picture cannot be read");
  if (!pngFileName.isEmpty() && !picture.save(pngFileName)) Fail("cannot save " + pngFileName);
  return picture;
}

QImage TX11Session::ScreenshotOnceDrawn(QRect area, const QString& pngFileName) {
  const auto drawn = [](const QImage& part) {
    for (int y = 0; y < part.height(); ++y)
      for (int x = 0; x < part.width(); ++x)
        if (part.pixel(x, y) != part.pixel(0, 0)) return true;
    return false;
  };
  QElapsedTimer timer;
  timer.start();
  QImage screen = Screenshot();
  QImage previous;
  while (timer.elapsed() < 3000 && !(drawn(screen.copy(area)) && screen == previous)) {
    QThread::msleep(PollIntervalMs);
    previous = screen;
    screen = Screenshot();
  }
  if (!screen.save(pngFileName)) Fail("cannot save " + pngFileName);
  return screen;
}

}  // namespace rejstrik::testing
