// Gives every test of a Qt test binary one application object, on the offscreen platform
// unless the environment chooses another.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

class TQtApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    FApplication = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApplication.reset(); }

 private:
  int FArgc = 1;
  char FName[16] = "rejstrik-tests";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApplication;
};

const testing::Environment* const Registered =
    testing::AddGlobalTestEnvironment(new TQtApplicationEnvironment);

}  // namespace
