#include "dataset/ui/PasswordDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "dataset/SkladSession.h"
#include "dataset/SkladTable.h"
#include "engine/storage/table/DataSession.h"
#include "tests/dataset/DataSetTestSupport.h"

namespace sklad {
namespace {

class PasswordDialogTest : public ::testing::Test {
 protected:
  PasswordDialogTest() { FSession.SetSessionName("Dialog"); }
  void TearDown() override { TSkladSession::SetPasswordDialog({}); }

  bool Known(const char* password) { return FSession.EngineSession()->PasswordKnown(password); }

  // Runs the steps on the modal dialog once it shows.
  static void WhenShown(std::function<void(QWidget& dialog)> steps) {
    QTimer::singleShot(0, [steps = std::move(steps)] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      steps(*dialog);
    });
  }
  static QLineEdit& Field(QWidget& dialog) { return *dialog.findChild<QLineEdit*>("Password"); }
  static QPushButton& Button(QWidget& dialog, const char* name) { return *dialog.findChild<QPushButton*>(name); }

  TSkladSession FSession;
};

TEST_F(PasswordDialogTest, ButtonsFollowTheFieldAndChangeTheSessionsPasswords) {
  TPasswordDialog dialog(FSession);
  EXPECT_EQ(dialog.windowTitle(), "Enter password");
  QLineEdit& field = Field(dialog);
  EXPECT_EQ(field.echoMode(), QLineEdit::Password);
  QPushButton &add = Button(dialog, "Add"), &remove = Button(dialog, "Remove"), &ok = Button(dialog, "OK");
  EXPECT_EQ(add.text(), "&Add");
  EXPECT_EQ(remove.text(), "&Remove");
  EXPECT_EQ(Button(dialog, "RemoveAll").text(), "Re&move all");
  EXPECT_EQ(ok.text(), "&OK");
  EXPECT_EQ(Button(dialog, "Cancel").text(), "Cancel");
  EXPECT_FALSE(add.isEnabled() || remove.isEnabled() || ok.isEnabled());

  QTest::keyClicks(&field, "Prvni");
  EXPECT_TRUE(add.isEnabled() && remove.isEnabled() && ok.isEnabled());
  QTest::mouseClick(&add, Qt::LeftButton);
  EXPECT_TRUE(Known("Prvni"));
  EXPECT_TRUE(field.text().isEmpty());
  EXPECT_FALSE(add.isEnabled() || remove.isEnabled());
  EXPECT_TRUE(ok.isEnabled());  // something was added

  QTest::keyClicks(&field, "Druhe");
  QTest::mouseClick(&add, Qt::LeftButton);
  QTest::keyClicks(&field, "Prvni");
  QTest::mouseClick(&remove, Qt::LeftButton);
  EXPECT_FALSE(Known("Prvni"));
  EXPECT_TRUE(Known("Druhe"));
  QTest::mouseClick(&Button(dialog, "RemoveAll"), Qt::LeftButton);
  EXPECT_FALSE(Known("Druhe"));
}

TEST_F(PasswordDialogTest, OkAddsTheTypedPasswordAndCancelGivesUp) {
  WhenShown([](QWidget& dialog) {
    QTest::keyClicks(&Field(dialog), "Tajne");
    QTest::mouseClick(&Button(dialog, "OK"), Qt::LeftButton);
  });
  EXPECT_TRUE(ExecutePasswordDialog(FSession));
  EXPECT_TRUE(Known("Tajne"));
  WhenShown([](QWidget& dialog) { QTest::mouseClick(&Button(dialog, "Cancel"), Qt::LeftButton); });
  EXPECT_FALSE(ExecutePasswordDialog(FSession));
}

TEST_F(PasswordDialogTest, AnEncryptedTableAsksThroughTheDialogWithoutAHandler) {
  TTableDefinition definition = testing::BooksDefinition();
  definition.Properties.Encrypted = true;
  definition.Properties.Password = "Tajne";
  testing::BooksDirectory books({}, definition);
  InstallPasswordDialog();
  TSkladTable table;
  testing::PointAtBooks(table, books);
  table.SetSessionName("Dialog");
  WhenShown([](QWidget& dialog) {
    QTest::keyClicks(&Field(dialog), "Tajne");
    QTest::keyClick(&Field(dialog), Qt::Key_Return);
  });
  table.Open();
  EXPECT_TRUE(table.Active());
}

}  // namespace
}  // namespace sklad
