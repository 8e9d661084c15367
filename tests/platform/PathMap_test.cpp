#include "platform/PathMap.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestRoot.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;

class PathMapTest : public test::FreshRoot {
protected:
    fs::path root() const { return base() / "root"; }
};

TEST_F(PathMapTest, RootComesFromTheEnvironment) {
    EXPECT_EQ(PathMap::root(), root());
    unsetenv("KVT_ROOT");
    EXPECT_EQ(PathMap::root(), base() / "data" / "kvt");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(PathMap::root(), fs::path(std::getenv("HOME")) / ".local" / "share" / "kvt");
}

TEST_F(PathMapTest, DrivesAreFoldersOfTheRoot) {
    EXPECT_EQ(PathMap::toLocal("C:"), root() / "drive_c");
    EXPECT_EQ(PathMap::toLocal("C:\\"), root() / "drive_c");
    EXPECT_EQ(PathMap::toLocal("s:\\Forms\\Report\\smena.frm"),
              root() / "drive_s" / "Forms" / "Report" / "smena.frm");
    EXPECT_EQ(PathMap::toLocal("C:/VEDA//LogFiles\\Reports.log"),
              root() / "drive_c" / "VEDA" / "LogFiles" / "Reports.log");
    EXPECT_EQ(PathMap::windowsDirectory(), "C:\\WINDOWS");
}

TEST_F(PathMapTest, OnlyDriveLetterPathsAreMapped) {
    EXPECT_TRUE(PathMap::isWindowsPath("C:"));
    EXPECT_TRUE(PathMap::isWindowsPath("z:\\x"));
    EXPECT_FALSE(PathMap::isWindowsPath("C"));
    EXPECT_FALSE(PathMap::isWindowsPath("1:\\x"));
    EXPECT_FALSE(PathMap::isWindowsPath("/tmp/x"));
    EXPECT_EQ(PathMap::resolve("/tmp/Report.html"), fs::path("/tmp/Report.html"));
    EXPECT_EQ(PathMap::resolve("Reports.log"), fs::path("Reports.log"));
    EXPECT_EQ(PathMap::resolve("C:\\x"), root() / "drive_c" / "x");
    EXPECT_THROW(PathMap::toLocal("Reports.log"), std::invalid_argument);
}

TEST_F(PathMapTest, ExistingEntriesAreFoundWhateverTheirCase) {
    fs::create_directories(driveC() / "VEDA" / "ОТЧЕТЫ");
    test::writeFile(driveC() / "VEDA" / "ОТЧЕТЫ" / "Smena.FRM", "");
    EXPECT_EQ(PathMap::toLocal("c:\\veda\\отчеты\\smena.frm"),
              driveC() / "VEDA" / "ОТЧЕТЫ" / "Smena.FRM");
    EXPECT_EQ(PathMap::toLocal("C:\\Veda\\Ёлка\\New.txt"), driveC() / "VEDA" / "Ёлка" / "New.txt");
}

TEST_F(PathMapTest, AnExactMatchWinsOverOneThatDiffersInCase) {
    fs::create_directories(driveC() / "VEDA");
    fs::create_directories(driveC() / "Veda");
    fs::create_directories(driveC() / "veDa");
    EXPECT_EQ(PathMap::toLocal("C:\\Veda"), driveC() / "Veda");
    EXPECT_EQ(PathMap::toLocal("C:\\veda"), driveC() / "VEDA");
}

TEST_F(PathMapTest, DotsAreResolvedWithoutLeavingTheDrive) {
    fs::create_directories(driveC() / "VEDA");
    EXPECT_EQ(PathMap::toLocal("C:\\veda\\.\\x\\..\\cnf.ini"), driveC() / "VEDA" / "cnf.ini");
    EXPECT_EQ(PathMap::toLocal("C:\\..\\..\\etc\\passwd"), driveC() / "etc" / "passwd");
    EXPECT_EQ(PathMap::toLocal("C:\\VEDA\\..\\..\\..\\drive_d\\x"), driveC() / "drive_d" / "x");
    EXPECT_EQ(PathMap::toLocal("C:.."), driveC());
}

// Every spelling of one file gives one name, the drive-letter path as the mapping finds it.
TEST_F(PathMapTest, EverySpellingOfAFileHasOneCanonicalName) {
    fs::create_directories(root() / "drive_c" / "WINDOWS");
    test::writeFile(root() / "drive_c" / "WINDOWS" / "cnf.INI", "");
    fs::create_directory_symlink(root() / "drive_c" / "WINDOWS", base() / "windows-link");
    for (const std::string& spelling : std::vector<std::string>{
             "C:\\WINDOWS\\cnf.INI", "c:/windows/./CNF.ini", "C:\\VEDA\\..\\Windows\\\\cnf.ini",
             (root() / "drive_c" / "WINDOWS" / "cnf.INI").string(),
             (root() / "drive_c" / "VEDA" / ".." / "WINDOWS" / "cnf.INI").string(),
             (base() / "windows-link" / "cnf.INI").string()})
        EXPECT_EQ(PathMap::canonicalName(spelling), "C:\\WINDOWS\\cnf.INI") << spelling;
    EXPECT_EQ(PathMap::canonicalName("c:\\veda\\LogFiles\\New.log"), "C:\\veda\\LogFiles\\New.log");
    EXPECT_EQ(PathMap::canonicalName("c:"), "C:\\");
    EXPECT_EQ(PathMap::canonicalName((base() / "x" / ".." / "y.ini").string()),
              (fs::weakly_canonical(base()) / "y.ini").string());
}

}  // namespace
}  // namespace kvt::platform
