#include "infra/SharedFileLock.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "infra/SafeIniFiles.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "platform/TempDir.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "C:\\WINDOWS\\cnf.INI";

class SharedFileLockTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(driveC() / "WINDOWS");
    }
    static std::string globalLock() { return "Global\\" + SafeIniMutexName(kName); }
    static std::string sideLog() {
        const fs::path file = platform::privateTempDir() / "RVKLoggerErrorsWriter.log";
        return fs::exists(file) ? platform::cp1251ToUtf8(test::readFile(file)) : std::string();
    }
    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t found = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found;
    }
};

// Something planted at the shared lock's name (another user's doing) leaves this process with a
// lock of its own, which no longer excludes the others: the work goes on and the side log says
// so once.
TEST_F(SharedFileLockTest, AnUnusableSharedLockFileIsReportedOnce) {
    const fs::path lock = platform::NamedMutex::lockFilePath(globalLock());
    fs::create_directories(lock.parent_path());
    ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0);
    for (int round = 0; round < 2; ++round) {
        TSafeIniFile file(kName);
        file.WriteString("S", "k", std::to_string(round));
    }
    EXPECT_EQ(TSafeIniFile(kName).ReadString("S", "k", ""), "1");
    EXPECT_EQ(count(sideLog(), "Общая блокировка \"" + SafeIniMutexName(kName) + "\" недоступна"),
              1u)
        << sideLog();
}

TEST_F(SharedFileLockTest, TheSharedFolderIsMadeStickyAgain) {
    { TSafeIniFile file(kName); }
    const fs::path folder =
        fs::path(platform::NamedMutex::lockFilePath(globalLock())).parent_path();
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    { TSafeIniFile file(kName); }
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 01777u);
}

// A writer held up by a hung holder says so after a while, names the holder, and goes on
// waiting until the lock is free.
TEST_F(SharedFileLockTest, ALongWaitIsReportedAndTheWaitGoesOn) {
    test::LockHolder holder(globalLock());
    std::thread writer([] { TSafeIniFile(kName).WriteString("S", "k", "after the wait"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sideLog().find("ожидание продолжается") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string report = sideLog();
    EXPECT_NE(report.find("занята дольше 5 с процессом "), std::string::npos) << report;
    holder.killHard();
    writer.join();
    EXPECT_EQ(TSafeIniFile(kName).ReadString("S", "k", ""), "after the wait");
}

}  // namespace
}  // namespace kvt
