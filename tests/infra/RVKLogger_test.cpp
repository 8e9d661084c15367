#include "infra/RVKLogger.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "infra/DateTime.h"
#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/NamedMutex.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string StampPattern = R"(\d{2}\.\d{2}\.\d{4} \d{2}:\d{2}:\d{2}\.\d{3})";
constexpr std::int64_t LineBytes = 27;  // stamp, " m", CR LF

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Lines of 100 bytes, the last one shorter, `size` bytes in all.
std::string filler(std::size_t size, char fill = 'x') {
    std::string text;
    while (size - text.size() >= 100)
        text += std::string(98, fill) + "\r\n";
    const std::size_t rest = size - text.size();
    if (rest >= 2)
        text += std::string(rest - 2, 'y') + "\r\n";
    return text;
}

class LoggerTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(logDir());
    }

    fs::path logDir() const { return driveC() / "VEDA" / "LogFiles"; }
    fs::path logPath() const { return logDir() / "Test.log"; }
    static std::string logName() { return "C:\\VEDA\\LogFiles\\Test.log"; }

    std::string logText() const { return platform::cp1251ToUtf8(test::readFile(logPath())); }
    std::vector<std::string> logLines() const { return splitLines(logText()); }

    // A logger that writes just the stamp and the message, at level 0.
    static std::unique_ptr<TRVKLogger> plainLogger() {
        auto logger = std::make_unique<TRVKLogger>(logName());
        logger->ShowLevelTag = false;
        return logger;
    }

    std::set<std::string> logDirEntries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(logDir()))
            names.insert(entry.path().filename().string());
        return names;
    }

    static std::vector<std::string> errorsWriterLines() {
        const fs::path path = platform::privateTempDir() / "RVKLoggerErrorsWriter.log";
        if (!fs::exists(path))
            return {};
        return splitLines(platform::cp1251ToUtf8(test::readFile(path)));
    }
};

// ---- line composition ----

TEST_F(LoggerTest, LineCarriesStampLevelWordTagMarksAndMessageInOrder) {
    const std::string pid = std::to_string(getpid());
    const std::string tid = std::to_string(gettid());
    for (int flags = 0; flags < 16; ++flags) {
        const bool levelChar = flags & 1, levelTag = flags & 2, processId = flags & 4,
                   threadId = flags & 8;
        SCOPED_TRACE(flags);
        fs::remove(logPath());
        TRVKLogger logger(logName());
        logger.SetTag("[KVTReports7]");
        logger.ShowLevelChar = levelChar;
        logger.ShowLevelTag = levelTag;
        logger.ShowProcessId = processId;
        logger.ShowThreadId = threadId;
        logger.Log("  Отчет 45 готов \t", 1);

        std::string marks;
        if (processId && threadId)
            marks = " <P:" + pid + ";T:" + tid + ">";
        else if (processId)
            marks = " <P:" + pid + ">";
        else if (threadId)
            marks = " <T:" + tid + ">";
        const std::string pattern = std::string(levelChar ? R"(\+ )" : "") + StampPattern +
                                    (levelTag ? R"( \[инф\])" : "") + R"( \[KVTReports7\])" +
                                    marks + " Отчет 45 готов";
        EXPECT_TRUE(std::regex_match(logText(), std::regex(pattern + "\r\n"))) << logText();
    }
}

TEST_F(LoggerTest, EachLevelHasItsCharacterAndWord) {
    const std::vector<std::pair<char, std::string>> expected = {
        {'-', ""},        {'+', " [инф]"},   {'?', " [ошиб]"},  {'!', " [сбой]"},
        {'#', " [вним]"}, {'$', " [событ]"}, {'%', " [отлад]"}, {'@', " [другое]"}};
    TRVKLogger logger(logName());
    logger.ShowLevelChar = true;
    for (std::uint8_t level = 0; level < 8; ++level)
        logger.Log("m", level);

    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 8u);
    for (std::size_t level = 0; level < 8; ++level) {
        const auto& [character, word] = expected[level];
        EXPECT_EQ(lines[level].substr(0, 2), std::string(1, character) + " ");
        EXPECT_EQ(lines[level].substr(25), word + " m");
    }
}

TEST_F(LoggerTest, LevelsAboveSevenOrSwitchedOffAreNeverWritten) {
    TRVKLogger logger(logName());
    logger.Log("eight", 8);
    logger.Log("max", 255);
    EXPECT_FALSE(fs::exists(logPath()));

    logger.Levels.reset(3);
    logger.Log("failure", 3);
    logger.Log("warning", 4);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], EndsWith(" [вним] warning"));

    logger.Active = false;
    logger.Log("inactive", 4);
    EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(LoggerTest, BlankMessageWritesBareLineBreakAndCreatesTheFile) {
    TRVKLogger logger(logName());
    logger.Log(" \t \r\n ", 1);
    EXPECT_EQ(test::readFile(logPath()), "\r\n");
}

TEST_F(LoggerTest, FileIsWindows1251OnDisk) {
    TRVKLogger logger(logName());
    logger.Log("Смена", 1);
    const std::string bytes = test::readFile(logPath());
    EXPECT_THAT(bytes, EndsWith(" [\xE8\xED\xF4] \xD1\xEC\xE5\xED\xE0\r\n"));
}

TEST_F(LoggerTest, LogFmtFormatsItsArgumentsAndKeepsAnUnfitFormat) {
    TRVKLogger logger(logName());
    logger.LogFmt("Отчет %d подготовлен за %d мс", {45, 120}, 1);
    logger.LogFmt("Ошибка отчета %0:d: %1:s", {Variant("x")}, 2);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], EndsWith(" [инф] Отчет 45 подготовлен за 120 мс"));
    EXPECT_THAT(lines[1], HasSubstr(" [ошиб] Ошибка отчета %0:d: %1:s <"));
}

// ---- binding to a file ----

TEST_F(LoggerTest, BareFileNameLandsNextToTheProgram) {
    TRVKLogger logger("bare.log");
    EXPECT_EQ(logger.FileName(), (platform::executableDirectory() / "bare.log").string());
    logger.SetFileName("");
    EXPECT_EQ(logger.FileName(), (platform::executableDirectory() / "bare.log").string());
}

TEST_F(LoggerTest, MutexNameIsTheLowerCaseFileNameWithoutSpecialCharacters) {
    EXPECT_EQ(LogMutexName("C:\\VEDA\\LogFiles\\Отчеты \"1\"*?<>|/.LOG"),
              "c__veda_logfiles_отчеты _1_______.log");
}

TEST_F(LoggerTest, EverySpellingOfTheFileTakesOneLock) {
    const std::vector<std::string> spellings = {logName(), "c:/veda/./logfiles/TEST.LOG",
                                                "C:\\VEDA\\Other\\..\\LogFiles\\test.log",
                                                (logDir() / "Test.log").string()};
    std::vector<std::unique_ptr<TRVKLogger>> loggers;
    for (const auto& spelling : spellings)
        loggers.push_back(std::make_unique<TRVKLogger>(spelling));

    const fs::path lockFile =
        platform::NamedMutex::lockFilePath("Global\\" + LogMutexName(logName()));
    std::set<fs::path> lockFiles;
    for (const auto& entry : fs::directory_iterator(lockFile.parent_path()))
        lockFiles.insert(entry.path());
    EXPECT_EQ(lockFiles, std::set<fs::path>{lockFile});
}

TEST_F(LoggerTest, LockFileThatIsASymbolicLinkFailsWithTheMutexMessage) {
    const std::string goodName = logName();
    const std::string badName = "C:\\VEDA\\LogFiles\\Bad.log";
    const std::string rule = LogMutexName(badName);
    for (const std::string& name : {"Global\\" + rule, rule}) {
        platform::NamedMutex{name};  // creates the lock folder as the platform wants it
        const fs::path lockFile = platform::NamedMutex::lockFilePath(name);
        fs::remove(lockFile);
        fs::create_symlink(logDir() / "elsewhere", lockFile);
    }

    try {
        TRVKLogger logger(badName);
        FAIL() << "no exception";
    } catch (const ERVKLoggerError& error) {
        EXPECT_THAT(error.what(), StartsWith("Ошибка при создании объекта \"мьютекс\": "));
        EXPECT_GT(std::string(error.what()).size(),
                  std::string("Ошибка при создании объекта \"мьютекс\": ").size());
    }

    TRVKLogger logger(goodName);
    EXPECT_TRUE(logger.HasMutex());
    EXPECT_THROW(logger.SetFileName(badName), ERVKLoggerError);
    EXPECT_EQ(logger.FileName(), badName);
    EXPECT_FALSE(logger.HasMutex());
    logger.Log("still written", 1);
    EXPECT_THAT(test::readFile(logDir() / "Bad.log"), HasSubstr("still written"));
    EXPECT_FALSE(fs::exists(logDir() / "elsewhere"));
}

// ---- failures ----

// Entries that someone else may put where the logger writes. None is ever written through, and
// a refused one costs only the line, which goes to the error side log.
TEST_F(LoggerTest, PlantedEntriesAreNeverWrittenThrough) {
    const fs::path victim = base() / "victim";
    const std::string trimCopy =
        "Test.log_" + std::to_string(getpid()) + "_" + std::to_string(gettid());
    struct Case {
        const char* what;
        std::function<void(const fs::path& dir, const fs::path& victim)> plant;
        std::function<void(TRVKLogger&)> configure;
        std::string stage;  // empty: the line is written
        std::string error;
    };
    const auto none = [](TRVKLogger&) {};
    const auto rotating = [](TRVKLogger& logger) {
        logger.TruncateInPlace = false;
        logger.MaxSize = 100;
    };
    const auto trimming = [](TRVKLogger& logger) { logger.MaxSize = 1000; };
    const std::string loop = platform::systemErrorText(ELOOP);
    const std::vector<Case> cases = {
        {"link to a file", [](auto& dir, auto& v) { fs::create_symlink(v, dir / "Test.log"); },
         none, "fmOpenReadWrite", loop},
        {"dangling link",
         [](auto& dir, auto& v) {
             fs::remove(v);
             fs::create_symlink(v, dir / "Test.log");
         },
         none, "fmOpenReadWrite", loop},
        {"FIFO", [](auto& dir, auto&) { ASSERT_EQ(mkfifo((dir / "Test.log").c_str(), 0600), 0); },
         none, "fmOpenReadWrite", "Файл журнала не является обычным файлом"},
        {"folder", [](auto& dir, auto&) { fs::create_directory(dir / "Test.log"); }, none,
         "fmOpenReadWrite", platform::systemErrorText(EISDIR)},
        {"link among the backups",
         [](auto& dir, auto& v) {
             test::writeFile(dir / "Test.log", filler(200));
             test::writeFile(dir / "Test.log000", "000");
             fs::create_symlink(v, dir / "Test.log001");
         },
         rotating, "fmOpenReadWrite-OK;ProcessFile...", loop},
        {"link at the old trimming copy's name",
         [&trimCopy](auto& dir, auto& v) {
             test::writeFile(dir / "Test.log", filler(2000));
             fs::create_symlink(v, dir / trimCopy);
         },
         trimming, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(logDir());
        fs::create_directories(logDir());
        test::writeFile(victim, "чужой файл\r\n");
        c.plant(logDir(), victim);
        const auto before = logDirEntries();
        const std::size_t reported = errorsWriterLines().size();
        TRVKLogger logger(logName());
        c.configure(logger);

        logger.Log("m", 1);

        const auto lines = errorsWriterLines();
        if (c.stage.empty()) {
            EXPECT_EQ(lines.size(), reported);
            EXPECT_LT(fs::file_size(logPath()), 1100u) << "the log is trimmed";
        } else {
            ASSERT_EQ(lines.size(), reported + 1);
            EXPECT_THAT(lines.back(), HasSubstr("Ошибка при попытке записи (" + c.stage +
                                                ") в лог \"" + logName() + "\" строки ["));
            EXPECT_THAT(lines.back(), HasSubstr(c.error));
        }
        EXPECT_EQ(logDirEntries(), before);
        if (fs::exists(victim)) {
            EXPECT_EQ(test::readFile(victim), "чужой файл\r\n");
        }
    }
}

// The plug-in's log folder may be blocked by a file, or go, at any time; the log carries on as
// soon as the folder can be made again.
TEST_F(LoggerTest, FolderMadeWhenItCanBe) {
    const std::string name = "C:\\VEDA\\Blocked\\Test.log";
    const fs::path folder = driveC() / "VEDA" / "Blocked";
    TRVKLogger logger(name);
    logger.CreateFolder = true;
    test::writeFile(folder, "не папка");

    logger.Log("первая", 1);
    const auto lines = errorsWriterLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("Ошибка при попытке записи (fmCreate) в лог \"" + name +
                                    "\" строки [первая]: "));

    const auto written = [&folder] {
        return splitLines(platform::cp1251ToUtf8(test::readFile(folder / "Test.log")));
    };
    fs::remove(folder);
    logger.Log("вторая", 1);
    ASSERT_EQ(written().size(), 1u);
    EXPECT_THAT(written()[0], EndsWith(" [инф] вторая"));

    fs::remove_all(folder);
    logger.Log("третья", 1);
    ASSERT_EQ(written().size(), 1u);
    EXPECT_THAT(written()[0], EndsWith(" [инф] третья"));
    EXPECT_EQ(errorsWriterLines().size(), 1u);
}

TEST_F(LoggerTest, MissingFolderIsReportedToErrorsWriterOncePerLine) {
    const std::string name = "C:\\VEDA\\Missing\\Test.log";
    TRVKLogger logger(name);
    logger.Notify = [](std::uint32_t) {};
    EXPECT_NO_THROW(logger.Log("первая", 1));
    EXPECT_NO_THROW(logger.Log("вторая", 1));

    const auto lines = errorsWriterLines();
    ASSERT_EQ(lines.size(), 2u);
    const std::string expectedStart =
        "Ошибка при попытке записи (fmCreate) в лог \"" + name + "\" строки [";
    EXPECT_THAT(lines[0], HasSubstr(expectedStart + "первая]: "));
    EXPECT_THAT(lines[1], HasSubstr(expectedStart + "вторая]: "));
    EXPECT_THAT(lines[1], HasSubstr(platform::systemErrorText(ENOENT)));
    EXPECT_THAT(lines[1], EndsWith("<SystemError>"));
    EXPECT_THAT(logger.RecentLines().back(), StartsWith("<Ошибка при записи в лог> "));
    EXPECT_THAT(logger.RecentLines().back(), EndsWith(" [инф] вторая"));
}

TEST_F(LoggerTest, StreamAppendsAtTheEndAndWritesAtOffsetsAsAsked) {
    test::writeFile(logPath(), "xxxx");
    LogStream stream = OpenLogStream(logPath(), fmOpenReadWrite, 0);
    EXPECT_EQ(stream.append("A"), 5);
    stream.writeAt(0, "BC");
    // Another writer lengthens the file between our writes.
    {
        LogStream other = OpenLogStream(logPath(), fmOpenWrite, 0);
        other.append("D");
    }
    EXPECT_EQ(stream.append("E"), 7);
    stream.writeAt(1, "F");
    stream.close();
    EXPECT_EQ(test::readFile(logPath()), "BFxxADE");
}

TEST_F(LoggerTest, OpenTimeoutNamesTheTimeAndTheSystemText) {
    // The running test program cannot be opened for writing: the system calls it busy.
    const fs::path self = fs::read_symlink("/proc/self/exe");
    if (const int fd = open(self.c_str(), O_WRONLY | O_CLOEXEC); fd >= 0 || errno != ETXTBSY) {
        if (fd >= 0)
            close(fd);
        GTEST_SKIP() << "this kernel lets a running program be opened for writing";
    }
    try {
        OpenLogStream(self, fmOpenWrite, 30);
        FAIL() << "opened a running program for writing";
    } catch (const ERVKLoggerError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Log file open timeout: 30 ms (" + platform::systemErrorText(ETXTBSY) + ")");
    }
    EXPECT_THROW(OpenLogStream(logDir() / "none" / "x.log", fmOpenReadWrite, 0),
                 platform::SystemError);
}

// ---- size trimming ----

TEST_F(LoggerTest, SizeTrimStartsOneByteAboveAThirdOverMaxSize) {
    auto logger = plainLogger();
    const std::string atLimit = filler(1398101 - LineBytes);
    test::writeFile(logPath(), atLimit);
    logger->Log("m");
    EXPECT_EQ(fs::file_size(logPath()), 1398101u);

    const std::string overLimit = filler(1398102 - LineBytes);
    test::writeFile(logPath(), overLimit);
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_GT(kept.size(), 1048576u);
    EXPECT_LE(kept.size(), 1048576u + 100u);
    EXPECT_THAT(kept, EndsWith(" m\r\n"));
    const std::string head = kept.substr(0, kept.size() - LineBytes);
    EXPECT_EQ(overLimit.substr(overLimit.size() - head.size()), head);
    EXPECT_EQ(overLimit[overLimit.size() - head.size() - 1], '\n');
    EXPECT_EQ(logDirEntries(), std::set<std::string>{"Test.log"});
}

TEST_F(LoggerTest, SizeTrimCutsExactlyMaxSizeBeforeTheEndWithoutLineBreaks) {
    auto logger = plainLogger();
    logger->MaxSize = 1000;
    test::writeFile(logPath(), std::string(2000, 'a'));
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_EQ(kept.size(), 1000u);
    EXPECT_EQ(kept.substr(0, 1000 - LineBytes), std::string(1000 - LineBytes, 'a'));
}

TEST_F(LoggerTest, SizeTrimFindsALineBreakNearTheStartOfTheFile) {
    auto logger = plainLogger();
    logger->MaxSize = 1000;
    test::writeFile(logPath(), "short\r\n" + std::string(1400, 'a'));
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_EQ(kept.size(), 1400u + LineBytes);
    EXPECT_EQ(kept.substr(0, 1400), std::string(1400, 'a'));
}

TEST_F(LoggerTest, SizeTrimDoesNotLeaveHalfALineBreakAtTheStart) {
    auto logger = plainLogger();
    const std::string before = filler(2000);
    // The cut point falls between the CR and the LF that end the eleventh line.
    logger->MaxSize = static_cast<std::int64_t>(before.size()) + LineBytes - 1099;
    test::writeFile(logPath(), before);
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_EQ(kept, before.substr(1100) + kept.substr(kept.size() - LineBytes));
}

// ---- rotation ----

TEST_F(LoggerTest, RotationShiftsNumberedBackupsAndDropsTheOldest) {
    auto logger = plainLogger();
    logger->TruncateInPlace = false;
    logger->MaxSize = 100;
    const std::string live = filler(200);
    test::writeFile(logPath(), live);
    for (int number = 0; number <= 11; ++number) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%03d", number);
        test::writeFile(logDir() / ("Test.log" + std::string(suffix)), suffix);
    }
    test::writeFile(logDir() / "Test.log.bak", "bak");
    test::writeFile(logDir() / "Test.logX1", "x1");

    logger->Log("m");

    std::set<std::string> expected = {"Test.log.bak", "Test.logX1"};
    for (int number = 0; number <= 10; ++number) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%03d", number);
        expected.insert("Test.log" + std::string(suffix));
        if (number == 0)
            continue;
        char previous[8];
        std::snprintf(previous, sizeof previous, "%03d", number - 1);
        EXPECT_EQ(test::readFile(logDir() / ("Test.log" + std::string(suffix))), previous);
    }
    EXPECT_EQ(logDirEntries(), expected);
    const std::string rotated = test::readFile(logDir() / "Test.log000");
    EXPECT_EQ(rotated.substr(0, live.size()), live);
    EXPECT_THAT(rotated, EndsWith(" m\r\n"));

    logger->Log("next");
    EXPECT_EQ(logLines().size(), 1u);
}

// ---- age trimming ----

class AgeTrimTest : public LoggerTest {
protected:
    // One 100-byte line stamped `daysAgo` before now.
    static std::string agedLine(double daysAgo, const std::string& text, bool levelChar = false) {
        std::string line =
            (levelChar ? "+ " : "") +
            FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", Now() - daysAgo, LogFormatSettings()) + " " +
            text;
        line.resize(98, '.');
        return line + "\r\n";
    }

    static std::string agedLines(int count, double daysAgo, const std::string& tag) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += agedLine(daysAgo, tag + std::to_string(i), i % 2 == 1);
        return text;
    }

    std::unique_ptr<TRVKLogger> agingLogger() {
        auto logger = plainLogger();
        logger->MaxSize = 0;
        logger->KeepDays = 1;
        return logger;
    }
};

TEST_F(AgeTrimTest, CutsBeforeTheFirstYoungLineAfterOldOnes) {
    const std::string young = agedLines(200, 1.0 / 24, "young");
    test::writeFile(logPath(), agedLines(200, 10, "old") + young);
    auto logger = agingLogger();
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_EQ(kept.substr(0, young.size()), young);
    EXPECT_EQ(kept.size(), young.size() + LineBytes);
    EXPECT_GT(logger->LastAgeCheck, 0);
    EXPECT_EQ(logDirEntries(), std::set<std::string>{"Test.log"});
}

TEST_F(AgeTrimTest, LeavesTheFileWhileItsOldestLineIsWithinAThirdOverKeepDays) {
    const std::string before = agedLines(200, 1.2, "aging") + agedLines(200, 0.1, "young");
    test::writeFile(logPath(), before);
    auto logger = agingLogger();
    logger->Log("m");
    EXPECT_EQ(test::readFile(logPath()).substr(0, before.size()), before);
}

TEST_F(AgeTrimTest, ChecksAtMostOncePerMinute) {
    const std::string before = agedLines(200, 10, "old") + agedLines(200, 0.1, "young");
    test::writeFile(logPath(), before);
    auto logger = agingLogger();
    logger->LastAgeCheck = Now();
    logger->Log("m");
    EXPECT_EQ(test::readFile(logPath()).substr(0, before.size()), before);
}

TEST_F(AgeTrimTest, YoungLinesBeyondTheExaminedBlocksAreKept) {
    // Only the first 32768 bytes are examined, and all lines there are old.
    const std::string young = agedLines(100, 0.1, "young");
    const std::string before = agedLines(400, 10, "old") + young;
    test::writeFile(logPath(), before);
    auto logger = agingLogger();
    logger->Log("m");
    const std::string kept = test::readFile(logPath());
    EXPECT_LT(kept.size(), 40000u);
    const std::size_t keptBefore = kept.size() - LineBytes;
    EXPECT_EQ(kept.substr(0, keptBefore), before.substr(before.size() - keptBefore));
    EXPECT_EQ(before[before.size() - keptBefore - 1], '\n');
    EXPECT_THAT(kept, HasSubstr(young));
}

TEST_F(AgeTrimTest, RotatesInsteadWhenNotTrimmingInPlace) {
    const std::string before = agedLines(200, 10, "old") + agedLines(200, 0.1, "young");
    test::writeFile(logPath(), before);
    auto logger = agingLogger();
    logger->TruncateInPlace = false;
    logger->Log("m");
    EXPECT_EQ(logDirEntries(), std::set<std::string>{"Test.log000"});
    EXPECT_EQ(test::readFile(logDir() / "Test.log000").substr(0, before.size()), before);
}

// ---- threads and the viewer notification ----

TEST_F(LoggerTest, ThreadsOfTwoLoggersOnOneFileWriteWholeLines) {
    TRVKLogger first(logName()), second(logName());
    for (TRVKLogger* logger : {&first, &second})
        logger->MaxSize = 3000;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            TRVKLogger& logger = t % 2 ? second : first;
            for (int i = 0; i < 150; ++i)
                logger.Log("поток " + std::to_string(t) + " строка", 1);
        });
    }
    for (auto& thread : threads)
        thread.join();

    const std::regex whole(StampPattern + R"( \[инф\] поток \d строка)");
    const std::string text = logText();
    EXPECT_THAT(text, EndsWith("\r\n"));
    for (const auto& line : splitLines(text))
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
}

// A writer that takes no lock (or another lock) must not overwrite lines either: every line is
// appended where the system finds the end, never at an end remembered a moment before.
TEST_F(LoggerTest, WritersSharingNoLockLoseNoLine) {
    constexpr int Threads = 2, LinesEach = 2000;
    TRVKLogger first(logName()), second(logName());
    for (TRVKLogger* logger : {&first, &second})
        logger->SetUseMutex(false);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < LinesEach; ++i)
                (t ? second : first).Log("поток " + std::to_string(t), 1);
        });
    }
    for (auto& thread : threads)
        thread.join();

    const std::regex whole(StampPattern + R"( \[инф\] поток \d)");
    const auto lines = logLines();
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(Threads * LinesEach));
    for (const auto& line : lines)
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
}

TEST_F(LoggerTest, NotifyKeepsRecentLinesAndRunsAfterTheLocksAreReleased) {
    TRVKLogger logger(logName());
    logger.MaxRecentLines = 3;
    std::vector<std::uint32_t> messages;
    bool crossProcessLockFree = false;
    logger.Notify = [&](std::uint32_t message) {
        messages.push_back(message);
        std::thread other([&] {
            platform::NamedMutex mutex("Global\\" + LogMutexName(logName()));
            crossProcessLockFree = mutex.tryLockFor(0);
            if (crossProcessLockFree)
                mutex.unlock();
        });
        other.join();
        if (messages.size() == 1)
            logger.Log("из уведомления", 1);
    };
    for (int i = 1; i <= 4; ++i)
        logger.Log("строка " + std::to_string(i), 1);

    EXPECT_EQ(messages, std::vector<std::uint32_t>(5, 1345));
    EXPECT_TRUE(crossProcessLockFree);
    const auto recent = logger.RecentLines();
    ASSERT_EQ(recent.size(), 3u);
    EXPECT_THAT(recent[0], EndsWith(" [инф] строка 2"));
    EXPECT_THAT(recent[2], EndsWith(" [инф] строка 4"));
    EXPECT_EQ(logLines().size(), 5u);

    logger.NotifyMessage = 0;
    logger.Log("тихо", 1);
    EXPECT_EQ(messages.size(), 5u);
    EXPECT_EQ(logger.RecentLines().size(), 3u);
}

}  // namespace
}  // namespace kvt
