#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <memory>
#include <string>

#include "platform/Beep.h"
#include "platform/Clock.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "platform/Text.h"
#include "support/TestRoot.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;

TEST(Text, LowerCaseFoldsLatinAndCyrillicLetters) {
    EXPECT_EQ(lowerUtf8("ЁЛКА Abc"), "ёлка abc");
    EXPECT_EQ(lowerUtf8("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"), "абвгдежзийклмнопрстуфхцчшщъыьэюя");
    EXPECT_EQ(lowerUtf8("ЀЂЃЄЅІЇЈЉЊЋЌЍЎЏҐ"), "ѐђѓєѕіїјљњћќѝўџґ");
    EXPECT_EQ(lowerUtf8("ÀÉÖ×ØÞß"), "àéö×øþß");
}

TEST(Text, OtherCharactersAndBrokenBytesAreCopied) {
    EXPECT_EQ(lowerUtf8("ё №5 €[]@Z"), "ё №5 €[]@z");
    EXPECT_EQ(lowerUtf8("\xD0"), "\xD0");
    EXPECT_EQ(lowerUtf8("\xD0Z\x90"), "\xD0z\x90");
    EXPECT_EQ(lowerUtf8(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(Text, EqualityIgnoresCase) {
    EXPECT_TRUE(equalsIgnoreCase("Global\\", "GLOBAL\\"));
    EXPECT_TRUE(equalsIgnoreCase("Сведения", "сВЕДЕНИЯ"));
    EXPECT_FALSE(equalsIgnoreCase("Сведения", "Сведение"));
    EXPECT_FALSE(equalsIgnoreCase("a", "ab"));
}

TEST(Clock, TickDifferencesSurviveTheWrap) {
    const std::uint32_t start = tickCount() - 100;  // wraps when the counter is below 100
    EXPECT_GE(ticksSince(start), 100u);
    sleepMs(2);
    EXPECT_GE(ticksSince(start), 102u);
}

class LocalTime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        saved_ = old ? std::make_unique<std::string>(old) : nullptr;
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    // Days since 30.12.1899 of the current UTC time.
    static double utcDateTime() { return static_cast<double>(std::time(nullptr)) / 86400 + 25569; }

private:
    std::unique_ptr<std::string> saved_;
};

TEST_F(LocalTime, NowCountsDaysSince1899InLocalTime) {
    const double minute = 1.0 / 1440;
    zone("UTC0");
    EXPECT_NEAR(nowAsDateTime(), utcDateTime(), minute);
    zone("<+03>-3");
    EXPECT_NEAR(nowAsDateTime(), utcDateTime() + 3.0 / 24, minute);
    zone("<-10>10");
    EXPECT_NEAR(nowAsDateTime(), utcDateTime() - 10.0 / 24, minute);
}

class BeepTest : public ::testing::Test {
protected:
    void TearDown() override { setBeepService(nullptr); }
};

TEST_F(BeepTest, BeepsGoToTheInstalledService) {
    auto recorder = std::make_shared<RecordingBeep>();
    const auto previous = setBeepService(recorder);
    ASSERT_NE(previous, nullptr);
    Beep(1000, 50);
    std::async(std::launch::async, [] { Beep(440, 10); }).get();
    const std::vector<RecordingBeep::Call> expected = {{1000, 50}, {440, 10}};
    EXPECT_EQ(recorder->calls(), expected);

    EXPECT_EQ(setBeepService(nullptr), recorder);
    Beep(1, 1);
    EXPECT_EQ(recorder->calls().size(), 2u);
    EXPECT_EQ(setBeepService(recorder), previous);
}

TEST_F(BeepTest, TheDefaultBellStaysSilentOffATerminal) {
    ::testing::internal::CaptureStderr();
    Beep(1000, 50);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

class TempDirTest : public test::FreshRoot {
protected:
    fs::path expected() const { return base() / "tmp" / ("kvt-" + std::to_string(getuid())); }
};

TEST_F(TempDirTest, IsAPrivateFolderUnderTmpdir) {
    EXPECT_EQ(privateTempDir(), expected());
    struct stat info {};
    ASSERT_EQ(lstat(expected().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    test::writeFile(expected() / "kept", "x");
    EXPECT_EQ(privateTempDir(), expected());
    EXPECT_TRUE(fs::exists(expected() / "kept"));
}

TEST_F(TempDirTest, RefusesALinkOrAFolderOpenToOthers) {
    auto refusal = [] {
        try {
            privateTempDir();
        } catch (const SystemError& error) {
            return error.errorNumber();
        }
        return 0;
    };
    fs::create_directory(base() / "theirs");
    fs::create_directory_symlink(base() / "theirs", expected());
    EXPECT_EQ(refusal(), EPERM);
    fs::remove(expected());
    fs::create_directory(expected());
    fs::permissions(expected(), fs::perms(0755));
    EXPECT_EQ(refusal(), EPERM);
    fs::permissions(expected(), fs::perms(0700));
    EXPECT_EQ(refusal(), 0);
}

}  // namespace
}  // namespace kvt::platform
