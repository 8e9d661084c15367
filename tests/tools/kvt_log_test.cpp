#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "infra/RVKLogger.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "platform/SystemError.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;

const std::string LogName = "C:\\VEDA\\LogFiles\\Shared.log";

class KvtLogTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(logDir());
    }

    fs::path logDir() const { return driveC() / "VEDA" / "LogFiles"; }
    fs::path logPath() const { return logDir() / "Shared.log"; }
    // The log by its station path and by its local path: both spellings of one file.
    std::string spelling(int writer) const {
        return writer % 2 == 0 ? LogName : logPath().string();
    }
    std::string logText() const { return platform::cp1251ToUtf8(test::readFile(logPath())); }

    static test::ProcessResult kvtLog(const std::vector<std::string>& args,
                                      const std::string& input = {}) {
        return test::runProcess(test::toolPath("kvt-log"), args, input);
    }

    // A kvt-log process per writer, all at once, each writing standard input's lines of
    // `line(writer, i)`; `options(writer)` come before the log name's "-". Every one must succeed.
    void runWriters(int writers, int linesEach,
                    const std::function<std::string(int writer, int i)>& line,
                    const std::function<std::vector<std::string>(int writer)>& options) const {
        std::vector<test::ProcessResult> results(writers);
        std::vector<std::thread> threads;
        for (int p = 0; p < writers; ++p) {
            std::string input;
            for (int i = 0; i < linesEach; ++i)
                input += line(p, i) + "\n";
            std::vector<std::string> args{spelling(p)};
            for (auto& option : options(p))
                args.push_back(std::move(option));
            args.push_back("-");
            threads.emplace_back([&results, p, input = std::move(input), args = std::move(args)] {
                results[p] = kvtLog(args, input);
            });
        }
        for (auto& thread : threads)
            thread.join();
        for (const auto& result : results)
            EXPECT_EQ(result.exitCode, 0) << result.err;
    }
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST_F(KvtLogTest, WritesOneLinePerMessageIntoTheStationPath) {
    const auto result =
        kvtLog({LogName, "--tag", "[Смена]", "--level", "2", "--pid", "первая", "вторая"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = splitLines(logText());
    ASSERT_EQ(lines.size(), 2u);
    const std::string marks = " [ошиб] [Смена] <P:";
    EXPECT_THAT(lines[0], HasSubstr(marks));
    EXPECT_THAT(lines[0], EndsWith("> первая"));
    EXPECT_THAT(lines[1], EndsWith("> вторая"));
}

TEST_F(KvtLogTest, FailuresAndWrongArgumentsGoToStandardErrorWithExitCodeOne) {
    const auto missing = kvtLog({"C:\\VEDA\\Missing\\x.log", "text"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("Ошибка при попытке записи (fmCreate) в лог"));

    const auto noMessage = kvtLog({LogName});
    EXPECT_EQ(noMessage.exitCode, 1);
    EXPECT_THAT(noMessage.err, HasSubstr("использование: kvt-log"));

    const auto badLevel = kvtLog({LogName, "--level", "x", "text"});
    EXPECT_EQ(badLevel.exitCode, 1);
    EXPECT_FALSE(fs::exists(logPath()));
}

TEST_F(KvtLogTest, FourProcessesWithSizeTrimmingLeaveOnlyWholeLines) {
    constexpr int Processes = 4, LinesEach = 2000;
    constexpr std::size_t MaxSize = 20000;
    runWriters(
        Processes, LinesEach,
        [](int p, int i) {
            return "p" + std::to_string(p) + " строка " + std::to_string(i) + " " +
                   std::string(20 + i % 17, '=');
        },
        [](int p) {
            return std::vector<std::string>{"--max-size", std::to_string(MaxSize), "--tag",
                                            "[p" + std::to_string(p) + "]"};
        });

    const std::string text = logText();
    EXPECT_THAT(text, EndsWith("\r\n"));
    EXPECT_LE(test::readFile(logPath()).size(), MaxSize + MaxSize / 3 + 100);
    const std::regex whole(
        R"(\d{2}\.\d{2}\.\d{4} \d{2}:\d{2}:\d{2}\.\d{3} \[инф\] \[p(\d)\] p(\d) строка (\d+) (=+))");
    std::map<int, int> lastNumber;
    const auto lines = splitLines(text);
    EXPECT_GT(lines.size(), 100u);
    for (const auto& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
        EXPECT_EQ(match[1], match[2]);
        const int process = std::stoi(match[1]), number = std::stoi(match[3]);
        EXPECT_EQ(match[4].length(), 20 + number % 17);
        if (lastNumber.count(process)) {
            EXPECT_GT(number, lastNumber[process]);
        }
        lastNumber[process] = number;
    }
    // Whichever writer finished last wrote the file's last line.
    EXPECT_THAT(lines.back(), HasSubstr(" строка " + std::to_string(LinesEach - 1) + " "));
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(logDir()))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"Shared.log"});
}

TEST_F(KvtLogTest, TwoProcessesWritingTwoSpellingsOfOneFileLoseNoLine) {
    constexpr int Processes = 2, LinesEach = 1200;
    runWriters(
        Processes, LinesEach,
        [](int p, int i) {
            return "p" + std::to_string(p) + " " + std::to_string(i) + " " +
                   std::string(10 + i % 23, '#');
        },
        [](int) { return std::vector<std::string>{}; });

    const std::regex whole(
        R"(\d{2}\.\d{2}\.\d{4} \d{2}:\d{2}:\d{2}\.\d{3} \[инф\] p(\d) (\d+) (#+))");
    std::vector<int> next(Processes, 0);
    const auto lines = splitLines(logText());
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(Processes * LinesEach));
    for (const auto& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
        const int process = std::stoi(match[1]), number = std::stoi(match[2]);
        ASSERT_EQ(number, next[process]) << "lost or reordered before " << line;
        EXPECT_EQ(match[3].length(), 10 + number % 23);
        ++next[process];
    }
}

TEST_F(KvtLogTest, EntriesInTheLogsPlaceAreRefusedWithoutWaiting) {
    const fs::path victim = base() / "victim";
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"FIFO", [this] { ASSERT_EQ(mkfifo(logPath().c_str(), 0600), 0); },
         "Файл журнала не является обычным файлом"},
        {"link", [this, &victim] { fs::create_symlink(victim, logPath()); },
         platform::systemErrorText(ELOOP)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(logPath());
        test::writeFile(victim, "чужой");
        c.plant();
        const auto result = kvtLog({LogName, "строка"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.err, HasSubstr("Ошибка при попытке записи (fmOpenReadWrite) в лог \"" +
                                          LogName + "\" строки [строка]: " + c.error));
        EXPECT_EQ(test::readFile(victim), "чужой");
    }
}

TEST_F(KvtLogTest, FolderThatIsAFileCostsTheLinesUntilItGoes) {
    const std::string name = "C:\\VEDA\\Blocked\\Shared.log";
    const fs::path blocked = driveC() / "VEDA" / "Blocked";
    test::writeFile(blocked, "");

    const auto refused = kvtLog({name, "--create-folder", "первая"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("(fmCreate) в лог \"" + name + "\" строки [первая]"));

    fs::remove(blocked);
    const auto written = kvtLog({name, "--create-folder", "вторая"});
    EXPECT_EQ(written.exitCode, 0) << written.err;
    const auto lines = splitLines(platform::cp1251ToUtf8(test::readFile(blocked / "Shared.log")));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], EndsWith(" вторая"));
}

TEST_F(KvtLogTest, WriterKilledWhileHoldingTheLockDoesNotStopTheNext) {
    const std::string mutexName = "Global\\" + LogMutexName(LogName);
    test::LockHolder holder(mutexName);
    {
        platform::NamedMutex mutex(mutexName);
        ASSERT_FALSE(mutex.tryLockFor(0)) << "the child should hold the log's lock";
    }

    test::ChildProcess waiting(test::toolPath("kvt-log"), {LogName, "waited"});
    EXPECT_TRUE(holder.killHard());

    EXPECT_EQ(waiting.wait(), 0);
    const auto after = kvtLog({LogName, "after"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    const auto lines = splitLines(logText());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], EndsWith(" waited"));
    EXPECT_THAT(lines[1], EndsWith(" after"));
}

}  // namespace
}  // namespace kvt
