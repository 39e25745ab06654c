// One QGuiApplication for the whole test program, on the platform it was built for
// (DECKSHOT_TEST_QPA). Made when the tests run, not when ctest only lists them, so that listing
// needs no display.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

namespace {

class GuiApplication : public testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", DECKSHOT_TEST_QPA);
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "capture_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new GuiApplication);

}  // namespace
