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
    std::filesystem::copy(REJSTRIK_SAMPLE_DIR "/obsahy/rocnik", VolumeDirectory(),
                          std::filesystem::copy_options::overwrite_existing | std::filesystem::copy_options::recursive);
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
  // One section off, so the status mark shows; the record is the sample volume's first.
  form.CheckBox(7)->Setchecked(false);
  form.CheckBox(7)->Click();
  form.SkladQuery1.First();
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
