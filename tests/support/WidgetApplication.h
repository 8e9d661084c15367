#pragma once
// The application object of the widget tests: made before the first test, on the offscreen
// platform unless the environment names one, and destroyed after the last test while Qt's own
// globals still exist.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace kvt::test {

class WidgetApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    // QApplication keeps references to argc and argv for its whole life.
    int argc_ = 1;
    char name_[17] = "kvt-station-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

// GoogleTest owns the environment.
inline ::testing::Environment* const kWidgetApplication =
    ::testing::AddGlobalTestEnvironment(new WidgetApplication);

}  // namespace kvt::test
