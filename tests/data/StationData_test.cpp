// The datasets over a real station database written by kvt-demo-data, through the connection's
// default in-process server.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "data/ClientDataSet.h"
#include "data/DataSource.h"
#include "data/MConnect.h"
#include "tests/support/PgCluster.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldType;

// The station is a file under the station root, or a database of the tests' PostgreSQL cluster
// that the datasets read as the workplaces' role.
class StationDataTest : public test::FreshRoot,
                        public ::testing::WithParamInterface<appserver::Engine> {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        if (GetParam() == appserver::Engine::PostgreSQL) {
            cluster_ = test::PgCluster::ofBuild();
            if (!cluster_)
                GTEST_SKIP() << "built without a PostgreSQL cluster for the tests";
        }
        generate(120);
    }

    void TearDown() override {
        unsetenv("KVT_STATION_DB");
        FreshRoot::TearDown();
    }

    void generate(int shifts) {
        if (!cluster_) {
            const auto database =
                std::filesystem::path(std::getenv("KVT_ROOT")) / "station" / "station.db";
            std::filesystem::create_directories(database.parent_path());
            run("kvt-demo-data", {"--out", database.string(), "--shifts", std::to_string(shifts)});
            return;
        }
        postgres_.reset();
        postgres_.emplace(*cluster_);
        run("kvt-demo-data", {"--out", postgres_->admin(), "--shifts", std::to_string(shifts)});
        run("kvt-station-db", {"grant", "--db", postgres_->admin(), "--workplace", "kvt_workplace",
                               "--console", "kvt_console"});
        setenv("KVT_STATION_DB", postgres_->workplace().c_str(), 1);
    }

    static void run(const std::string& tool, const std::vector<std::string>& args) {
        const auto result = test::runProcess(test::toolPath(tool), args);
        ASSERT_EQ(result.exitCode, 0) << tool << ": " << result.err;
    }

    // The station goes away: its file is removed or its database dropped.
    void removeStation() {
        if (postgres_)
            postgres_.reset();
        else
            std::filesystem::remove(std::filesystem::path(std::getenv("KVT_ROOT")) / "station" /
                                    "station.db");
    }

    ClientDataSet& dataSet(ClientDataSet& set, const std::string& provider) {
        set.ProviderName = provider;
        set.SetRemoteServer(&server);
        return set;
    }

    KVTServer server;

private:
    std::optional<test::PgCluster> cluster_;
    std::optional<test::PgTestDatabase> postgres_;
};

TEST_P(StationDataTest, ShiftLogHasThePersistentFieldsAndEveryShift) {
    ClientDataSet shifts("SmLogtable");
    dataSet(shifts, "SmLogProvider");
    shifts.AddField({"SmNum", FieldType::Integer, 0});
    shifts.AddField({"BegTime", FieldType::DateTime, 0});
    shifts.AddField({"EndTime", FieldType::DateTime, 0});
    shifts.AddField({"Operator", FieldType::String, 30});
    shifts.Open();
    EXPECT_EQ(shifts.RecordCount(), 120);
    int walked = 0;
    for (shifts.First(); !shifts.Eof(); shifts.Next()) {
        EXPECT_FALSE(shifts.FieldByName("Operator").AsString().empty());
        ++walked;
    }
    EXPECT_EQ(walked, 120);
    shifts.SetRecNo(1);
    const int first = shifts.FieldByName("SmNum").AsInteger();
    EXPECT_TRUE(shifts.Locate("SmNum", Variant(std::to_string(first)), {.partialKey = true}));
    server.Close();
    EXPECT_FALSE(shifts.Active());
}

TEST_P(StationDataTest, DeletedContractorsCarsAndDriversStayHidden) {
    ClientDataSet contractors("VDCnt");
    dataSet(contractors, "VdContractorDSP");
    contractors.SetFilter("IsDelete=false");
    contractors.SetFiltered(true);
    contractors.SetIndexFieldNames("Name");
    DataSource contractorSource("CntDS", &contractors);
    ClientDataSet carsOf("VDCar");
    dataSet(carsOf, "VdCarDSP");
    carsOf.SetFilter("IsDelete=false");
    carsOf.SetFiltered(true);
    carsOf.SetIndexFieldNames("CID");
    carsOf.SetMasterFields("ID");
    carsOf.SetMasterSource(&contractorSource);
    ClientDataSet drivers("VDDriver");
    dataSet(drivers, "VdDriverDSP");
    drivers.SetFilter("IsDelete=false");
    drivers.SetFiltered(true);

    contractors.Open();
    carsOf.Open();
    drivers.Open();
    ASSERT_FALSE(contractors.IsEmpty());
    int cars = 0;
    for (contractors.First(); !contractors.Eof(); contractors.Next()) {
        EXPECT_FALSE(contractors.FieldByName("IsDelete").AsBoolean());
        for (carsOf.First(); !carsOf.Eof(); carsOf.Next(), ++cars) {
            EXPECT_FALSE(carsOf.FieldByName("IsDelete").AsBoolean());
            EXPECT_EQ(carsOf.FieldByName("CID").AsString(),
                      contractors.FieldByName("ID").AsString());
        }
    }
    EXPECT_GT(cars, 0);
    for (drivers.First(); !drivers.Eof(); drivers.Next())
        EXPECT_FALSE(drivers.FieldByName("IsDelete").AsBoolean());

    // The deleted ones are there, only filtered out.
    drivers.SetFiltered(false);
    EXPECT_TRUE(drivers.Locate("IsDelete", Variant(true)));
}

TEST_P(StationDataTest, PumpLogShowsOnlyTheFirstPacket) {
    generate(400);
    ClientDataSet pumps("cdsTrkList");
    dataSet(pumps, "PrxLogProvider");
    pumps.ReadOnly = true;
    pumps.PacketRecords = 101;
    pumps.CommandText = "SELECT DISTINCT Trk FROM Trk ORDER BY Trk";
    pumps.Open();
    ASSERT_FALSE(pumps.IsEmpty());

    ClientDataSet trkLog("TrkLog");
    dataSet(trkLog, "TrkLogProvider");
    trkLog.PacketRecords = 101;
    trkLog.FetchOnDemand = false;
    trkLog.Params().CreateParam("TrkName", FieldType::String, Variant("1"));
    for (pumps.First(); !pumps.Eof(); pumps.Next()) {
        trkLog.Params().ParamByName("TrkName").SetAsString(pumps.Fields()[0]->AsString());
        trkLog.Open();
        EXPECT_EQ(trkLog.RecordCount(), 101) << pumps.Fields()[0]->AsString();
        trkLog.Close();
    }
}

TEST_P(StationDataTest, AMissingDatabaseFailsAtConnect) {
    removeStation();
    ClientDataSet shifts("SmLogtable");
    dataSet(shifts, "SmLogProvider");
    EXPECT_THROW(shifts.Open(), appserver::ServerError);
    EXPECT_FALSE(server.Connected());
}

INSTANTIATE_TEST_SUITE_P(Engines, StationDataTest, test::bothEngines(), test::engineName);

}  // namespace
}  // namespace kvt::data
