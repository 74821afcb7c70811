#include "ProgramWindows.h"

#include <QGuiApplication>

#include "SkinnedWindow.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"

namespace rejstrik {

TProgram::TProgram(const QStringList& arguments) {
  QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));
  FForm1 = std::make_unique<TForm1>(FWindows, arguments);
  FWindows.Form1 = FForm1.get();
  FForm3 = std::make_unique<TForm3>();
  FWindows.Form3 = FForm3.get();
  FForm2 = std::make_unique<TForm2>();
  FWindows.Form2 = FForm2.get();
  FForm4 = std::make_unique<TForm4>(FWindows);
  FWindows.Form4 = FForm4.get();
  FForm5 = std::make_unique<TForm5>(FWindows);
  FWindows.Form5 = FForm5.get();
  FForm6 = std::make_unique<TForm6>(FWindows);
  FWindows.Form6 = FForm6.get();
  CenterOnWindow(FForm4.get(), FForm1.get());
}

TProgram::~TProgram() = default;

bool TProgram::Start() {
  FForm1->ShowAtStart();
  return !FForm1->Terminated();
}

}  // namespace rejstrik
