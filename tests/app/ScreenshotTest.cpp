// Renders every window of the program to a PNG file in the build tree, so anyone can look at
// them: <build>/screenshots/.
#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "app/Unit6.h"
#include "app/LinkLabel.h"
#include "controls/Klapka.h"
#include "controls/MyHintWindow.h"
#include "controls/Prepinac.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

#include <filesystem>

namespace rejstrik::testing {
namespace {

class ScreenshotTest : public VolumeFixture {
 protected:
  void SetUp() override {
    VolumeFixture::SetUp();
    const std::filesystem::path sample = REJSTRIK_SAMPLE_DIR "/obsahy/rocnik";
    for (const char* name : {"rocnik.ini", "help.txt"})
      std::filesystem::copy_file(sample / name, VolumeDirectory() + name,
                                 std::filesystem::copy_options::overwrite_existing);
    QDir().mkpath(REJSTRIK_SCREENSHOT_DIR);
  }

  // Saves the window as it is drawn and checks the picture is the window's size.
  void Save(QWidget& window, const QString& name) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPixmap picture = window.grab();
    EXPECT_EQ(picture.size(), window.size());
    const QString fileName = QString(REJSTRIK_SCREENSHOT_DIR "/%1.png").arg(name);
    ASSERT_TRUE(picture.save(fileName)) << fileName.toStdString();
  }
};

TEST_F(ScreenshotTest, MainWindowWithEachLabelSet) {
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  TForm1& form = *Windows().Form1;
  form.CheckBox(7)->Setchecked(false);
  form.Label9->setText("Total Commander 5.50");
  form.DBMemo1->setPlainText(
      "Oblíbený dvoupanelový správce souborů s vestavěným FTP klientem, porovnáváním "
      "adresářů, hromadným přejmenováním a prohlížečem obrázků.\n\nČeské prostředí je "
      "součástí instalace.");
  form.DBText2->setText("7/");
  form.Label6->setText("Shareware");
  form.Label21->setText("\\SHARE\\TOTALCMD");
  form.Label3->setText("Windows 9x/ME, NT, 2000, XP");
  form.Label13->setText("shareware");
  form.Label20->setText("www.ghisler.com");
  form.Label5->setText("1 284");
  form.Label5b->setText(" * filtr zapnut");
  for (const char* name : {"Total Commander 5.50", "WinRAR 3.00", "Opera 6.05",
                           "Ahead Nero 5.5", "IrfanView 3.75", "Mozilla 1.0",
                           "Příklady k článku o Delphi"})
    form.DBGrid1->addItem(name);
  form.DBGrid1->setCurrentRow(0);
  Save(form, "form1_main");

  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(1);
    selection.Button1Click();
  });
  form.Klapka(1)->Click();
  Save(form, "form1_main_label_set_2");
}

TEST_F(ScreenshotTest, SelectionWindow) {
  CreateProgram({"1"});
  Save(*Windows().Form5, "form5_selection");
}

TEST_F(ScreenshotTest, HelpWindow) {
  CreateProgram({"1"});
  Windows().Form2->LoadHelpIfShort();
  Save(*Windows().Form2, "form2_help");
}

TEST_F(ScreenshotTest, InformationTypeFilterAndSearchWindows) {
  CreateProgram({"1"});
  Save(*Windows().Form3, "form3_information");
  Save(*Windows().Form4, "form4_type_filter");
  Save(*Windows().Form6, "form6_search");
}

TEST_F(ScreenshotTest, HintWindow) {
  controls::TMyHintWindow hint;
  hint.ShowHint("Vyhledávání podle typu záznamu", QPoint(40, 40));
  Save(hint, "hint");
}

}  // namespace
}  // namespace rejstrik::testing
