#include "platform/StationFolders.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "support/TestRoot.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;

using ::testing::AllOf;
using ::testing::HasSubstr;

class StationFoldersTest : public test::FreshRoot {
protected:
    static std::set<std::string> entries(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    static std::string failureOf() {
        try {
            makeStationFolders();
        } catch (const SystemError& error) {
            return error.what();
        }
        return {};
    }
};

TEST_F(StationFoldersTest, AFreshRootGetsEveryFolderOnce) {
    makeStationFolders();
    makeStationFolders();
    for (const std::string& folder : stationFolders())
        EXPECT_TRUE(fs::is_directory(PathMap::toLocal(folder))) << folder;
    EXPECT_EQ(entries(driveC()), (std::set<std::string>{"VEDA", "WINDOWS"}));
    EXPECT_EQ(entries(driveC() / "VEDA"),
              (std::set<std::string>{"EXPORT", "FORMS", "LogFiles", "OfficeDB"}));
}

// Windows finds "C:\WINDOWS" in a folder "windows"; a second one beside it would split the files.
TEST_F(StationFoldersTest, FoldersSpelledInAnotherCaseAreTheOnesKept) {
    fs::create_directories(driveC() / "windows");
    fs::create_directories(driveC() / "veda" / "forms");
    makeStationFolders();
    EXPECT_EQ(entries(driveC()), (std::set<std::string>{"veda", "windows"}));
    EXPECT_EQ(entries(driveC() / "veda" / "forms"), (std::set<std::string>{"REPORT", "WEBREP"}));
}

// A link that leads to a folder serves as that folder; below one, nothing missing is made.
TEST_F(StationFoldersTest, NothingIsMadeThroughASymbolicLink) {
    const fs::path windows = base() / "windows-elsewhere";
    const fs::path veda = base() / "veda-elsewhere";
    fs::create_directories(windows);
    fs::create_directories(veda);
    fs::create_directory_symlink(windows, driveC() / "WINDOWS");
    fs::create_directory_symlink(veda, driveC() / "VEDA");

    EXPECT_THAT(failureOf(),
                AllOf(HasSubstr("\"C:\\VEDA\\LogFiles\""), HasSubstr("символическую ссылку"),
                      HasSubstr((driveC() / "VEDA").string())));
    EXPECT_TRUE(fs::is_empty(veda));
    EXPECT_TRUE(fs::is_empty(windows));
}

}  // namespace
}  // namespace kvt::platform
