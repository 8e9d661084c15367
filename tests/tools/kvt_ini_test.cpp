#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "infra/IniFile.h"
#include "infra/SafeIniFiles.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "stress/LongValue.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;

constexpr const char* kName = "C:\\WINDOWS\\cnf.INI";

class KvtIniTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(driveC() / "WINDOWS");
    }
    fs::path local() const { return driveC() / "WINDOWS" / "cnf.INI"; }
    static ProcessResult ini(const std::vector<std::string>& args, const std::string& input = {}) {
        return test::runProcess(test::toolPath("kvt-ini"), args, input);
    }
    // One stress writer process per file name, all at once; writer n writes its own keys.
    static void runWriters(const std::vector<std::string>& files, int rounds, int keys) {
        std::vector<std::thread> writers;
        std::vector<ProcessResult> results(files.size());
        for (std::size_t writer = 0; writer < files.size(); ++writer)
            writers.emplace_back([&, writer] {
                results[writer] = test::runProcess(KVT_INI_STRESS_WRITER,
                                                   {files[writer], std::to_string(writer),
                                                    std::to_string(rounds), std::to_string(keys)});
            });
        for (auto& writer : writers)
            writer.join();
        for (const auto& result : results)
            EXPECT_EQ(result.exitCode, 0) << result.err;
    }
};

TEST_F(KvtIniTest, SetsAndGetsThroughTheStationPath) {
    EXPECT_EQ(ini({kName, "set", "Misc", "Format", "1"}).exitCode, 0);
    EXPECT_EQ(ini({kName, "set", "Reports", "Каталог", " C:\\VEDA\\EXPORT\\ "}).exitCode, 0);
    EXPECT_EQ(test::readFile(local()),
              platform::utf8ToCp1251(
                  "[Misc]\r\nFormat=1\r\n[Reports]\r\nКаталог=\" C:\\VEDA\\EXPORT\\ \"\r\n"));
    EXPECT_EQ(ini({"c:\\windows\\CNF.ini", "get", "MISC", "format"}).out, "1\n");
    EXPECT_EQ(ini({kName, "get", "Reports", "каталог"}).out, " C:\\VEDA\\EXPORT\\ \n");
    EXPECT_EQ(ini({kName, "get", "Misc", "Missing", "dflt"}).out, "dflt\n");
    EXPECT_EQ(ini({kName, "sections"}).out, "Misc\nReports\n");
    EXPECT_EQ(ini({kName, "keys", "Misc"}).out, "Format\n");
    EXPECT_EQ(ini({kName, "delete", "Misc", "Format"}).exitCode, 0);
    EXPECT_EQ(ini({kName, "erase", "Reports"}).exitCode, 0);
    EXPECT_EQ(test::readFile(local()), "[Misc]\r\n");
}

TEST_F(KvtIniTest, ReadsLongMultiLineValuesFromStandardInput) {
    const std::string value = std::string(70000, 'v') + "\nsecond line\n";
    EXPECT_EQ(ini({kName, "set", "S", "long", "-"}, value).exitCode, 0);
    EXPECT_EQ(ini({kName, "keys", "S"}).out, "long\nlong__$Count\nlong__$Hash\nlong__$Line2\n");
    EXPECT_EQ(ini({kName, "get", "S", "long"}).out,
              std::string(70000, 'v') + "\r\nsecond line\r\n\n");
    EXPECT_EQ(ini({"--plain", kName, "get", "S", "long"}).out, std::string(65532, 'v') + "\n");
    EXPECT_EQ(ini({kName, "delete", "S", "long"}).exitCode, 0);
    EXPECT_EQ(ini({kName, "keys", "S"}).out, "");
}

TEST_F(KvtIniTest, ErrorsGoToStandardErrorWithExitCodeOne) {
    const ProcessResult empty = ini({kName, "get", "", "k"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err,
              "TSafeIniFile.ReadString -> Не указано название секции. Имя файла: "
              "C:\\WINDOWS\\cnf.INI\n");
    const ProcessResult noFolder = ini({"C:\\MISSING\\x.ini", "set", "S", "k", "v"});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(noFolder.err,
              "TSafeIniFile.WriteString -> No such file or directory -> Не удалось записать в файл "
              "C:\\MISSING\\x.ini\n");
    const ProcessResult usage = ini({kName, "frobnicate"});
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_NE(usage.err.find("неизвестная команда frobnicate\nиспользование: kvt-ini"),
              std::string::npos);
}

// Four writer processes, each 500 rounds of a long value into its own keys: every write reads
// back whole in its writer, and at the end every key holds its writer's last value with a
// matching hash, next to a key none of them touched.
TEST_F(KvtIniTest, ConcurrentWritersLoseNoKeyAndTearNoValue) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 500;
    constexpr int kKeys = 2;
    ASSERT_EQ(ini({kName, "set", "Keep", "untouched", "still here"}).exitCode, 0);
    std::vector<std::string> files(kWriters, kName);
    runWriters(files, kRounds, kKeys);

    EXPECT_EQ(ini({kName, "get", "Keep", "untouched"}).out, "still here\n");
    const IniDocument document = IniDocument::parse(test::readFile(local()));
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int round = kRounds - kKeys; round < kRounds; ++round) {
            const std::string key = test::writerKey(writer, round, kKeys);
            EXPECT_EQ(ini({kName, "get", "Load", key}).out,
                      test::asRead(test::longValue(writer, round)) + "\n")
                << key;
            const auto first = document.value("Load", key);
            ASSERT_TRUE(first.has_value()) << key;
            EXPECT_EQ(document.value("Load", key + "__$Count"), round % 100 == 99 ? "3" : "2")
                << key;
            EXPECT_EQ(document.value("Load", key + "__$Hash"), std::to_string(SafeIniHash(*first)))
                << key;
        }
    }
}

// Writers that name one file in three ways take one lock: none reverts another's keys (each
// writer checks its own after every write).
TEST_F(KvtIniTest, WritersSpellingTheFileDifferentlyShareOneLock) {
    ASSERT_EQ(ini({kName, "set", "Keep", "untouched", "still here"}).exitCode, 0);
    const std::string spellings[] = {kName, "c:/windows/./CNF.ini", local().string()};
    runWriters({std::begin(spellings), std::end(spellings)}, 100, 4);
    EXPECT_EQ(ini({kName, "get", "Keep", "untouched"}).out, "still here\n");
    const IniDocument document = IniDocument::parse(test::readFile(local()));
    for (std::size_t writer = 0; writer < std::size(spellings); ++writer)
        for (int key = 0; key < 4; ++key)
            EXPECT_TRUE(document.value("Load", test::writerKey(static_cast<int>(writer), key, 4)))
                << writer << " " << key;
}

// A writer killed at any moment leaves the old text or the new, and the next writer clears
// the temporary file it may have left.
TEST_F(KvtIniTest, AWriterKilledMidWriteLeavesAWholeFile) {
    ASSERT_EQ(ini({kName, "set", "Keep", "untouched", "still here"}).exitCode, 0);
    for (int attempt = 0; attempt < 15; ++attempt) {
        {
            test::ChildProcess writer(KVT_INI_STRESS_WRITER, {kName, "0", "1000", "3"});
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + attempt * 7));
            writer.kill(SIGKILL);
            writer.wait();
        }
        const IniDocument document = IniDocument::parse(test::readFile(local()));
        ASSERT_EQ(document.value("Keep", "untouched"), "still here") << attempt;
        for (int key = 0; key < 3; ++key) {
            const std::string name = test::writerKey(0, key, 3);
            if (const auto first = document.value("Load", name)) {
                EXPECT_EQ(document.value("Load", name + "__$Hash"),
                          std::to_string(SafeIniHash(*first)))
                    << attempt;
            }
        }
    }
    ASSERT_EQ(ini({kName, "set", "Keep", "after", "1"}).exitCode, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(local().parent_path()), {}), 1)
        << "a dead writer's temporary file is still there";
}

TEST_F(KvtIniTest, AHolderKilledWhileLockedDoesNotStopTheNextWriter) {
    const std::string mutexName = "Global\\" + SafeIniMutexName(kName);
    test::LockHolder holder(mutexName);
    {
        platform::NamedMutex mutex(mutexName);
        EXPECT_FALSE(mutex.tryLockFor(0)) << "the child does not hold the lock";
    }
    EXPECT_TRUE(holder.killHard());

    EXPECT_EQ(ini({kName, "set", "S", "k", "after"}).exitCode, 0);
    EXPECT_EQ(ini({kName, "get", "S", "k"}).out, "after\n");
}

}  // namespace
}  // namespace kvt
