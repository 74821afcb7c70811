// The six windows of the program, created once at start in a fixed order and referring to each
// other through this set.
#pragma once

#include <QStringList>

#include <memory>

namespace rejstrik {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

struct TProgramWindows {
  TForm1* Form1 = nullptr;  // main window: the catalogue browser
  TForm2* Form2 = nullptr;  // help
  TForm3* Form3 = nullptr;  // information
  TForm4* Form4 = nullptr;  // type and system filter
  TForm5* Form5 = nullptr;  // database selection
  TForm6* Form6 = nullptr;  // conditional search
};

// Owns the windows: gives the application its title, creates the windows in the order main,
// information, help, type filter, selection, conditional search, and destroys them in the
// reverse order.
class TProgram {
 public:
  // The arguments are the command line after the program name.
  explicit TProgram(const QStringList& arguments);
  ~TProgram();

  const TProgramWindows& Windows() const { return FWindows; }

  // Shows the main window; false when the program ended before it was shown (no database
  // was chosen).
  bool Start();

 private:
  TProgramWindows FWindows;
  std::unique_ptr<TForm1> FForm1;
  std::unique_ptr<TForm3> FForm3;
  std::unique_ptr<TForm2> FForm2;
  std::unique_ptr<TForm4> FForm4;
  std::unique_ptr<TForm5> FForm5;
  std::unique_ptr<TForm6> FForm6;
};

// The application title, also shown in the task bar.
inline constexpr const char* ApplicationTitle = "Rejstřík - ročník Kvel CD (32bit)";

}  // namespace rejstrik
