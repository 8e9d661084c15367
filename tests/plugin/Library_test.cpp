// The built plug-in as a console sees it: loaded with dlopen and driven through its four
// exports only.
#include <gmock/gmock.h>
#include <cctype>

#include <QApplication>

#include <ctime>
#include <sstream>

#include "host/kit/MemoryMenu.h"
#include "host/kit/MenuDump.h"
#include "host/kit/PluginLibrary.h"
#include "platform/TempDir.h"
#include "support/TestRoot.h"
#include "support/host/TestHost.h"

namespace kvt::test {
namespace {

using ::testing::HasSubstr;

class LibraryTest : public FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const ProcessResult made =
            runProcess(toolPath("kvt-demo-data"),
                       {"--out", (base() / "station.db").string(), "--shifts", "3"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        setenv("KVT_STATION_DB", (base() / "station.db").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KVT_STATION_DB");
        FreshRoot::TearDown();
    }

    static std::filesystem::path pluginPath() {
        return toolPath("kvt-demo-data").parent_path().parent_path() / "lib" / "libKVTReports7.so";
    }
};

TEST_F(LibraryTest, AHostDrivesThePluginThroughItsExports) {
    auto host = std::make_unique<TestHost>();
    host::addStationMenus(host->root);
    host->values.set(15, Variant(std::int32_t{0}));
    {
        host::PluginLibrary plugin(pluginPath());
        plugin.InitReportMenu(0, &host->root, TestHost::AddMenuItem, TestHost::GetReport);
        EXPECT_NE(QCoreApplication::instance(), nullptr) << "the plug-in makes the application";
        plugin.SetGetValue(TestHost::GetValue);
        plugin.SetNewUserPriv(&host->root, TestHost::GetHostValue);
        plugin.UpdateVidOpl();

        const std::string menu = host::dumpMenu(host->root);
        EXPECT_THAT(menu, HasSubstr("  Сменный отчет shortcut=16500\n"));
        EXPECT_THAT(menu, HasSubstr("  Текущий сменный отчет hidden shortcut=16501\n"));
        EXPECT_THAT(menu, HasSubstr("История продаж [SecretItem00] hidden\n"));
        EXPECT_THAT(menu, HasSubstr("  ТРК №8 [SecretItem_7] hidden shortcut=" +
                                    std::to_string(scAlt | 0x68) + "\n"));
        EXPECT_THAT(menu, HasSubstr("&Настройка\n  Отчеты\n"));
        EXPECT_EQ(host->entry("История продаж").count(), 16) << "the demo station's 8 pumps";
        // The menu holds the plug-in's click handlers: it goes before the plug-in does.
        host.reset();
    }
    EXPECT_EQ(QCoreApplication::instance(), nullptr) << "unloading frees what the plug-in made";
}

// A line written while the library loads (here: the Windows directory cannot be made, as a
// file stands in its place) carries today's date, not one computed before the date epoch was
// set.
TEST_F(LibraryTest, ALineWrittenAtLoadIsDatedToday) {
    // kvt-demo-data made the station's folders at its start.
    std::filesystem::remove(driveC() / "WINDOWS");
    writeFile(driveC() / "WINDOWS", "not a folder");
    { host::PluginLibrary plugin(pluginPath()); }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%d.%m.%Y ", &local);
    const std::string sideLog = readFile(platform::privateTempDir() / "RVKLoggerErrorsWriter.log");
    EXPECT_EQ(sideLog.substr(0, 11), today) << sideLog;
}

TEST_F(LibraryTest, OnlyTheFourExportsAreVisible) {
    const ProcessResult symbols =
        runProcess("/usr/bin/nm", {"-D", "--defined-only", pluginPath().string()});
    ASSERT_EQ(symbols.exitCode, 0) << symbols.err;
    std::vector<std::string> names;
    std::istringstream lines(symbols.out);
    // Local entries of the dynamic symbol table (lower-case types) bind nothing outside.
    for (std::string line; std::getline(lines, line);) {
        const std::size_t name = line.rfind(' ');
        if (name >= 2 && std::isupper(static_cast<unsigned char>(line[name - 1])))
            names.push_back(line.substr(name + 1));
    }
    EXPECT_THAT(names, ::testing::UnorderedElementsAre("InitReportMenu", "SetGetValue",
                                                       "SetNewUserPriv", "UpdateVidOpl"));
}

TEST(PluginLibrary, AMissingLibraryIsAClearError) {
    try {
        host::PluginLibrary plugin("/nonexistent/libKVTReports7.so");
        FAIL();
    } catch (const host::PluginLoadError& error) {
        EXPECT_THAT(error.what(), HasSubstr("/nonexistent/libKVTReports7.so"));
    }
}

}  // namespace
}  // namespace kvt::test
