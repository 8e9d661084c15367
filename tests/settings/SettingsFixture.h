#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "settings/ReportsKeys.h"
#include "support/TestRoot.h"

namespace kvt::test {

// A fresh station whose Windows folder exists, with direct access to the stores the settings
// live in.
class SettingsTest : public FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        std::filesystem::create_directories(driveC() / "WINDOWS");
    }

    std::filesystem::path configFile() const { return driveC() / "WINDOWS" / "cnf.INI"; }

    // A local-machine registry opened on a family key, created if missing.
    static std::unique_ptr<platform::Registry> family(std::string_view keyName) {
        auto registry = std::make_unique<platform::Registry>(platform::RootKey::LocalMachine);
        EXPECT_TRUE(settings::OpenReportsKey(*registry, keyName));
        return registry;
    }
};

}  // namespace kvt::test
