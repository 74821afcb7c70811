// The program entry: the application, its six windows and the message loop.
#include "ProgramWindows.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  rejstrik::TProgram program(QApplication::arguments().mid(1));
  if (!program.Start()) return 0;
  return QApplication::exec();
}
