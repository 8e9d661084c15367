#include <gmock/gmock.h>

#include <regex>
#include <sstream>

#include "support/TestRoot.h"

namespace kvt {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class KvtProviderTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = (base() / "station.db").string();
        const auto made = test::runProcess(test::toolPath("kvt-demo-data"),
                                           {"--out", database_, "--shifts", "30"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    test::ProcessResult provider(std::vector<std::string> args) {
        args.insert(args.begin(), {"--db", database_});
        return test::runProcess(test::toolPath("kvt-provider"), args);
    }

    std::string database_;
};

TEST_F(KvtProviderTest, PrintsTheFieldsThenOneTabSeparatedLinePerRecord) {
    const auto result = provider({"SmLogProvider"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto output = test::splitLines(result.out);
    ASSERT_EQ(output.size(), 31u);
    EXPECT_EQ(output[0],
              "SmNum:Integer\tBegTime:DateTime\tEndTime:DateTime\tOperator:String:30\t"
              "InKKM:Currency\tOutKKM:Currency\tSummaTovary:Currency\tOperator2:String:30\t"
              "Operator3:String:30");
    const std::regex record(
        R"(1\t01\.03\.2024 08:\d\d:00\t01\.03\.2024 19:\d\d:00\t[^\t]+\t\d+\.\d\d\t\d+\.\d{2,4})"
        R"(\t\d+\.\d{2,4}\t[^\t]*\t[^\t]*)");
    EXPECT_TRUE(std::regex_match(output[1], record)) << output[1];
}

TEST_F(KvtProviderTest, DatesBooleansAndNullsHaveTheirTextForms) {
    const auto result = provider({"PrxLogProvider", "--command-text",
                                  "SELECT Date, Prihod, NULL AS NoValue, 2.5 AS Half FROM Prx "
                                  "WHERE OpNum = 1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto output = test::splitLines(result.out);
    ASSERT_EQ(output.size(), 2u);
    EXPECT_EQ(output[0], "Date:Date\tPrihod:Boolean\tNoValue:String:255\tHalf:Float");
    EXPECT_EQ(output[1], "01.03.2024\tTrue\t\t2.5");
}

TEST_F(KvtProviderTest, ParametersAndVedFilterReachTheServer) {
    const auto pump = provider({"TrkLogProvider", "--param", "TrkName=2"});
    ASSERT_EQ(pump.exitCode, 0) << pump.err;
    const auto all = test::splitLines(provider({"Organization"}).out);
    const auto statement = test::splitLines(provider({"--ved-filter", "1", "Organization"}).out);
    EXPECT_LT(statement.size(), all.size());
    EXPECT_EQ(all[0], "Name:String:50\tINN:String:20\tVidOplat:Integer\tAddress:String:80");
}

TEST_F(KvtProviderTest, ConfigIsPrintedInCanonicalVariantText) {
    const auto result = provider({"--config"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, StartsWith("Array[0..4](Str(\""));
    EXPECT_THAT(result.out, HasSubstr("Array[0..7](Array[0..3](Str(\"1\"), I4(1), "));
}

TEST_F(KvtProviderTest, FailuresGoToStandardErrorWithExitCodeOne) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> failures{
        {{"NoSuchProvider"}, "\"NoSuchProvider\" не найден"},
        {{"PrxLogProvider", "--command-text", "DELETE FROM Prx"}, "отклонил текст команды"},
        {{"TrkLogProvider", "--param", "TrkName"}, "не NAME=VALUE"},
        {{}, "не указан провайдер"},
    };
    for (const auto& [args, message] : failures) {
        const auto result = provider(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_THAT(result.err, HasSubstr(message));
    }
    const auto missing = test::runProcess(test::toolPath("kvt-provider"), {"SmLogProvider"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("station.db не найдена"));
}

}  // namespace
}  // namespace kvt
