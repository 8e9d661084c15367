#include <gmock/gmock.h>
#include <sqlite3.h>

#include "appserver/DemoData.h"
#include "appserver/StationServer.h"
#include "host/station/StationSetup.h"
#include "host/station/StationValues.h"
#include "support/TestRoot.h"

namespace kvt::station {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class StationValuesTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        appserver::writeDemoDatabase(database_, {20, 1});
    }

    void change(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database_.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    std::int32_t lastShift() const { return readShiftState(database_).last; }

    std::filesystem::path database_;
};

TEST_F(StationValuesTest, PaymentTypesComeFromTheStationDatabaseAsCaptionsAndAList) {
    StationValues values(host::HostValues::fromJson(R"({"19": ["Своя"]})"));
    values.usePayTypes(appserver::readPayTypes(database_));

    const Variant captions = values.hostValue(19);
    ASSERT_TRUE(captions.isArray());
    ASSERT_EQ(captions.highBound(), 13);
    EXPECT_EQ(captions.lowBound(), 0);
    EXPECT_EQ(captions.at(0), Variant("&Наличные"));
    EXPECT_EQ(captions.at(12), Variant("ЛБР"));
    EXPECT_EQ(captions.at(13), Variant("&Ведомость 2"));

    const Variant reference = values.value(57, 0);
    ASSERT_EQ(reference.type(), VarType::I8);
    const PayTypeList& list = *payTypeListOf(reference);
    EXPECT_EQ(list.item(13).code(), 104);
    EXPECT_TRUE(list.item(13).enabled());
    EXPECT_EQ(list.item(13).kind(), 4);
    EXPECT_EQ(list.item(1).code(), 1);
    EXPECT_THROW(list.item(14), std::out_of_range);
    EXPECT_TRUE(values.value(57, 1).isEmpty());
    EXPECT_TRUE(values.value(19, 0).isEmpty());
}

TEST_F(StationValuesTest, ADatabaseWithoutPaymentTypesKeepsThoseOfTheSettings) {
    change("DROP TABLE VidOpl");
    StationValues fromSettings(host::HostValues::fromJson(
        R"({"19": ["&Наличные", "&Ведомость"], "57": [{"code": 0, "enabled": true, "kind": 0},
            {"code": 4, "enabled": false, "kind": 4}]})"));
    fromSettings.usePayTypes(appserver::readPayTypes(database_));
    EXPECT_EQ(fromSettings.hostValue(19),
              Variant::list({Variant("&Наличные"), Variant("&Ведомость")}));
    EXPECT_FALSE(payTypeListOf(fromSettings.value(57, 0))->item(1).enabled());

    StationValues defaults{host::HostValues()};
    defaults.usePayTypes(appserver::readPayTypes(database_));
    EXPECT_EQ(defaults.hostValue(19), Variant(std::string()));
    EXPECT_EQ(defaults.value(57, 0), Variant(std::string()));
}

TEST_F(StationValuesTest, TheConsoleOwnsTheOperatorLevelTheShiftAndTheServerValue) {
    StationValues values(
        host::HostValues::fromJson(R"({"15": 3, "11": 0, "13": "SERVER", "5": false})"));
    EXPECT_EQ(values.hostValue(15), Variant(std::int32_t{3}));
    EXPECT_EQ(values.hostValue(11), Variant(std::int32_t{1}));
    EXPECT_EQ(values.hostValue(13), Variant("SERVER"));
    EXPECT_EQ(values.hostValue(5), Variant(false));
    EXPECT_EQ(values.hostValue(6), Variant(true));
    // The shift is the console's: the settings' shift values do not count.
    StationValues shiftInSettings(host::HostValues::fromJson(R"({"0": true, "12": 77})"));
    EXPECT_EQ(shiftInSettings.hostValue(0), Variant(false));
    EXPECT_EQ(shiftInSettings.hostValue(12), Variant(std::int32_t{0}));

    values.setOperatorLevel(1);
    EXPECT_EQ(values.hostValue(15), Variant(std::int32_t{1}));
    EXPECT_THROW(values.setOperatorLevel(4), StationStateError);
    EXPECT_THROW(values.setOperatorLevel(-1), StationStateError);
    EXPECT_EQ(values.operatorLevel(), 1);
    EXPECT_THAT([] { StationValues(host::HostValues::fromJson(R"({"15": 7})")); },
                ThrowsMessage<StationStateError>(HasSubstr("7")));
}

TEST_F(StationValuesTest, TheOpenShiftIsTheLatestWithoutEndAndOpeningNumbersTheNextOne) {
    const std::int32_t last = lastShift();
    ASSERT_GT(last, 20);  // the demo skips numbers
    EXPECT_EQ(readShiftState(database_), (ShiftState{false, last, last}));

    change("UPDATE SmLog SET EndTime = NULL WHERE SmNum = " + std::to_string(last));
    StationValues values{host::HostValues()};
    values.useShiftState(readShiftState(database_));
    EXPECT_EQ(values.hostValue(0), Variant(true));
    EXPECT_EQ(values.hostValue(12), Variant(last));
    EXPECT_THAT([&] { values.openShift(); },
                ThrowsMessage<StationStateError>(HasSubstr(std::to_string(last))));

    values.closeShift();
    EXPECT_EQ(values.hostValue(0), Variant(false));
    EXPECT_EQ(values.hostValue(12), Variant(last));
    EXPECT_THROW(values.closeShift(), StationStateError);
    values.openShift();
    EXPECT_EQ(values.hostValue(0), Variant(true));
    EXPECT_EQ(values.hostValue(12), Variant(last + 1));

    EXPECT_THROW(readShiftState(base() / "none.db"), appserver::ServerError);
}

TEST_F(StationValuesTest, TheSetupTakesGivenPathsElseTheStationRootsDefaults) {
    unsetenv("KVT_STATION_DB");
    const StationSetup defaults = resolveSetup({}, {}, {});
    EXPECT_EQ(defaults.stationDatabase, base() / "root" / "station" / "station.db");
    EXPECT_TRUE(defaults.hostValues.empty());
    EXPECT_EQ(defaults.plugin.filename(), "libKVTReports7.so");

    std::filesystem::create_directories(defaultHostValuesFile().parent_path());
    test::writeFile(defaultHostValuesFile(), "{}");
    EXPECT_EQ(resolveSetup({}, {}, {}).hostValues,
              base() / "root" / "station" / "kvt-station.json");

    const StationSetup given = resolveSetup("/p/plugin.so", "/d/station.db", "/s/values.json");
    EXPECT_EQ(given.plugin, "/p/plugin.so");
    EXPECT_EQ(given.stationDatabase, "/d/station.db");
    EXPECT_EQ(given.hostValues, "/s/values.json");
}

}  // namespace
}  // namespace kvt::station
