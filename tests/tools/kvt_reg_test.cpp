#include <gmock/gmock.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "platform/Registry.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kKey = "SOFTWARE\\Nordvik\\KVT\\Reports\\CardRep";

class KvtRegTest : public test::FreshRoot {
protected:
    test::ProcessResult reg(const std::vector<std::string>& args) {
        return test::runProcess(test::toolPath("kvt-reg"), args);
    }
};

TEST_F(KvtRegTest, SetGetAndListShowWhatWasStored) {
    ASSERT_EQ(reg({"set", kKey, "PayType57", "--dword", "1"}).exitCode, 0);
    ASSERT_EQ(
        reg({"set", kKey, "Шаблон", "--string", "C:\\VEDA\\FORMS\\REPORT\\Карты.frm"}).exitCode, 0);
    ASSERT_EQ(reg({"set", kKey, "Mask", "--dword", "4294967295"}).exitCode, 0);
    ASSERT_EQ(reg({"set", kKey + "\\Sub", "X", "--dword", "0"}).exitCode, 0);

    auto text = reg({"get", kKey, "шаблон"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "C:\\VEDA\\FORMS\\REPORT\\Карты.frm\n");
    EXPECT_EQ(reg({"get", "\\software\\nordvik\\kvt\\reports\\cardrep", "paytype57"}).out, "1\n");

    auto listing = reg({"list", kKey});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_THAT(
        test::splitLines(listing.out),
        ElementsAre("[Sub]", "PayType57\tREG_DWORD\t1",
                    "Шаблон\tREG_SZ\tC:\\VEDA\\FORMS\\REPORT\\Карты.frm", "Mask\tREG_DWORD\t-1"));

    EXPECT_EQ(reg({"--user", "list", ""}).out, "");
    ASSERT_EQ(reg({"delete", kKey, "PAYTYPE57"}).exitCode, 0);
    EXPECT_EQ(reg({"get", kKey, "PayType57"}).exitCode, 1);
}

TEST_F(KvtRegTest, FailuresExitWithOneAndTheirMessage) {
    ASSERT_EQ(reg({"set", kKey, "PayType1", "--dword", "1"}).exitCode, 0);

    auto missingValue = reg({"get", kKey, "PayType2"});
    EXPECT_EQ(missingValue.exitCode, 1);
    EXPECT_EQ(missingValue.err, "Ошибка получения данных для 'PayType2'\n");
    EXPECT_EQ(missingValue.out, "");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"get", "SOFTWARE\\Nowhere", "PayType1"},
          {"list", "SOFTWARE\\Nowhere"},
          {"delete", "SOFTWARE\\Nowhere", "PayType1"}}) {
        auto result = reg(args);
        EXPECT_EQ(result.exitCode, 1) << args.front();
        EXPECT_THAT(result.err, HasSubstr("'SOFTWARE\\Nowhere'")) << args.front();
    }
    EXPECT_EQ(reg({"delete", kKey, "PayType2"}).exitCode, 1);

    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate"},
                                                 {"set", kKey, "X"},
                                                 {"set", kKey, "X", "--dword", "1.5"},
                                                 {"set", kKey, "X", "--dword", "4294967296"},
                                                 {"get", kKey}}) {
        auto result = reg(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.err, HasSubstr("kvt-reg [--user] list KEY"));
    }
    EXPECT_EQ(reg({"get", kKey, "X"}).exitCode, 1) << "a refused set stored nothing";
}

TEST_F(KvtRegTest, ConcurrentProcessesAllLand) {
    constexpr int kProcesses = 4;
    constexpr int kValues = 100;
    std::vector<std::thread> writers;
    std::vector<int> failures(kProcesses, 0);
    for (int p = 0; p < kProcesses; ++p) {
        writers.emplace_back([&, p] {
            for (int i = 0; i < kValues; ++i) {
                const std::string name = "P" + std::to_string(p) + "_" + std::to_string(i);
                if (reg({"set", kKey, name, "--dword", std::to_string(i)}).exitCode != 0)
                    ++failures[p];
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    EXPECT_THAT(failures, ElementsAre(0, 0, 0, 0));

    auto listing = test::splitLines(reg({"list", kKey}).out);
    ASSERT_EQ(listing.size(), static_cast<std::size_t>(kProcesses * kValues));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kValues; ++i) {
            const std::string line = "P" + std::to_string(p) + "_" + std::to_string(i) +
                                     "\tREG_DWORD\t" + std::to_string(i);
            EXPECT_NE(std::find(listing.begin(), listing.end(), line), listing.end()) << line;
        }
    }
}

// A process that dies inside a write transaction leaves its lock and its half-done write
// behind only until the kernel reaps it.
TEST_F(KvtRegTest, WriterKilledWhileHoldingTheLockDoesNotStopTheNext) {
    ASSERT_EQ(reg({"set", kKey, "PayType1", "--dword", "1"}).exitCode, 0);
    const std::string store = platform::Registry::storePath(platform::RootKey::LocalMachine);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        sqlite3* db = nullptr;
        if (sqlite3_open(store.c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db,
                         "INSERT INTO key_values(key_fold, name_fold, name, type, dword)"
                         " VALUES('software\\nordvik\\kvt\\reports\\cardrep', 'ghost', 'Ghost',"
                         " 1, 5)",
                         nullptr, nullptr, nullptr) != SQLITE_OK)
            _exit(1);
        const char signal = '!';
        if (write(ready[1], &signal, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char signal = 0;
    const bool childReady = read(ready[0], &signal, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(childReady) << "the lock holder could not start its transaction";

    auto set = reg({"set", kKey, "PayType6", "--dword", "1"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(reg({"get", kKey, "PayType6"}).out, "1\n");
    EXPECT_THAT(reg({"get", kKey, "Ghost"}).err, StartsWith("Ошибка получения данных для 'Ghost'"));
}

}  // namespace
}  // namespace kvt
