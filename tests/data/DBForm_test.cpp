// The data module: its datasets, sources and persistent fields, the computer-name rule of the
// connection, and the datasets over a real station database written by kvt-demo-data.

#include "data/DBForm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "tests/data/FakeAppServer.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldType;

class DBFormTest : public test::FreshRoot {};

struct ExpectedField {
    Field& field;
    std::string name;
    FieldType type;
    int size;
    std::string label;
    bool visible;
};

TEST_F(DBFormTest, PersistentFieldsHaveTheirTypesSizesLabelsAndVisibility) {
    TDBFrm db;
    const ExpectedField expected[] = {
        {db.SmLogtableSmNum, "SmNum", FieldType::Integer, 0, "Номер смены", true},
        {db.SmLogtableBegTime, "BegTime", FieldType::DateTime, 0, "Время открытия", true},
        {db.SmLogtableEndTime, "EndTime", FieldType::DateTime, 0, "Время закрытия", true},
        {db.SmLogtableOperator, "Operator", FieldType::String, 30, "Оператор", true},
        {db.SmLogtableInKKM, "InKKM", FieldType::Currency, 0, "", false},
        {db.SmLogtableOutKKM, "OutKKM", FieldType::Currency, 0, "", false},
        {db.SmLogtableSummaTovary, "SummaTovary", FieldType::Currency, 0, "", false},
        {db.SmLogtableOperator2, "Operator2", FieldType::String, 30, "", false},
        {db.SmLogtableOperator3, "Operator3", FieldType::String, 30, "", false},
        {db.vdAutoName, "Name", FieldType::String, 50, "", true},
        {db.vdAutoNumberAuto, "NumberAuto", FieldType::String, 15, "Автомобиль", true},
        {db.vdAutoINN, "INN", FieldType::String, 20, "", false},
        {db.bneOrgName, "Name", FieldType::String, 60, "Наименование", true},
        {db.bneOrgSkidka, "Skidka", FieldType::Float, 0, "", false},
        {db.PrxTableOpNum, "OpNum", FieldType::Integer, 0, "", false},
        {db.PrxTableDate, "Date", FieldType::Date, 0, "Дата привоза ГСМ", true},
        {db.PrxTableSmNum, "SmNum", FieldType::Integer, 0, "", false},
        {db.PrxTableOperator, "Operator", FieldType::String, 20, "", false},
        {db.PrxTableGSMName, "GSMName", FieldType::String, 20, "Наименование ГСМ", true},
        {db.PrxTableCarVolTTN, "CarVolTTN", FieldType::Float, 0, "Принято по накл.", true},
        {db.PrxTableSiloName, "SiloName", FieldType::String, 20, "Емкость", true},
        {db.PrxTableBegTime, "BegTime", FieldType::DateTime, 0, "Начало слива", true},
        {db.PrxTableEndTime, "EndTime", FieldType::DateTime, 0, "", false},
        {db.PrxTableSiloLevelBefore, "SiloLevelBefore", FieldType::Float, 0, "", false},
        {db.PrxTableSiloLevelAfter, "SiloLevelAfter", FieldType::Float, 0, "", false},
        {db.PrxTableFact1, "Fact1", FieldType::Float, 0, "", false},
        {db.PrxTableDopusk, "Dopusk", FieldType::Float, 0, "", false},
        {db.PrxTableDelta, "Delta", FieldType::Float, 0, "", false},
        {db.PrxTableUdVes, "UdVes", FieldType::Float, 0, "", false},
        {db.PrxTableTemper, "Temper", FieldType::Float, 0, "", false},
        {db.PrxTableFactPlotn, "FactPlotn", FieldType::Float, 0, "Плотность в резервуаре", true},
        {db.PrxTableCor, "Cor", FieldType::Boolean, 0, "", false},
        {db.PrxTablePrihod, "Prihod", FieldType::Boolean, 0, "", false},
        {db.PrxTablePrim, "Prim", FieldType::String, 50, "Примечание", true},
        {db.TrkLogTime, "Time", FieldType::DateTime, 0, "Время", true},
        {db.TrkLogClient, "Client", FieldType::SmallInt, 0, "Опер.", true},
        {db.TrkLogGsm, "Gsm", FieldType::String, 10, "ГСМ", true},
        {db.TrkLogOperation, "Operation", FieldType::SmallInt, 0, "Операция", true},
        {db.TrkLogOp1, "Op1", FieldType::SmallInt, 0, "Вид оплаты", true},
        {db.TrkLogAutoMobil, "AutoMobil", FieldType::String, 15, "Покупатель", true},
        {db.TrkLogOp2, "Op2", FieldType::SmallInt, 0, "Тип отлива", true},
        {db.TrkLogLiters, "Liters", FieldType::Float, 0, "Литры", true},
        {db.TrkLogSumma, "Summa", FieldType::Float, 0, "Сумма", true},
        {db.VDCarID, "ID", FieldType::String, 8, "", false},
        {db.VDCarCID, "CID", FieldType::String, 8, "", false},
        {db.VDCarName, "Name", FieldType::String, 20, "Автомобиль", true},
        {db.VDCarIsDelete, "IsDelete", FieldType::Boolean, 0, "", false},
        {db.VDDriverID, "ID", FieldType::String, 8, "", false},
        {db.VDDriverCID, "CID", FieldType::String, 8, "", false},
        {db.VDDriverName, "Name", FieldType::String, 40, "Водитель", true},
        {db.VDDriverIsDelete, "IsDelete", FieldType::Boolean, 0, "", false},
    };
    std::map<const ClientDataSet*, int> nextIndex;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.field.DataSet().Name() + "." + e.name);
        EXPECT_EQ(e.field.FieldName(), e.name);
        EXPECT_EQ(e.field.DataType(), e.type);
        EXPECT_EQ(e.field.Size(), e.size);
        EXPECT_EQ(e.field.DisplayLabel, e.label);
        EXPECT_EQ(e.field.Visible, e.visible);
        // Declared in the order of the table: that is the grids' column order.
        EXPECT_EQ(e.field.Index(), nextIndex[&e.field.DataSet()]++);
    }
    for (ClientDataSet* set : {&db.vdOrg, &db.VDCnt, &db.cdsAutoList, &db.cdsTrkList})
        EXPECT_TRUE(set->Fields().empty()) << set->Name();
    EXPECT_EQ(db.vdAutoINN.Origin, "KVT.\"vedOrg.DB\".INN");
}

TEST_F(DBFormTest, PumpLogColumnsAreCentredExceptLitersAndSumma) {
    TDBFrm db;
    struct Column {
        Field& field;
        int width;
        FieldAlignment alignment;
    };
    for (const Column& c : {Column{db.TrkLogTime, 18, FieldAlignment::Center},
                            Column{db.TrkLogClient, 5, FieldAlignment::Center},
                            Column{db.TrkLogGsm, 9, FieldAlignment::Center},
                            Column{db.TrkLogOperation, 12, FieldAlignment::Center},
                            Column{db.TrkLogOp1, 17, FieldAlignment::Center},
                            Column{db.TrkLogAutoMobil, 15, FieldAlignment::Center},
                            Column{db.TrkLogOp2, 8, FieldAlignment::Center},
                            Column{db.TrkLogLiters, 9, FieldAlignment::Left},
                            Column{db.TrkLogSumma, 11, FieldAlignment::Left}}) {
        SCOPED_TRACE(c.field.FieldName());
        EXPECT_EQ(c.field.DisplayWidth, c.width);
        EXPECT_EQ(c.field.Alignment, c.alignment);
    }
    EXPECT_EQ(db.TrkLogTime.Origin, "\"Trk.DB\".Time");
    EXPECT_EQ(db.TrkLogClient.Origin, "KVT.\"Trk.DB\".Client");
    EXPECT_EQ(db.TrkLogLiters.DisplayFormat, "0.00");
    EXPECT_FALSE(db.TrkLogLiters.Currency);
    EXPECT_TRUE(db.TrkLogSumma.Currency);
    EXPECT_TRUE(db.TrkLogSumma.DisplayFormat.empty());
}

TEST_F(DBFormTest, DataSetsAndSourcesAreSetUpAndNothingIsOpen) {
    TDBFrm db;
    struct Expected {
        ClientDataSet& set;
        std::string provider;
        int packets;
    };
    for (const Expected& e :
         {Expected{db.SmLogtable, "SmLogProvider", -1}, Expected{db.vdOrg, "Organization", 20},
          Expected{db.vdAuto, "AutoMobil", 20}, Expected{db.bneOrg, "BneOrgProvider", 20},
          Expected{db.PrxTable, "PrxLogProvider", 10}, Expected{db.TrkLog, "TrkLogProvider", 101},
          Expected{db.VDCnt, "VdContractorDSP", -1}, Expected{db.VDCar, "VdCarDSP", -1},
          Expected{db.VDDriver, "VdDriverDSP", -1}, Expected{db.cdsAutoList, "PrxLogProvider", 10},
          Expected{db.cdsTrkList, "PrxLogProvider", 101}}) {
        SCOPED_TRACE(e.set.Name());
        EXPECT_EQ(e.set.ProviderName, e.provider);
        EXPECT_EQ(e.set.PacketRecords, e.packets);
        EXPECT_EQ(e.set.RemoteServer(), &db.KVTServer);
        EXPECT_FALSE(e.set.Active());
    }
    EXPECT_FALSE(db.KVTServer.Connected());
    EXPECT_EQ(db.KVTServer.ServerGUID(), "{D7D34493-E6FD-11D4-97BA-00C0DFF6EEA1}");
    EXPECT_EQ(db.KVTServer.ServerName(), "KVTServer.ServerKVTDCOM");

    for (ClientDataSet* set : {&db.VDCnt, &db.VDCar, &db.VDDriver}) {
        EXPECT_EQ(set->Filter(), "IsDelete=false");
        EXPECT_TRUE(set->Filtered());
    }
    EXPECT_EQ(db.VDCnt.IndexFieldNames(), "Name");
    EXPECT_EQ(db.VDCar.IndexFieldNames(), "CID");
    EXPECT_EQ(db.VDCar.MasterFields(), "ID");
    EXPECT_EQ(db.VDCar.MasterSource(), nullptr);
    EXPECT_EQ(db.VDDriver.MasterFields(), "ID");
    EXPECT_EQ(db.vdAuto.MasterSource(), &db.Organization);
    EXPECT_EQ(db.vdAuto.MasterFields(), "Name");
    EXPECT_EQ(db.vdAuto.IndexFieldNames(), "Name");
    EXPECT_TRUE(db.vdOrg.Filtered());
    EXPECT_TRUE(db.bneOrg.Filtered());
    EXPECT_EQ(db.bneOrg.IndexFieldNames(), "Name");

    EXPECT_TRUE(db.PrxTable.ReadOnly);
    EXPECT_TRUE(db.TrkLog.ReadOnly);
    EXPECT_FALSE(db.TrkLog.FetchOnDemand);
    EXPECT_EQ(db.TrkLog.Params().ParamByName("TrkName").DataType(), FieldType::String);
    EXPECT_EQ(db.TrkLog.Params().ParamByName("TrkName").Value, Variant("1"));
    EXPECT_EQ(db.cdsAutoList.CommandText, "SELECT DISTINCT CarName FROM Prx ORDER BY CarName");
    EXPECT_EQ(db.cdsTrkList.CommandText, "SELECT DISTINCT Trk FROM Trk ORDER BY Trk");

    EXPECT_EQ(db.SmLogSource.DataSet(), &db.SmLogtable);
    EXPECT_EQ(db.Organization.DataSet(), &db.vdOrg);
    EXPECT_EQ(db.OrgList.DataSet(), &db.vdAuto);
    EXPECT_EQ(db.CntDS.DataSet(), &db.VDCnt);
    EXPECT_EQ(db.CarDS.DataSet(), &db.VDCar);
    EXPECT_EQ(db.TrkLogSource.DataSet(), &db.TrkLog);
    EXPECT_FALSE(db.TrkLogSource.AutoEdit);
    EXPECT_TRUE(db.SmLogSource.AutoEdit);
}

TEST(HostValueOne, OnlyTheNumberOneCounts) {
    for (const Variant& one : {Variant(1), Variant::i2(1), Variant(1.0), Variant("1")})
        EXPECT_TRUE(isHostValueOne(one)) << one;
    for (const Variant& other : {Variant(0), Variant(2), Variant(true), Variant::null(), Variant(),
                                 Variant("server"), Variant("")})
        EXPECT_FALSE(isHostValueOne(other)) << other;
}

// The connection's computer name follows host values 11 and 13 at every connect.
class ComputerNameRule : public DBFormTest {
protected:
    void SetUp() override {
        DBFormTest::SetUp();
        db = std::make_unique<TDBFrm>();
        db->KVTServer.ServerFactory = [] {
            return std::make_unique<test::FakeAppServer>(std::map<std::string, test::FakeTable>{},
                                                         std::make_shared<test::FakeLog>());
        };
        db->HostValue = [this](std::int32_t code) {
            asked.push_back(code);
            return code == kHostServerMode ? mode : computer;
        };
    }

    std::unique_ptr<TDBFrm> db;
    Variant mode = Variant(1);
    Variant computer = Variant("STATION-SRV");
    std::vector<std::int32_t> asked;
};

TEST_F(ComputerNameRule, ModeOneLeavesTheNameEmptyWhateverValue13Holds) {
    db->KVTServer.Open();
    EXPECT_TRUE(db->KVTServer.Connected());
    EXPECT_EQ(db->KVTServer.ComputerName(), "");
    EXPECT_EQ(asked, std::vector<std::int32_t>{11});
}

TEST_F(ComputerNameRule, OtherModeTakesTheTextOfValue13) {
    mode = Variant(0);
    EXPECT_THROW(db->KVTServer.Open(), ConnectionError);
    EXPECT_EQ(db->KVTServer.ComputerName(), "STATION-SRV");
    EXPECT_FALSE(db->KVTServer.Connected());
    EXPECT_EQ(asked, (std::vector<std::int32_t>{11, 13}));

    // The rule runs again at the next connect: this machine by name connects in-process.
    computer = Variant("localhost");
    db->KVTServer.Open();
    EXPECT_TRUE(db->KVTServer.Connected());
    EXPECT_EQ(db->KVTServer.ComputerName(), "localhost");
}

TEST_F(ComputerNameRule, OpeningADataSetRunsTheRule) {
    mode = Variant(0);
    EXPECT_THROW(db->SmLogtable.Open(), ConnectionError);
    EXPECT_FALSE(db->SmLogtable.Active());
    EXPECT_EQ(db->KVTServer.ComputerName(), "STATION-SRV");
}

// Tells when the server object it stands for is released.
class WatchedServer : public test::FakeAppServer {
public:
    explicit WatchedServer(bool& released)
        : FakeAppServer({}, std::make_shared<test::FakeLog>()), released_(released) {}
    ~WatchedServer() override { released_ = true; }

private:
    bool& released_;
};

TEST_F(DBFormTest, DestroyingTheModuleDisconnects) {
    bool released = false;
    auto db = std::make_unique<TDBFrm>();
    db->KVTServer.ServerFactory = [&] { return std::make_unique<WatchedServer>(released); };
    db->KVTServer.Open();
    ASSERT_TRUE(db->KVTServer.Connected());
    db.reset();
    EXPECT_TRUE(released);
}

// The module over a demo station made by kvt-demo-data at the default database place.
class DBFormStationTest : public DBFormTest {
protected:
    void SetUp() override {
        DBFormTest::SetUp();
        const auto database =
            std::filesystem::path(std::getenv("KVT_ROOT")) / "station" / "station.db";
        std::filesystem::create_directories(database.parent_path());
        const auto result = test::runProcess(test::toolPath("kvt-demo-data"),
                                             {"--out", database.string(), "--shifts", "40"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        db.HostValue = [](std::int32_t code) {
            return code == kHostServerMode ? Variant(1) : Variant("elsewhere");
        };
    }

    TDBFrm db;
};

TEST_F(DBFormStationTest, EveryDataSetOpensWithItsPersistentFields) {
    for (ClientDataSet* set :
         {&db.SmLogtable, &db.vdOrg, &db.vdAuto, &db.bneOrg, &db.PrxTable, &db.TrkLog, &db.VDCnt,
          &db.VDCar, &db.VDDriver, &db.cdsAutoList, &db.cdsTrkList}) {
        SCOPED_TRACE(set->Name());
        ASSERT_NO_THROW(set->Open());
        EXPECT_FALSE(set->IsEmpty());
    }
    EXPECT_TRUE(db.KVTServer.Connected());
    EXPECT_EQ(db.SmLogtable.RecordCount(), 40);
    EXPECT_EQ(db.SmLogtable.Fields().size(), 9u);
    EXPECT_EQ(db.TrkLog.Fields().size(), 9u);
    EXPECT_EQ(db.cdsTrkList.FieldByName("Trk").AsString(), "1");
    EXPECT_NE(db.cdsAutoList.FindField("CarName"), nullptr);

    db.KVTServer.Close();
    EXPECT_FALSE(db.SmLogtable.Active());
}

TEST_F(DBFormStationTest, PumpLogShowsOnePacketOfTheNamedPump) {
    db.TrkLog.Params().ParamByName("TrkName").SetAsString("2");
    db.TrkLog.Open();
    EXPECT_LE(db.TrkLog.RecordCount(), 101);
    EXPECT_GT(db.TrkLog.RecordCount(), 0);
}

TEST_F(DBFormStationTest, DeletedContractorsCarsAndDriversNeverShow) {
    for (ClientDataSet* set : {&db.VDCnt, &db.VDCar, &db.VDDriver}) {
        SCOPED_TRACE(set->Name());
        set->Open();
        ASSERT_GT(set->RecordCount(), 0);
        int deletedInDatabase = 0;
        for (const auto& def : set->FieldDefs())
            deletedInDatabase += def.name == "IsDelete" ? 1 : 0;
        ASSERT_EQ(deletedInDatabase, 1);
        for (set->First(); !set->Eof(); set->Next())
            EXPECT_FALSE(set->FieldByName("IsDelete").AsBoolean());
        // The unfiltered list holds deleted records, so the filter is what hides them.
        set->SetFiltered(false);
        bool anyDeleted = false;
        for (set->First(); !set->Eof(); set->Next())
            anyDeleted = anyDeleted || set->FieldByName("IsDelete").AsBoolean();
        EXPECT_TRUE(anyDeleted);
    }
}

TEST_F(DBFormStationTest, CarsFollowTheCurrentContractorThroughCntDS) {
    db.VDCnt.Open();
    db.VDCar.Open();
    db.VDCar.SetMasterSource(&db.CntDS);
    std::set<std::string> contractorsWithCars;
    for (db.VDCnt.First(); !db.VDCnt.Eof(); db.VDCnt.Next()) {
        const std::string id = db.VDCnt.FieldByName("ID").AsString();
        for (db.VDCar.First(); !db.VDCar.Eof(); db.VDCar.Next()) {
            EXPECT_EQ(db.VDCarCID.AsString(), id);
            EXPECT_FALSE(db.VDCarIsDelete.AsBoolean());
            contractorsWithCars.insert(id);
        }
    }
    EXPECT_GE(contractorsWithCars.size(), 2u);
}

TEST_F(DBFormStationTest, VehiclesFollowTheCurrentOrganisation) {
    db.vdOrg.Open();
    db.vdAuto.Open();
    int vehicles = 0;
    for (db.vdOrg.First(); !db.vdOrg.Eof(); db.vdOrg.Next()) {
        const std::string name = db.vdOrg.FieldByName("Name").AsString();
        for (db.vdAuto.First(); !db.vdAuto.Eof(); db.vdAuto.Next()) {
            EXPECT_EQ(db.vdAutoName.AsString(), name);
            ++vehicles;
        }
    }
    EXPECT_GT(vehicles, 0);
}

}  // namespace
}  // namespace kvt::data
