#include "VolumeFixture.h"

#include "app/LinkLabel.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "app/Unit6.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"

#include <QGuiApplication>
#include <QLabel>

namespace rejstrik::testing {
namespace {

using ProgramWindowsTest = VolumeFixture;

struct TWindowCase {
  QWidget* Window;
  QSize ClientSize;
  QString Caption;
  bool StaysOnTop;
};

TEST_F(ProgramWindowsTest, EveryWindowIsBorderlessWithItsSizeAndCaption) {
  CreateProgram({"1"});
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Rejstřík - ročník Kvel CD (32bit)");
  const TProgramWindows& w = Windows();
  const TWindowCase cases[] = {
      {w.Form1, {640, 550}, "Databáze", false},
      {w.Form2, {530, 360}, "Nápověda", true},
      {w.Form3, {222, 218}, "Kvel CD", true},
      {w.Form4, {360, 295}, "filtrovat podle typu", true},
      {w.Form5, {220, 216}, "Dostupné databáze", true},
      {w.Form6, {200, 360}, "Hledej s podmínkami", true},
  };
  for (const TWindowCase& c : cases) {
    SCOPED_TRACE(c.Caption.toStdString());
    EXPECT_EQ(c.Window->size(), c.ClientSize);
    EXPECT_EQ(c.Window->windowTitle(), c.Caption);
    EXPECT_TRUE(c.Window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(bool(c.Window->windowFlags() & Qt::WindowStaysOnTopHint), c.StaysOnTop);
    EXPECT_FALSE(c.Window->isVisible());
  }
}

struct TPlaceCase {
  const char* Name;
  QWidget* Control;
  QPoint Position;
};

TEST_F(ProgramWindowsTest, MainWindowControlsLieWhereTheSkinExpectsThem) {
  CreateProgram({"1"});
  const TForm1& f = *Windows().Form1;
  const TPlaceCase cases[] = {
      {"Label1", f.Label1, {64, 9}},          {"Klapka13", f.Klapka(13), {8, 9}},
      {"Klapka12", f.Klapka(12), {594, 7}},   {"Klapka11", f.Klapka(11), {614, 7}},
      {"Klapka4", f.Klapka(4), {80, 275}},    {"Klapka5", f.Klapka(5), {141, 275}},
      {"CheckBox3", f.CheckBox(3), {14, 312}}, {"CheckBox8", f.CheckBox(8), {14, 402}},
      {"CheckBox9", f.CheckBox(9), {145, 312}}, {"CheckBox14", f.CheckBox(14), {145, 402}},
      {"CheckBox15", f.CheckBox(15), {253, 310}}, {"CheckBox16", f.CheckBox(16), {253, 328}},
      {"CheckBox17", f.CheckBox(17), {83, 519}}, {"CheckBox27", f.CheckBox(27), {399, 519}},
      {"CheckBox28", f.CheckBox(28), {433, 519}}, {"Klapka3", f.Klapka(3), {523, 518}},
      {"Klapka6", f.Klapka(6), {578, 518}},   {"CheckBox1", f.CheckBox(1), {186, 484}},
      {"CheckBox2", f.CheckBox(2), {256, 484}}, {"Klapka7", f.Klapka(7), {344, 482}},
      {"Klapka8", f.Klapka(8), {399, 482}},   {"Klapka9", f.Klapka(9), {454, 482}},
      {"Klapka10", f.Klapka(10), {509, 482}}, {"Klapka2", f.Klapka(2), {575, 479}},
      {"Klapka1", f.Klapka(1), {599, 479}},   {"rub1", f.rub(1), {40, 312}},
      {"rub7", f.rub(7), {168, 312}},         {"Label20", f.Label20, {432, 395}},
      {"Label5b", f.Label5b, {516, 418}},
  };
  for (const TPlaceCase& c : cases) EXPECT_EQ(c.Control->pos(), c.Position) << c.Name;
}

TEST_F(ProgramWindowsTest, ToggleDataAtLoad) {
  CreateProgram({"1"});
  const TForm1& f = *Windows().Form1;
  for (int section = 1; section <= 12; ++section)
    EXPECT_EQ(f.CheckBox(2 + section)->Tag(), section);
  EXPECT_EQ(f.CheckBox(15)->Tag(), 99);
  EXPECT_EQ(f.CheckBox(16)->Tag(), 99);
  EXPECT_TRUE(f.CheckBox(15)->checked());
  EXPECT_FALSE(f.CheckBox(15)->isEnabled());
  EXPECT_EQ(f.CheckBox(17)->Hint(), "1/");
  EXPECT_EQ(f.CheckBox(25)->Hint(), "9/");
  EXPECT_EQ(f.CheckBox(26)->Hint(), "10");
  EXPECT_EQ(f.CheckBox(28)->Hint(), "12");
  EXPECT_TRUE(f.CheckBox(1)->checked());
  EXPECT_TRUE(f.CheckBox(2)->checked());
  EXPECT_EQ(f.Klapka(13)->Tag(), 0);
  EXPECT_EQ(f.Klapka(11)->toolTip(), "Zavřít");
  EXPECT_EQ(f.Klapka(1)->toolTip(), "Výběr databáze");
}

TEST_F(ProgramWindowsTest, FormCreateClearsTheFilterFlags) {
  GlobalState().SearchFilterOn = true;
  GlobalState().TypeFilterOn = true;
  GlobalState().BatchToggleMode = true;
  GlobalState().SelectionCancelled = true;
  CreateProgram({"1"});
  EXPECT_FALSE(GlobalState().SearchFilterOn);
  EXPECT_FALSE(GlobalState().TypeFilterOn);
  EXPECT_FALSE(GlobalState().BatchToggleMode);
  EXPECT_FALSE(GlobalState().SelectionCancelled);
}

}  // namespace
}  // namespace rejstrik::testing
