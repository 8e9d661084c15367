#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/PathMap.h"
#include "platform/StationFolders.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

using ::testing::HasSubstr;
using ::testing::Not;

bool stationFoldersExist() {
    for (const std::string& folder : platform::stationFolders())
        if (!fs::is_directory(platform::PathMap::toLocal(folder)))
            return false;
    return true;
}

// One program started on a station root that nobody prepared; "{base}" in an argument is the
// test's own folder.
struct ToolRun {
    std::string name;
    std::string tool;
    std::vector<std::string> args;
    int exitCode;
};

void PrintTo(const ToolRun& run, std::ostream* out) {
    *out << run.name;
}

class FreshStationRootTest : public test::FreshRoot, public ::testing::WithParamInterface<ToolRun> {
protected:
    std::vector<std::string> arguments() const {
        std::vector<std::string> args = GetParam().args;
        for (std::string& arg : args)
            if (const auto at = arg.find("{base}"); at != std::string::npos)
                arg.replace(at, 6, base().string());
        return args;
    }
};

// The folders are there before the tool needs them: the first cnf.INI write and the first log
// line of a new station work without preparation.
TEST_P(FreshStationRootTest, TheToolFindsTheFoldersOfAStationMachine) {
    const test::ProcessResult result =
        test::runProcess(test::toolPath(GetParam().tool), arguments());
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    EXPECT_THAT(result.err, Not(HasSubstr("Не удалось создать папку")));
    EXPECT_TRUE(stationFoldersExist());
}

INSTANTIATE_TEST_SUITE_P(
    EveryTool, FreshStationRootTest,
    ::testing::Values(
        ToolRun{"IniWrite", "kvt-ini", {"C:\\WINDOWS\\cnf.INI", "set", "Reports", "Key", "1"}, 0},
        ToolRun{"LogLine", "kvt-log", {"C:\\VEDA\\LogFiles\\Reports.log", "строка"}, 0},
        ToolRun{"RegistryList", "kvt-reg", {"list", ""}, 0},
        ToolRun{"DemoData", "kvt-demo-data", {"--out", "{base}/station.db", "--shifts", "2"}, 0},
        ToolRun{
            "ProviderWithoutDatabase", "kvt-provider", {"--db", "{base}/none.db", "--config"}, 1},
        ToolRun{"HostsimMenu", "kvt-hostsim", {"--station-db", "{base}/none.db", "--dump-menu"}, 0},
        ToolRun{"PrintOfNoReport", "kvt-print", {"--pdf", "{base}/r.pdf", "{base}/none.txt"}, 1}),
    [](const ::testing::TestParamInfo<ToolRun>& info) { return info.param.name; });

class StationRootTest : public test::FreshRoot {};

// The console runs until it is closed, so it is stopped once the folders are there. Without its
// plug-in (KVT_PLUGIN names none), the folders are the console's own doing.
TEST_F(StationRootTest, TheConsoleMakesTheFoldersAtStart) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("KVT_PLUGIN", (base() / "none.so").c_str(), 1);
    test::ChildProcess console(test::toolPath("kvt-station"),
                               {"--station-db", (base() / "none.db").string()});
    unsetenv("KVT_PLUGIN");
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!stationFoldersExist() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(stationFoldersExist());
}

// A root that cannot hold the folders is told, and the tool still does what needs none of them.
TEST_F(StationRootTest, AFolderThatCannotBeMadeIsToldAndTheToolGoesOn) {
    test::writeFile(base() / "root" / "drive_c", "");
    const test::ProcessResult result = test::runProcess(test::toolPath("kvt-reg"), {"list", ""});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_THAT(result.err, HasSubstr("Не удалось создать папку \"C:\\WINDOWS\""));
}

}  // namespace
}  // namespace kvt
