#include "infra/tools.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "infra/SafeIniFiles.h"
#include "platform/Beep.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

class ConfigFileTest : public test::FreshRoot {};

TEST_F(ConfigFileTest, LivesInTheWindowsDirectory) {
    EXPECT_EQ(ConfigFileName(), "C:\\WINDOWS\\cnf.INI");
}

TEST_F(ConfigFileTest, ReadConfigQuotedDropsBackQuotes) {
    fs::create_directories(driveC() / "WINDOWS");
    test::writeFile(driveC() / "WINDOWS" / "cnf.INI",
                    "[Reports]\r\nShowDaySmenaFinReport=`1`\r\nPlain=2\r\n");
    std::string value;
    ReadConfigQuoted("Reports", "ShowDaySmenaFinReport", "", value);
    EXPECT_EQ(value, "1");
    ReadConfigQuoted("Reports", "Plain", "", value);
    EXPECT_EQ(value, "2");
    ReadConfigQuoted("Reports", "Missing", "`d`", value);
    EXPECT_EQ(value, "d");
    EXPECT_THROW(ReadConfigQuoted("", "x", "", value), EIniFileException);
}

// The exception that ContextException makes, thrown and caught as `Caught`.
template <class Caught>
std::string rethrown(const std::exception& error, const std::string& context, bool addClassName) {
    try {
        std::rethrow_exception(ContextException(error, context, addClassName));
    } catch (const Caught& caught) {
        return caught.what();
    }
}

TEST(ContextExceptionTest, KeepsTheClassAndPrefixesTheContext) {
    const EIniFileException error("нет файла");
    EXPECT_EQ(rethrown<EIniFileException>(error, "Экспорт в Word", false),
              "Экспорт в Word -> нет файла");
    EXPECT_EQ(rethrown<EIniFileException>(error, "Экспорт в Word", true),
              "Экспорт в Word -> нет файла <# EIniFileException #>");
}

TEST(ContextExceptionTest, AddsTheClassNameOnlyOnce) {
    const EIniFileException error("inner <# EOleError #>");
    EXPECT_EQ(rethrown<EIniFileException>(error, "outer", true), "outer -> inner <# EOleError #>");
}

// The standard library's message-carrying classes keep their dynamic class; what cannot be
// re-made with a message goes on as std::runtime_error.
TEST(ContextExceptionTest, StandardExceptionsKeepTheirClass) {
    const std::pair<std::exception_ptr, std::string> cases[] = {
        {std::make_exception_ptr(std::invalid_argument("bad")), "invalid_argument"},
        {std::make_exception_ptr(std::out_of_range("bad")), "out_of_range"},
        {std::make_exception_ptr(std::length_error("bad")), "length_error"},
        {std::make_exception_ptr(std::domain_error("bad")), "domain_error"},
        {std::make_exception_ptr(std::logic_error("bad")), "logic_error"},
        {std::make_exception_ptr(std::overflow_error("bad")), "overflow_error"},
        {std::make_exception_ptr(std::underflow_error("bad")), "underflow_error"},
        {std::make_exception_ptr(std::range_error("bad")), "range_error"},
        {std::make_exception_ptr(std::runtime_error("bad")), "runtime_error"},
        {std::make_exception_ptr(std::bad_alloc()), "runtime_error"},
        {std::make_exception_ptr(std::system_error(std::make_error_code(std::errc::io_error))),
         "runtime_error"},
    };
    for (const auto& [original, expected] : cases) {
        try {
            std::rethrow_exception(original);
        } catch (const std::exception& error) {
            try {
                std::rethrow_exception(ContextException(error, "ctx", false));
            } catch (const std::exception& made) {
                EXPECT_EQ(exceptionClassName(made), expected) << exceptionClassName(error);
                EXPECT_EQ(made.what(), "ctx -> " + std::string(error.what()));
            }
        }
    }
}

class FindRowByKeyTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = platform::setBeepService(beeps_); }
    void TearDown() override { platform::setBeepService(previous_); }

    // Rows of (caption, code).
    static Variant table(const std::vector<std::int32_t>& codes) {
        Variant rows = Variant::array({{0, static_cast<std::int32_t>(codes.size()) - 1}, {0, 1}});
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const auto row = static_cast<std::int32_t>(i);
            rows.at(row, 0) = Variant("row " + std::to_string(i));
            rows.at(row, 1) = Variant(codes[i]);
        }
        return rows;
    }

    std::shared_ptr<platform::RecordingBeep> beeps_ = std::make_shared<platform::RecordingBeep>();
    std::shared_ptr<platform::BeepService> previous_;
};

TEST_F(FindRowByKeyTest, TheFirstMatchingRowWins) {
    const Variant rows = table({5, 7, 7});
    EXPECT_EQ(FindRowByKey(Variant(7), rows, -1), 1);
    EXPECT_EQ(FindRowByKey(Variant("5"), rows, 0), 0);
    EXPECT_TRUE(beeps_->calls().empty());
}

TEST_F(FindRowByKeyTest, AMissBeepsUnlessTheDefaultIsNegative) {
    const Variant rows = table({5});
    EXPECT_EQ(FindRowByKey(Variant(9), rows, -1), -1);
    EXPECT_TRUE(beeps_->calls().empty());
    EXPECT_EQ(FindRowByKey(Variant(9), rows, 3), 3);
    EXPECT_EQ(FindRowByKey(Variant(9), table({}), 0), 0);
    const std::vector<platform::RecordingBeep::Call> expected(2, {300, 50});
    EXPECT_EQ(beeps_->calls(), expected);
}

}  // namespace
}  // namespace kvt
