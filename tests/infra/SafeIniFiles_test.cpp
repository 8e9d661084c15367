#include "infra/SafeIniFiles.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "infra/IniFile.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

constexpr const char* kName = "C:\\WINDOWS\\cnf.INI";
constexpr std::size_t kChunk = 65532;

class SafeIniFileTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(driveC() / "WINDOWS");
    }
    fs::path local() const { return driveC() / "WINDOWS" / "cnf.INI"; }
    std::string text() const { return readFile(local()); }
    void setText(const std::string& bytes) const { writeFile(local(), bytes); }
};

// The message of the exception of class E that `action` throws.
template <class E>
std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    ADD_FAILURE() << "no exception of the expected class";
    return {};
}

TEST(SafeIniHashTest, MatchesTheStationSoftware) {
    EXPECT_EQ(SafeIniHash("abc"), 397824173);
    EXPECT_EQ(SafeIniHash("a"), -794527);
    EXPECT_EQ(SafeIniHash(""), 0);
}

TEST(SafeIniMutexNameTest, FoldsCaseDoubleBackslashesAndForbiddenCharacters) {
    EXPECT_EQ(SafeIniMutexName("C:\\WINDOWS\\cnf.INI"), "ini file lock mutexc__windows_cnf.ini");
    EXPECT_EQ(SafeIniMutexName("\\\\\\\\Server\\\\Share\\A.ini"),
              "ini file lock mutex_server_share_a.ini");
    EXPECT_EQ(SafeIniMutexName("a\"*/:<>?|b"), "ini file lock mutexa________b");
    EXPECT_EQ(SafeIniMutexName("C:\\ОКНА\\Файл.ini"), "ini file lock mutexc__окна_файл.ini");
}

TEST_F(SafeIniFileTest, WritesCp1251TextWithCrLfAndQuotesBlankEnds) {
    TSafeIniFile file(kName);
    file.WriteString("Misc", "Format", "1");
    file.WriteString("Misc", "Каталог", " x ");
    file.WriteString("Misc", "Quote", "\"q\"");
    file.WriteString("Misc", "Empty", "");
    EXPECT_EQ(text(),
              "[Misc]\r\nFormat=1\r\n\xCA\xE0\xF2\xE0\xEB\xEE\xE3=\" x \"\r\n"
              "Quote=\"\"q\"\"\r\nEmpty=\r\n");
    EXPECT_EQ(file.ReadString("misc", "КАТАЛОГ", "?"), " x ");
    EXPECT_EQ(file.ReadString("MISC", "quote", "?"), "\"q\"");
    EXPECT_EQ(file.ReadString("Misc", "Empty", "?"), "");
    EXPECT_EQ(file.ReadString("Misc", "Missing", "default"), "default");
}

TEST_F(SafeIniFileTest, LongValuesSplitAtTheChunkLimit) {
    TSafeIniFile file(kName);
    file.WriteString("S", "one", std::string(kChunk, 'a'));
    file.WriteString("S", "two", std::string(kChunk, 'b') + "c");
    std::vector<std::string> keys;
    file.ReadSection("S", keys);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"one", "two", "two__$Count", "two__$Hash", "two__$Line2"}));
    const IniDocument document = IniDocument::parse(text());
    EXPECT_EQ(document.value("S", "two__$Count"), "2");
    EXPECT_EQ(document.value("S", "two__$Hash"),
              std::to_string(SafeIniHash(std::string(kChunk, 'b'))));
    EXPECT_EQ(document.value("S", "two__$Line2"), "c");
    EXPECT_EQ(file.ReadString("S", "one", ""), std::string(kChunk, 'a'));
    EXPECT_EQ(file.ReadString("S", "two", ""), std::string(kChunk, 'b') + "c");
}

TEST_F(SafeIniFileTest, LineBreaksAreKeptAsCrLfAndAMarkerIsNeverSplit) {
    TSafeIniFile file(kName);
    file.WriteString("S", "crlf", "a\r\nb");
    file.WriteString("S", "lf", "a\nb");
    file.WriteString("S", "cr", "a\rb");
    EXPECT_EQ(text(), "[S]\r\ncrlf=a<@\\n@>b\r\nlf=a<@\\n@>b\r\ncr=ab\r\n");
    EXPECT_EQ(file.ReadString("S", "crlf", ""), "a\r\nb");
    EXPECT_EQ(file.ReadString("S", "lf", ""), "a\r\nb");
    EXPECT_EQ(file.ReadString("S", "cr", ""), "ab");

    const std::string head(kChunk - 2, 'x');
    file.WriteString("S", "edge", head + "\nend");
    const IniDocument document = IniDocument::parse(text());
    EXPECT_EQ(document.value("S", "edge"), head);
    EXPECT_EQ(document.value("S", "edge__$Line2"), "<@\\n@>end");
    EXPECT_EQ(file.ReadString("S", "edge", ""), head + "\r\nend");
}

TEST_F(SafeIniFileTest, ShortValueOverLongOneRemovesCompanionKeys) {
    TSafeIniFile file(kName);
    file.WriteString("S", "v", std::string(3 * kChunk, 'z'));
    EXPECT_EQ(IniDocument::parse(text()).value("S", "v__$Count"), "3");
    file.WriteString("S", "v", "short");
    EXPECT_EQ(text(), "[S]\r\nv=short\r\n");
    file.WriteString("S", "w", std::string(2 * kChunk, 'z'));
    file.DeleteKey("S", "w");
    EXPECT_EQ(text(), "[S]\r\nv=short\r\n");
}

TEST_F(SafeIniFileTest, AHandEditedFirstChunkReadsAlone) {
    TSafeIniFile file(kName);
    file.WriteString("S", "v", std::string(kChunk, 'a') + "tail");
    std::string bytes = text();
    bytes.replace(bytes.find("v=") + 2, kChunk, "edited");
    setText(bytes);
    EXPECT_EQ(file.ReadString("S", "v", ""), "edited");

    SafeIniCheckHash = false;
    EXPECT_EQ(file.ReadString("S", "v", ""), "editedtail");
    // Without the check a missing or unreadable hash counts as 0 too.
    const std::string edited = text();
    for (const char* hash : {"", "v__$Hash=junk\r\n"}) {
        std::string withoutHash = edited;
        const auto line = withoutHash.find("v__$Hash=");
        withoutHash.replace(line, withoutHash.find('\n', line) + 1 - line, hash);
        setText(withoutHash);
        EXPECT_EQ(file.ReadString("S", "v", ""), "editedtail") << hash;
    }
    SafeIniCheckHash = true;
}

// A count beyond what the section holds reads as the first chunk, in time linear in the file,
// and is reported in the error side log.
TEST_F(SafeIniFileTest, AnImpossibleCountReadsAsTheFirstChunk) {
    std::string bytes = "[S]\r\nv=first\r\nv__$Count=2000000000\r\nv__$Hash=" +
                        std::to_string(SafeIniHash("first")) + "\r\nv__$Line2=second\r\n";
    for (int junk = 0; junk < 100000; ++junk)
        bytes += "junk" + std::to_string(junk) + "=x\r\n";
    setText(bytes);
    TSafeIniFile file(kName);
    EXPECT_EQ(file.ReadString("S", "v", ""), "first");
    const std::string sideLog = readFile(platform::privateTempDir() / "RVKLoggerErrorsWriter.log");
    EXPECT_NE(sideLog.find(platform::utf8ToCp1251("объявляет 2000000000 частей")),
              std::string::npos)
        << sideLog;
}

TEST_F(SafeIniFileTest, FilesBeyondTheSizeLimitAreRefusedBothWays) {
    setText("[S]\r\nk=" + std::string(IniFileStore::kMaxFileSize, 'x') + "\r\n");
    TSafeIniFile file(kName);
    EXPECT_EQ(
        failureOf<EIniFileException>([&] { file.ReadString("S", "k", ""); }),
        "TSafeIniFile.ReadString -> файл больше 16 МБ (16777225 байт) -> Не удалось прочитать файл "
        "C:\\WINDOWS\\cnf.INI");
    setText("[S]\r\nk=" + std::string(IniFileStore::kMaxFileSize - 100, 'x') + "\r\n");
    const std::string message =
        failureOf<EIniFileException>([&] { file.WriteString("S", "last", std::string(200, 'y')); });
    EXPECT_NE(message.find("запись отклонена"), std::string::npos) << message;
    EXPECT_FALSE(file.ValueExists("S", "last"));
}

TEST_F(SafeIniFileTest, PlainModeKeepsToOneLine) {
    TSafeIniFile file(kName);
    file.PlainMode = true;
    file.WriteString("S", "v", std::string(kChunk, 'a') + "dropped");
    EXPECT_EQ(text(), "[S]\r\nv=" + std::string(kChunk, 'a') + "\r\n");

    file.PlainMode = false;
    file.WriteString("S", "long", std::string(kChunk, 'b') + "c");
    file.PlainMode = true;
    EXPECT_EQ(file.ReadString("S", "long", ""), std::string(kChunk, 'b'));
    file.DeleteKey("S", "long");
    std::vector<std::string> keys;
    file.ReadSection("S", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"v", "long__$Count", "long__$Hash", "long__$Line2"}));
}

TEST_F(SafeIniFileTest, WritesKeepEveryLineTheyDoNotTouch) {
    const std::string before = platform::utf8ToCp1251(
        "; station settings\n"
        "junk without equals\r\n"
        "\r\n"
        "[Misc]\n"
        "  Other = kept as is  \n"
        "; comment = not a key\r\n"
        "Format=0\n"
        "Format=shadowed\r\n"
        "[Станция]\r\n"
        "Имя=x\r\n"
        "[Tail]\r\n"
        "last=no newline");
    setText(before);
    TSafeIniFile file(kName);
    EXPECT_EQ(file.ReadString("misc", "OTHER", ""), "kept as is");
    EXPECT_EQ(file.ReadString("Misc", "Format", ""), "0");
    file.WriteString("MISC", "format", "1");
    file.WriteString("Misc", "New", "n");
    file.WriteString("Tail", "more", "m");
    file.WriteString("Added", "k", "v");
    std::string after = before;
    after.replace(after.find("Format=0"), 8, "Format=1");
    after.insert(after.find(platform::utf8ToCp1251("[Станция]")), "New=n\r\n");
    after += "\r\nmore=m\r\n[Added]\r\nk=v\r\n";
    EXPECT_EQ(text(), after);
    std::vector<std::string> sections;
    file.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"Misc", "Станция", "Tail", "Added"}));
}

TEST_F(SafeIniFileTest, NulBytesAndOverlongLinesNeitherCrashNorGetLost) {
    const std::string nul("a\0b", 3);
    const std::string huge(200000, 'h');
    const std::string before = "[S]\r\nnul=" + nul + "\r\nhuge=" + huge + "\r\n" + huge +
                               "\r\nk=v\r\n[" + nul + "]\r\nx=y\r\n";
    setText(before);
    TSafeIniFile file(kName);
    EXPECT_EQ(file.ReadString("S", "nul", ""), nul);
    EXPECT_EQ(file.ReadString("S", "huge", ""), std::string(IniDocument::kMaxValueLength, 'h'));
    file.WriteString("S", "k", "w");
    std::string after = before;
    after.replace(after.find("k=v"), 3, "k=w");
    EXPECT_EQ(text(), after);
}

TEST_F(SafeIniFileTest, EmptyNamesAreRefusedWithTheOperationNamed) {
    TSafeIniFile file(kName);
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.ReadString("", "k", ""); }),
              "TSafeIniFile.ReadString -> Не указано название секции. Имя файла: "
              "C:\\WINDOWS\\cnf.INI");
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.WriteString("S", "", "v"); }),
              "TSafeIniFile.WriteString -> Не указано название переменной. Имя файла: "
              "C:\\WINDOWS\\cnf.INI");
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.ReadDate("S", "", 0); }),
              "TSafeIniFile.ReadDate -> TSafeIniFile.ReadString -> Не указано название "
              "переменной. Имя файла: C:\\WINDOWS\\cnf.INI");
    std::vector<std::string> lines;
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.ReadSectionValues("", lines); }),
              "TSafeIniFile.ReadSectionValues -> Не указано название секции. Имя файла: "
              "C:\\WINDOWS\\cnf.INI");
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.EraseSection(""); }),
              "TSafeIniFile.EraseSection -> Не указано название секции. Имя файла: "
              "C:\\WINDOWS\\cnf.INI");
}

TEST_F(SafeIniFileTest, NamesThatWouldBreakTheFileAreRefused) {
    setText("[S]\r\nk=v\r\n");
    TSafeIniFile file(kName);
    for (const auto& name : std::vector<std::pair<std::string, std::string>>{{"S", "a=b"},
                                                                             {"S", "x\r\n[T]"},
                                                                             {"S", "[T]"},
                                                                             {"S", "; c"},
                                                                             {"S", "  "},
                                                                             {"a]b", "k"},
                                                                             {"S\nk", "k"},
                                                                             {" ", "k"}}) {
        failureOf<EIniFileException>([&] { file.WriteString(name.first, name.second, "v"); });
    }
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.WriteString("S", "a=b", "v"); }),
              "TSafeIniFile.WriteString -> Недопустимое название переменной \"a=b\". Имя "
              "файла: C:\\WINDOWS\\cnf.INI");
    EXPECT_EQ(text(), "[S]\r\nk=v\r\n");
}

TEST_F(SafeIniFileTest, IntegersAndBooleansAsTheBaseClassReadsThem) {
    setText("[S]\r\nhex=$1F\r\nc=0x10\r\nbad=12a\r\nneg= -7 \r\ntwo=2\r\n");
    TSafeIniFile file(kName);
    EXPECT_EQ(file.ReadInteger("S", "hex", 0), 31);
    EXPECT_EQ(file.ReadInteger("S", "c", 0), 16);
    EXPECT_EQ(file.ReadInteger("S", "bad", 5), 5);
    EXPECT_EQ(file.ReadInteger("S", "neg", 0), -7);
    EXPECT_EQ(file.ReadInteger("S", "missing", 9), 9);
    EXPECT_TRUE(file.ReadBool("S", "two", false));
    EXPECT_TRUE(file.ReadBool("S", "missing", true));
    file.WriteBool("B", "t", true);
    file.WriteBool("B", "f", false);
    file.WriteInteger("B", "i", -42);
    EXPECT_FALSE(file.ReadBool("B", "f", true));
    EXPECT_NE(text().find("[B]\r\nt=1\r\nf=0\r\ni=-42\r\n"), std::string::npos);
}

TEST_F(SafeIniFileTest, DatesTimesAndNumbersIgnoreTheUsersLocale) {
    setText("[S]\r\ncomma=1,5\r\ndot=1.5\r\ndate=07.12.2026\r\njunk=later\r\n");
    TSafeIniFile file(kName);
    EXPECT_EQ(file.ReadFloat("S", "comma", 2), 2);
    EXPECT_EQ(file.ReadFloat("S", "dot", 2), 1.5);
    EXPECT_EQ(file.ReadDate("S", "date", 0), EncodeDate(2026, 12, 7));
    EXPECT_EQ(file.ReadDate("S", "junk", 3), 3);
    EXPECT_EQ(file.ReadTime("S", "missing", 4), 4);

    const DateTime moment = EncodeDate(2026, 12, 7) + EncodeTime(14, 3, 59, 42);
    file.WriteDate("W", "d", moment);
    file.WriteTime("W", "t", moment);
    file.WriteDateTime("W", "dt", moment);
    file.WriteFloat("W", "f", 2.25);
    EXPECT_NE(text().find("[W]\r\nd=07.12.2026\r\nt=14:03:59.042\r\ndt=07.12.2026 "
                          "14:03:59.042\r\nf=2.25\r\n"),
              std::string::npos);
    EXPECT_NEAR(file.ReadDateTime("W", "dt", 0), moment, 1e-8);
    EXPECT_NEAR(file.ReadTime("W", "t", 0), EncodeTime(14, 3, 59, 42), 1e-8);
    EXPECT_EQ(file.ReadFloat("W", "f", 0), 2.25);
}

TEST_F(SafeIniFileTest, HexAndQuotedStrings) {
    setText("[S]\r\nbad=41ZZ42\r\nodd=414\r\nq=`1`\r\ndq=\"\"a\"\"\r\n");
    TSafeIniFile file(kName);
    std::string value;
    file.ReadHexString("S", "bad", value, "");
    EXPECT_EQ(value, "A?B");
    file.ReadHexString("S", "odd", value, "");
    EXPECT_EQ(value, "A");
    file.ReadHexString("S", "missing", value, std::string("\x01\xAB", 2));
    EXPECT_EQ(value, std::string("\x01\xAB", 2));
    file.WriteHexString("H", "h", std::string("\x00\xFFz", 3));
    EXPECT_NE(text().find("[H]\r\nh=00FF7A\r\n"), std::string::npos);

    file.ReadQuotedString("S", "q", value, '`', "");
    EXPECT_EQ(value, "1");
    file.ReadQuotedString("S", "dq", value, '\0', "");
    EXPECT_EQ(value, "a");
    file.ReadQuotedString("S", "missing", value, '`', "`d`");
    EXPECT_EQ(value, "d");
}

TEST_F(SafeIniFileTest, SectionListingsAndErasing) {
    TSafeIniFile file(kName);
    file.WriteString("S", "long", std::string(kChunk, 'l') + "\nrest");
    file.WriteString("S", "k", "v");
    file.WriteString("T", "x", "y");
    std::vector<std::string> lines;
    file.ReadSectionValues("S", lines);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "long=" + std::string(kChunk, 'l') + "\r\nrest");
    EXPECT_EQ(lines[1], "long__$Count=2");
    EXPECT_EQ(lines[4], "k=v");
    EXPECT_TRUE(file.SectionExists("t"));
    EXPECT_TRUE(file.ValueExists("s", "K"));
    file.EraseSection("s");
    EXPECT_EQ(text(), "[T]\r\nx=y\r\n");
    EXPECT_FALSE(file.ValueExists("S", "k"));
}

TEST_F(SafeIniFileTest, ChangesThatChangeNothingDoNotCreateTheFile) {
    TSafeIniFile file(kName);
    file.DeleteKey("S", "k");
    file.EraseSection("S");
    file.UpdateFile();
    EXPECT_EQ(file.ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(fs::exists(local()));
}

TEST_F(SafeIniFileTest, AMissingFolderFailsAtOnceWithTheSystemsText) {
    TSafeIniFile file("C:\\NOFOLDER\\x.ini");
    EXPECT_EQ(failureOf<EIniFileException>([&] { file.WriteString("S", "k", "v"); }),
              "TSafeIniFile.WriteString -> No such file or directory -> Не удалось записать в файл "
              "C:\\NOFOLDER\\x.ini");
}

// Settings that cannot be read as a file give the defaults; a write says why it refused and
// leaves what is there as it was.
TEST_F(SafeIniFileTest, AFileThatIsNotAFileReadsAsDefaultsAndIsNotWritten) {
    const fs::path target = driveC() / "target.ini";
    writeFile(target, "[S]\r\nk=secret\r\n");
    const std::function<void()> plant[] = {
        [&] { fs::create_symlink(target, local()); },
        [&] { fs::create_directory(local()); },
        [&] { ASSERT_EQ(mkfifo(local().c_str(), 0600), 0); },
    };
    const std::string reasons[] = {
        "файл является символической ссылкой, через ссылку он не записывается",
        "это папка, а не файл",
        "это не обычный файл",
    };
    for (std::size_t i = 0; i < std::size(plant); ++i) {
        plant[i]();
        TSafeIniFile file(kName);
        EXPECT_EQ(file.ReadString("S", "k", "default"), "default") << i;
        EXPECT_EQ(file.ReadInteger("S", "n", 7), 7) << i;
        EXPECT_EQ(failureOf<EIniFileException>([&] { file.WriteString("S", "k", "v"); }),
                  "TSafeIniFile.WriteString -> " + reasons[i] +
                      " -> Не удалось записать в файл C:\\WINDOWS\\cnf.INI")
            << i;
        EXPECT_EQ(readFile(target), "[S]\r\nk=secret\r\n");
        fs::remove(local());
    }
}

TEST_F(SafeIniFileTest, ALockFileReplacedByASymbolicLinkIsRefused) {
    const fs::path lock = platform::NamedMutex::lockFilePath("Global\\" + SafeIniMutexName(kName));
    fs::create_directories(lock.parent_path());
    fs::create_symlink(driveC() / "elsewhere", lock);
    const std::string message = failureOf<platform::SystemError>([] { TSafeIniFile file(kName); });
    EXPECT_NE(message.find("symbolic links"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(driveC() / "elsewhere"));
}

// Runs `check` as a user who may not write the file: the test user itself when it is not
// privileged, otherwise a forked child that has given up root (root writes any file).
void runUnprivileged(const fs::path& base, const std::function<bool()>& check) {
    if (geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    fs::permissions(base, fs::perms::others_exec, fs::perm_options::add);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool passed = false;
        try {
            passed = setgid(65534) == 0 && setuid(65534) == 0 && check();
        } catch (...) {
        }
        _exit(passed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(SafeIniFileTest, AFileThatMayNotBeWrittenStaysUnchanged) {
    setText("[S]\r\nk=v\r\n");
    fs::permissions(local(), fs::perms(0444));
    { TSafeIniFile createsTheSharedLockFile(kName); }
    runUnprivileged(base(), [] {
        TSafeIniFile file(kName);
        const std::string message =
            failureOf<EIniFileException>([&] { file.WriteString("S", "k", "changed"); });
        return message ==
                   "TSafeIniFile.WriteString -> Permission denied -> Не удалось записать в файл "
                   "C:\\WINDOWS\\cnf.INI" &&
               file.ReadString("S", "k", "") == "v";
    });
    EXPECT_EQ(text(), "[S]\r\nk=v\r\n");
    EXPECT_EQ(fs::status(local()).permissions(), fs::perms(0444));
}

TEST_F(SafeIniFileTest, ARewriteKeepsTheFilesPermissionsAndClearsDeadWritersFiles) {
    setText("[S]\r\nk=v\r\n");
    fs::permissions(local(), fs::perms(0640));
    // Process ids stop below 2^22: 4194305 is a writer that is gone.
    const fs::path dead = local().parent_path() / ".cnf.INI~kvt4194305-AbC123";
    const fs::path live =
        local().parent_path() / (".cnf.INI~kvt" + std::to_string(getpid()) + "-AbC123");
    writeFile(dead, "a dead writer's text");
    writeFile(live, "a live writer's text");
    writeFile(local().parent_path() / ".cnf.INI.keep", "not ours");
    TSafeIniFile file(kName);
    file.WriteString("S", "k", "w");
    EXPECT_EQ(fs::status(local()).permissions(), fs::perms(0640));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_EQ(std::distance(fs::directory_iterator(local().parent_path()), {}), 3);
}

// A file shared through its group stays another user's, in the group, writable by the group,
// whoever writes it: root keeps the owner on the new file; a member of the group, who cannot,
// rewrites it in place, also when the folder is not theirs to write.
TEST_F(SafeIniFileTest, AGroupSharedFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to set up a file of another user";
    constexpr uid_t kOwner = 1;      // daemon
    constexpr gid_t kGroup = 65534;  // nogroup
    fs::permissions(base(), fs::perms::others_exec, fs::perm_options::add);
    for (const fs::perms folder : {fs::perms(0777), fs::perms(0755)}) {
        setText("[S]\r\nk=v\r\n");
        ASSERT_EQ(chown(local().c_str(), kOwner, kGroup), 0);
        fs::permissions(local(), fs::perms(0664));
        fs::permissions(local().parent_path(), folder);
        {
            TSafeIniFile asRoot(kName);
            asRoot.WriteString("S", "root", "1");
        }
        runUnprivileged(base(), [] {
            TSafeIniFile file(kName);
            file.WriteString("S", "member", "2");
            return file.ReadString("S", "root", "") == "1";
        });
        struct stat info {};
        ASSERT_EQ(stat(local().c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kOwner);
        EXPECT_EQ(info.st_gid, kGroup);
        EXPECT_EQ(info.st_mode & 07777, 0664u);
        EXPECT_EQ(text(), "[S]\r\nk=v\r\nroot=1\r\nmember=2\r\n");
        fs::remove(local());
    }
}

}  // namespace
}  // namespace kvt
