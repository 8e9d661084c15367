#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The tool runs as on a server without a display: no DISPLAY and no platform chosen for it.
class NoDisplay {
public:
    NoDisplay() {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
            unsetenv(name);
        }
    }
    ~NoDisplay() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
        }
    }
    NoDisplay(const NoDisplay&) = delete;
    NoDisplay& operator=(const NoDisplay&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class KvtPrintTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        // 150 lines of 11-point text do not fit on one A4 page in either orientation.
        std::string text = "СМЕННЫЙ ОТЧЕТ\r\n+------+----------+\r\n";
        for (int i = 0; i < 150; ++i)
            text += "| " + std::to_string(1000 + i) + " | " + std::to_string(-i) + ",50 |\r\n";
        text += "+------+----------+\r\n";
        test::writeFile(reportPath(), platform::utf8ToCp1251(text));
    }

    fs::path reportPath() const { return base() / "report.txt"; }
    fs::path pdfPath() const { return base() / "report.pdf"; }

    test::ProcessResult kvtPrint(std::vector<std::string> args) {
        args.insert(args.end(), {"--pdf", pdfPath().string(), reportPath().string()});
        return test::runProcess(test::toolPath("kvt-print"), args);
    }

    // Pages of the PDF that the tool wrote with these options.
    int pages(const std::vector<std::string>& args) {
        fs::remove(pdfPath());
        const auto result = kvtPrint(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return test::pdfPageCount(test::readFile(pdfPath()));
    }

    const NoDisplay noDisplay_;
};

TEST_F(KvtPrintTest, PrintsTheChosenPagesIntoAPdfWithoutADisplay) {
    const int all = pages({});
    ASSERT_GE(all, 3);
    EXPECT_EQ(pages({"--from", "2"}), all - 1);
    EXPECT_EQ(pages({"--from", "2", "--to", "3"}), 2);
    EXPECT_EQ(pages({"--to", "999"}), all);
    EXPECT_GT(pages({"--landscape"}), all);
    EXPECT_GT(pages({"--size", "22", "--font", "DejaVu Sans Mono"}), all);
}

TEST_F(KvtPrintTest, AnEmptyRangeStillWritesACompleteFile) {
    const auto result = kvtPrint({"--from", "3", "--to", "2"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(test::readFile(pdfPath()), HasSubstr("%%EOF"));
}

TEST_F(KvtPrintTest, WrongArgumentsAndMissingFilesFailWithExitCodeOne) {
    const auto badSize = kvtPrint({"--size", "x"});
    EXPECT_EQ(badSize.exitCode, 1);
    EXPECT_THAT(badSize.err, HasSubstr("использование: kvt-print"));

    const auto both =
        test::runProcess(test::toolPath("kvt-print"), {"--printer", "lp", "--pdf", "a.pdf", "r"});
    EXPECT_EQ(both.exitCode, 1);

    const auto missing =
        test::runProcess(test::toolPath("kvt-print"), {"--pdf", pdfPath().string(), "nope.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("nope.txt"));

    const auto unknownPrinter = test::runProcess(
        test::toolPath("kvt-print"), {"--printer", "Нет такого", reportPath().string()});
    EXPECT_EQ(unknownPrinter.exitCode, 1);
    EXPECT_THAT(unknownPrinter.err, HasSubstr("Нет такого"));
    EXPECT_FALSE(fs::exists(pdfPath()));
}

}  // namespace
}  // namespace kvt
