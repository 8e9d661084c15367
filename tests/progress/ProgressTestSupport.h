#pragma once
// The application object and waiting helper of the progress window tests.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace kvt::test {

// The viewer draws text, which needs a GUI application; on the offscreen platform unless the
// environment names one.
class GuiApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "progress-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

inline ::testing::Environment* const kGuiApplication =
    ::testing::AddGlobalTestEnvironment(new GuiApplication);

// Polls `condition` until it holds; false when it still does not after a generous while.
inline bool eventually(const std::function<bool()>& condition) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

}  // namespace kvt::test
