#include "data/ClientDataSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "data/DataSource.h"
#include "data/MConnect.h"
#include "tests/data/FakeAppServer.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldDef;
using appserver::FieldType;
using test::FakeTable;

Variant str(const char* text) {
    return Variant(text);
}

FakeTable shiftTable(int count) {
    FakeTable table{{{"SmNum", FieldType::Integer, 0},
                     {"BegTime", FieldType::DateTime, 0},
                     {"EndTime", FieldType::DateTime, 0},
                     {"Operator", FieldType::String, 30}},
                    {}};
    for (int i = 1; i <= count; ++i) {
        const double begin = EncodeDate(2026, 12, 1) + i * 0.5;
        table.rows.push_back({Variant(i), Variant::date(begin), Variant::date(begin + 0.5),
                              Variant(i % 2 ? "Иванов" : "Петров")});
    }
    return table;
}

FakeTable contractors() {
    return {{{"ID", FieldType::String, 8},
             {"Name", FieldType::String, 40},
             {"IsDelete", FieldType::Boolean, 0}},
            {{str("C1"), str("Бета"), Variant(false)},
             {str("C2"), str("альфа"), Variant(false)},
             {str("C3"), str("Удалённый"), Variant(true)},
             {str("C4"), str("Гамма"), Variant(false)},
             {str("C5"), str("O'Brien"), Variant(false)}}};
}

FakeTable cars() {
    return {{{"ID", FieldType::String, 8},
             {"CID", FieldType::String, 8},
             {"Name", FieldType::String, 20},
             {"IsDelete", FieldType::Boolean, 0}},
            {{str("A1"), str("C1"), str("Камаз"), Variant(false)},
             {str("A2"), str("C2"), str("Газель"), Variant(false)},
             {str("A3"), str("C1"), str("Зил"), Variant(true)},
             {str("A4"), str("C1"), str("Вольво"), Variant(false)},
             {str("A5"), str("C3"), str("Ман"), Variant(false)}}};
}

FakeTable receipts(int count) {
    FakeTable table{{{"OpNum", FieldType::Integer, 0},
                     {"Date", FieldType::Date, 0},
                     {"Prihod", FieldType::Boolean, 0},
                     {"CarName", FieldType::String, 20},
                     {"Liters", FieldType::Float, 0},
                     {"Summa", FieldType::Float, 0}},
                    {}};
    for (int i = 1; i <= count; ++i)
        table.rows.push_back({Variant(i), Variant::date(EncodeDate(2026, 12, 1 + i % 20)),
                              Variant(i % 3 != 0), Variant(i % 4 == 0 ? "O'Brien" : "Volvo"),
                              Variant(i * 1.25), Variant(i * 1234.5)});
    return table;
}

// A field of every type, and texts that read as numbers, truth values and dates or as none.
FakeTable everyKind() {
    FakeTable table{{{"I", FieldType::Integer, 0},
                     {"S", FieldType::SmallInt, 0},
                     {"B", FieldType::Boolean, 0},
                     {"C", FieldType::Currency, 0},
                     {"F", FieldType::Float, 0},
                     {"D", FieldType::Date, 0},
                     {"T", FieldType::DateTime, 0},
                     {"Str", FieldType::String, 20}},
                    {}};
    table.rows = {
        {Variant(-7), Variant::i2(-32768), Variant(true), Variant::currency(-123456), Variant(2.5),
         Variant::date(45000), Variant::date(45000.75), str("12.5")},
        {Variant(2147483647), Variant::i2(3), Variant(false), Variant::currency(25000),
         Variant(-0.5), Variant::date(1), Variant::date(-0.25), str("True")},
        {Variant(0), Variant::i2(0), Variant(true), Variant::currency(0), Variant(1e300),
         Variant::date(0), Variant::date(0), str("01.12.2026 08:00")},
        {Variant(1), Variant::i2(1), Variant(false), Variant::currency(1), Variant(7.0),
         Variant::date(2), Variant::date(2), str("Иванов")},
        {},
    };
    return table;
}

class DataSetTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        server.ServerFactory = [this] {
            return std::make_unique<test::FakeAppServer>(
                std::map<std::string, FakeTable>{{"Shifts", shiftTable(25)},
                                                 {"Cnt", contractors()},
                                                 {"Car", cars()},
                                                 {"Prx", receipts(150)},
                                                 {"Kinds", everyKind()}},
                log);
        };
    }

    void bind(ClientDataSet& dataSet, const std::string& provider) {
        dataSet.ProviderName = provider;
        dataSet.SetRemoteServer(&server);
    }

    static std::vector<std::string> column(ClientDataSet& dataSet, const std::string& field) {
        std::vector<std::string> values;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            values.push_back(dataSet.FieldByName(field).AsString());
        return values;
    }

    std::shared_ptr<test::FakeLog> log = std::make_shared<test::FakeLog>();
    KVTServer server;
};

TEST_F(DataSetTest, FieldsComeFromTheProviderAndGoAtClose) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    EXPECT_TRUE(shifts.Fields().empty());
    shifts.Open();
    EXPECT_TRUE(server.Connected());
    ASSERT_EQ(shifts.Fields().size(), 4u);
    EXPECT_EQ(shifts.Fields()[3]->FieldName(), "Operator");
    EXPECT_EQ(shifts.Fields()[3]->Size(), 30);
    EXPECT_EQ(shifts.FieldByName("begtime").DataType(), FieldType::DateTime);
    EXPECT_EQ(shifts.FieldDefs().size(), 4u);
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 1);
    EXPECT_EQ(shifts.FindField("Missing"), nullptr);
    try {
        shifts.FieldByName("X");
        FAIL();
    } catch (const DataSetError& error) {
        EXPECT_STREQ(error.what(), "SmLogtable: Поле 'X' не найдено");
    }
    shifts.Close();
    EXPECT_TRUE(shifts.Fields().empty());
    EXPECT_EQ(shifts.FieldDefs().size(), 4u);
    EXPECT_THROW(shifts.First(), DataSetError);
}

TEST_F(DataSetTest, OpenWithoutProviderOrServerFails) {
    ClientDataSet orphan("vdOrg");
    try {
        orphan.Open();
        FAIL();
    } catch (const DataSetError& error) {
        EXPECT_STREQ(error.what(), "vdOrg: Отсутствует провайдер данных или пакет данных");
    }
    ClientDataSet unknown("bneOrg");
    bind(unknown, "NoSuchProvider");
    EXPECT_THROW(unknown.Open(), appserver::ServerError);
    EXPECT_FALSE(unknown.Active());
}

TEST_F(DataSetTest, PersistentFieldsAreTheOnlyFieldsAndMustExist) {
    ClientDataSet prx("PrxTable");
    bind(prx, "Prx");
    prx.AddField({"OpNum", FieldType::Integer, 0});
    Field& liters = prx.AddField({"Liters", FieldType::Float, 0});
    liters.DisplayLabel = "Литры";
    EXPECT_THROW(prx.AddField({"opnum", FieldType::Integer, 0}), DataSetError);
    prx.Open();
    ASSERT_EQ(prx.Fields().size(), 2u);
    EXPECT_EQ(prx.FieldByName("Liters").AsFloat(), 1.25);
    EXPECT_EQ(prx.FieldDefs().size(), 6u);
    EXPECT_NE(prx.FindFieldDef("CarName"), nullptr);
    EXPECT_EQ(prx.FindField("CarName"), nullptr);

    // The receipt log adds the vehicle once it learns the record set offers one.
    prx.Close();
    Field& car = prx.CreateField("CarName");
    EXPECT_EQ(car.Size(), 20);
    prx.Open();
    EXPECT_EQ(prx.FieldByName("CarName").AsString(), "Volvo");
    EXPECT_EQ(prx.Fields().size(), 3u);
    EXPECT_EQ(&prx.FieldByName("Liters"), &liters);
    EXPECT_EQ(liters.DisplayName(), "Литры");
    EXPECT_THROW(prx.CreateField("Nothing"), DataSetError);

    ClientDataSet wrong("PrxTable");
    bind(wrong, "Prx");
    wrong.AddField({"Prim", FieldType::String, 50});
    try {
        wrong.Open();
        FAIL();
    } catch (const DataSetError& error) {
        EXPECT_STREQ(error.what(), "PrxTable: Поле 'Prim' не найдено");
    }
    EXPECT_FALSE(wrong.Active());
    ClientDataSet mistyped("PrxTable");
    bind(mistyped, "Prx");
    mistyped.AddField({"OpNum", FieldType::String, 10});
    EXPECT_THROW(mistyped.Open(), DataSetError);
}

TEST_F(DataSetTest, PacketsAreFetchedOnDemand) {
    ClientDataSet prx("PrxTable");
    bind(prx, "Prx");
    prx.PacketRecords = 10;
    prx.Open();
    EXPECT_EQ(log->rowsDelivered, 10);
    for (int i = 0; i < 9; ++i)
        prx.Next();
    EXPECT_EQ(log->rowsDelivered, 10);
    prx.Next();
    EXPECT_EQ(log->rowsDelivered, 20);
    EXPECT_EQ(prx.FieldByName("OpNum").AsInteger(), 11);
    EXPECT_EQ(prx.RecordCount(), 150);
    EXPECT_EQ(prx.RecNo(), 11);
    EXPECT_EQ(column(prx, "OpNum").size(), 150u);
}

TEST_F(DataSetTest, WithoutFetchOnDemandOnlyTheFirstPacketIsThere) {
    ClientDataSet trkLog("TrkLog");
    bind(trkLog, "Prx");
    trkLog.PacketRecords = 101;
    trkLog.FetchOnDemand = false;
    trkLog.Open();
    EXPECT_EQ(trkLog.RecordCount(), 101);
    trkLog.Last();
    EXPECT_EQ(trkLog.FieldByName("OpNum").AsInteger(), 101);
    EXPECT_EQ(column(trkLog, "OpNum").size(), 101u);
    EXPECT_FALSE(trkLog.Locate("OpNum", Variant(120)));
    EXPECT_EQ(log->rowsDelivered, 101);
}

TEST_F(DataSetTest, ParametersAndCommandTextGoWithTheCall) {
    ClientDataSet trkLog("TrkLog");
    bind(trkLog, "Prx");
    trkLog.CommandText = "SELECT DISTINCT Trk FROM Trk ORDER BY Trk";
    trkLog.Params().CreateParam("TrkName", FieldType::String, Variant("1"));
    trkLog.Params().ParamByName("trkname").SetAsString("7");
    EXPECT_THROW(trkLog.Params().ParamByName("Other"), DataSetError);
    trkLog.Open();
    ASSERT_EQ(log->requests.size(), 1u);
    const auto& [provider, request] = log->requests[0];
    EXPECT_EQ(provider, "Prx");
    EXPECT_EQ(request.commandText, "SELECT DISTINCT Trk FROM Trk ORDER BY Trk");
    ASSERT_EQ(request.params.size(), 1u);
    EXPECT_EQ(request.params[0].first, "TrkName");
    EXPECT_EQ(request.params[0].second, Variant("7"));
}

TEST_F(DataSetTest, CursorMovesAndRecordNumbers) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    shifts.Open();
    EXPECT_TRUE(shifts.Bof());
    EXPECT_FALSE(shifts.Eof());
    EXPECT_EQ(shifts.RecNo(), 1);
    shifts.Prior();
    EXPECT_TRUE(shifts.Bof());
    EXPECT_EQ(shifts.MoveBy(5), 5);
    EXPECT_EQ(shifts.RecNo(), 6);
    EXPECT_FALSE(shifts.Bof());
    EXPECT_EQ(shifts.MoveBy(-10), -5);
    EXPECT_TRUE(shifts.Bof());
    shifts.Last();
    EXPECT_TRUE(shifts.Eof());
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 25);
    shifts.Prior();
    EXPECT_FALSE(shifts.Eof());
    EXPECT_EQ(shifts.RecNo(), 24);
    EXPECT_EQ(shifts.MoveBy(7), 1);
    EXPECT_TRUE(shifts.Eof());
    shifts.SetRecNo(12);
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 12);

    shifts.SetFilter("SmNum > 100");
    shifts.SetFiltered(true);
    EXPECT_TRUE(shifts.IsEmpty());
    EXPECT_TRUE(shifts.Eof());
    EXPECT_TRUE(shifts.Bof());
    EXPECT_EQ(shifts.RecNo(), 0);
    EXPECT_EQ(shifts.RecordCount(), 0);
    EXPECT_TRUE(shifts.FieldByName("SmNum").IsNull());
    EXPECT_EQ(shifts.FieldByName("Operator").AsString(), "");
}

TEST_F(DataSetTest, FiltersSelectRecordsAndBadFiltersQuoteTheirText) {
    ClientDataSet prx("PrxTable");
    bind(prx, "Prx");
    prx.SetFilter("Prihod = False");
    prx.SetFiltered(true);
    prx.Open();
    EXPECT_EQ(prx.RecordCount(), 50);
    prx.SetFilter("CarName = 'O''Brien'");
    EXPECT_EQ(prx.RecordCount(), 37);
    prx.SetFiltered(false);
    EXPECT_EQ(prx.RecordCount(), 150);

    prx.SetFiltered(true);
    try {
        prx.SetFilter("Prihod = = True");
        FAIL();
    } catch (const FilterError& error) {
        EXPECT_NE(std::string(error.what()).find("Prihod = = True"), std::string::npos);
    }
    EXPECT_EQ(prx.Filter(), "CarName = 'O''Brien'");
    EXPECT_EQ(prx.RecordCount(), 37);
    EXPECT_THROW(prx.SetFilter("NoSuchField = 1"), FilterError);
    EXPECT_EQ(prx.RecordCount(), 37);

    prx.Close();
    prx.SetFilter("Prihod = ");  // accepted while closed, refused when applied
    EXPECT_THROW(prx.Open(), FilterError);
    EXPECT_FALSE(prx.Active());
    prx.SetFiltered(false);
    prx.Open();
    EXPECT_EQ(prx.RecordCount(), 150);
}

TEST_F(DataSetTest, IndexFieldNamesOrderTheRecords) {
    ClientDataSet cnt("VDCnt");
    bind(cnt, "Cnt");
    cnt.SetIndexFieldNames("Name");
    cnt.SetFilter("IsDelete=false");
    cnt.SetFiltered(true);
    cnt.Open();
    // Case does not count.
    EXPECT_EQ(column(cnt, "Name"), (std::vector<std::string>{"O'Brien", "альфа", "Бета", "Гамма"}));

    ClientDataSet car("VDCar");
    bind(car, "Car");
    car.SetIndexFieldNames("CID;Name");
    car.Open();
    EXPECT_EQ(column(car, "ID"), (std::vector<std::string>{"A4", "A3", "A1", "A2", "A5"}));
    car.Locate("ID", str("A2"));
    car.SetIndexFieldNames("");
    EXPECT_EQ(car.FieldByName("ID").AsString(), "A2");  // the current record stays current
    EXPECT_EQ(car.RecNo(), 2);
    EXPECT_THROW(car.SetIndexFieldNames("Nope"), DataSetError);
    EXPECT_EQ(car.IndexFieldNames(), "");
}

TEST_F(DataSetTest, DetailFollowsTheMastersCurrentRow) {
    ClientDataSet cnt("VDCnt");
    bind(cnt, "Cnt");
    DataSource cntSource("CntDS", &cnt);
    ClientDataSet car("VDCar");
    bind(car, "Car");
    car.SetIndexFieldNames("CID");
    car.SetFilter("IsDelete=false");
    car.SetFiltered(true);
    car.SetMasterFields("ID");
    car.SetMasterSource(&cntSource);

    car.Open();
    EXPECT_TRUE(car.IsEmpty());  // the master is closed
    cnt.Open();
    EXPECT_EQ(column(car, "Name"), (std::vector<std::string>{"Камаз", "Вольво"}));
    cnt.Next();
    EXPECT_EQ(column(car, "Name"), (std::vector<std::string>{"Газель"}));
    cnt.Locate("ID", str("C3"));
    EXPECT_EQ(car.RecordCount(), 1);
    cnt.Locate("ID", str("C4"));
    EXPECT_TRUE(car.IsEmpty());
    cnt.First();
    car.Last();
    EXPECT_EQ(car.FieldByName("Name").AsString(), "Вольво");
    cnt.Close();
    EXPECT_TRUE(car.IsEmpty());

    car.SetMasterSource(nullptr);
    EXPECT_EQ(car.RecordCount(), 4);
}

TEST_F(DataSetTest, DetailWithoutIndexMatchesSameNamedFields) {
    ClientDataSet master("Cars");
    bind(master, "Car");
    DataSource source("CarDS", &master);
    ClientDataSet sameOwner("SameOwner");
    bind(sameOwner, "Car");
    sameOwner.SetMasterFields("CID");
    sameOwner.SetMasterSource(&source);
    master.Open();
    sameOwner.Open();
    EXPECT_EQ(column(sameOwner, "ID"), (std::vector<std::string>{"A1", "A3", "A4"}));
    master.Next();
    EXPECT_EQ(column(sameOwner, "ID"), (std::vector<std::string>{"A2"}));

    // A master field the master lacks is refused, and the old link stays.
    ClientDataSet cnt("VDCnt");
    bind(cnt, "Cnt");
    DataSource cntSource("CntDS", &cnt);
    cnt.Open();
    EXPECT_THROW(sameOwner.SetMasterSource(&cntSource), DataSetError);
    EXPECT_EQ(sameOwner.MasterSource(), &source);
    EXPECT_EQ(sameOwner.RecordCount(), 1);
}

TEST_F(DataSetTest, LocateExactPartialAndCaseInsensitive) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    shifts.Open();
    EXPECT_TRUE(shifts.Locate("SmNum", Variant(12)));
    EXPECT_EQ(shifts.RecNo(), 12);
    EXPECT_TRUE(shifts.Locate("SmNum", str("7")));
    EXPECT_EQ(shifts.RecNo(), 7);
    // Typing "2" in the shift grid finds the first shift whose number begins with it.
    EXPECT_TRUE(shifts.Locate("SmNum", str("2"), {.partialKey = true}));
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 2);
    EXPECT_TRUE(shifts.Locate("SmNum", str("21"), {.partialKey = true}));
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 21);
    EXPECT_FALSE(shifts.Locate("SmNum", str("abc")));
    EXPECT_EQ(shifts.RecNo(), 21);

    EXPECT_FALSE(shifts.Locate("Operator", str("петров")));
    EXPECT_TRUE(shifts.Locate("Operator", str("петров"), {.caseInsensitive = true}));
    EXPECT_EQ(shifts.RecNo(), 2);
    EXPECT_TRUE(
        shifts.Locate("Operator", str("ИВ"), {.caseInsensitive = true, .partialKey = true}));
    EXPECT_EQ(shifts.RecNo(), 1);
    EXPECT_TRUE(shifts.Locate("Operator;SmNum", Variant::list({str("Иванов"), Variant(5)})));
    EXPECT_EQ(shifts.RecNo(), 5);
    EXPECT_FALSE(shifts.Locate("Operator;SmNum", Variant::list({str("Иванов"), Variant(6)})));
    EXPECT_THROW(shifts.Locate("Nope", Variant(1)), DataSetError);
}

TEST_F(DataSetTest, BookmarksAreValidWhileTheirRecordIsVisible) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    EXPECT_FALSE(shifts.BookmarkValid(shifts.GetBookmark()));
    shifts.Open();
    shifts.SetRecNo(15);
    const Bookmark fifteen = shifts.GetBookmark();
    shifts.SetRecNo(12);
    const Bookmark twelve = shifts.GetBookmark();
    EXPECT_TRUE(shifts.BookmarkValid(fifteen));
    EXPECT_LT(twelve, fifteen);
    EXPECT_LT(shifts.CompareBookmarks(twelve, fifteen), 0);
    EXPECT_EQ(shifts.CompareBookmarks(fifteen, fifteen), 0);
    shifts.GotoBookmark(fifteen);
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 15);

    // The grid's selection in record order follows the index, not the fetch order.
    shifts.SetIndexFieldNames("Operator;SmNum");
    EXPECT_GT(shifts.CompareBookmarks(twelve, fifteen), 0);

    shifts.SetFilter("SmNum < 13");
    shifts.SetFiltered(true);
    EXPECT_FALSE(shifts.BookmarkValid(fifteen));
    EXPECT_THROW(shifts.GotoBookmark(fifteen), DataSetError);
    EXPECT_TRUE(shifts.BookmarkValid(twelve));

    shifts.Close();
    shifts.Open();
    EXPECT_FALSE(shifts.BookmarkValid(twelve));
    EXPECT_THROW(shifts.GotoBookmark(Bookmark{}), DataSetError);
}

TEST_F(DataSetTest, ClonedCursorMovesIndependently) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    shifts.SetFilter("SmNum <= 10");
    shifts.SetFiltered(true);
    shifts.Open();
    shifts.SetRecNo(4);

    ClientDataSet clone("Private");
    clone.CloneCursor(shifts, true);
    EXPECT_EQ(clone.RecordCount(), 25);  // reset: no filter
    EXPECT_EQ(clone.FieldByName("SmNum").AsInteger(), 4);
    clone.Next();
    clone.Next();
    EXPECT_EQ(clone.FieldByName("SmNum").AsInteger(), 6);
    EXPECT_EQ(shifts.FieldByName("SmNum").AsInteger(), 4);
    shifts.Next();
    EXPECT_EQ(clone.RecNo(), 6);
    EXPECT_EQ(log->requests.size(), 1u);  // same records, no second call

    ClientDataSet copy("Copy");
    copy.CloneCursor(shifts, false);
    EXPECT_EQ(copy.RecordCount(), 10);
    EXPECT_EQ(copy.Filter(), "SmNum <= 10");

    ClientDataSet own("Own");
    own.SetFilter("SmNum > 20");
    own.SetFiltered(true);
    own.CloneCursor(shifts, false, true);
    EXPECT_EQ(own.RecordCount(), 5);

    shifts.Close();
    EXPECT_EQ(clone.FieldByName("SmNum").AsInteger(), 6);
    clone.Last();
    EXPECT_EQ(clone.FieldByName("SmNum").AsInteger(), 25);
    ClientDataSet closed("Closed");
    EXPECT_THROW(closed.CloneCursor(shifts, true), DataSetError);
}

TEST_F(DataSetTest, ClonesShareRecordsFetchedByEither) {
    ClientDataSet prx("PrxTable");
    bind(prx, "Prx");
    prx.PacketRecords = 10;
    prx.Open();
    ClientDataSet clone("Clone");
    clone.CloneCursor(prx, true);
    EXPECT_EQ(clone.RecordCount(), 150);
    prx.Last();
    EXPECT_EQ(prx.RecNo(), 150);
    EXPECT_EQ(log->rowsDelivered, 150);
}

TEST_F(DataSetTest, DisplayTextFormatsAndGetTextHandlers) {
    ClientDataSet prx("PrxTable");
    bind(prx, "Prx");
    prx.Open();
    prx.SetRecNo(2);
    Field& liters = prx.FieldByName("Liters");
    Field& summa = prx.FieldByName("Summa");
    EXPECT_EQ(liters.DisplayText(), "2,5");
    liters.DisplayFormat = "0.00";
    EXPECT_EQ(liters.DisplayText(), "2,50");
    EXPECT_EQ(liters.Text(), "2,5");
    summa.Currency = true;
    EXPECT_EQ(summa.DisplayText(), "2 469,00 р.");
    EXPECT_EQ(prx.FieldByName("Date").DisplayText(), "03.12.2026");
    EXPECT_EQ(prx.FieldByName("Prihod").DisplayText(), "True");
    EXPECT_EQ(liters.Alignment, FieldAlignment::Right);
    EXPECT_EQ(prx.FieldByName("CarName").Alignment, FieldAlignment::Left);
    EXPECT_EQ(prx.FieldByName("CarName").EffectiveDisplayWidth(), 20);
    liters.DisplayWidth = 9;
    EXPECT_EQ(liters.EffectiveDisplayWidth(), 9);

    prx.FieldByName("OpNum").OnGetText = [](const Field& field, std::string& text,
                                            bool displayText) {
        text = (displayText ? "№ " : "") + std::to_string(field.AsInteger());
    };
    EXPECT_EQ(prx.FieldByName("OpNum").DisplayText(), "№ 2");
    EXPECT_EQ(prx.FieldByName("OpNum").Text(), "2");
}

TEST_F(DataSetTest, DateTimeTextUsesTheStationFormat) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    shifts.Open();
    EXPECT_EQ(shifts.FieldByName("BegTime").DisplayText(), "01.12.2026 12:00:00");
    EXPECT_EQ(shifts.FieldByName("EndTime").AsString(), "02.12.2026");
}

// Fields read their values in the stored type; what they give is what the variant's own
// conversions give, failures included.
TEST_F(DataSetTest, TypedReadsAgreeWithTheVariantsConversions) {
    ClientDataSet kinds("Kinds");
    bind(kinds, "Kinds");
    kinds.Open();
    EXPECT_GT(kinds.heldBytes(), 0u);
    const auto same = [](auto typed, auto converted) {
        std::optional<decltype(converted())> expected;
        try {
            expected = converted();
        } catch (const VariantError&) {
        }
        if (!expected) {
            EXPECT_THROW(typed(), VariantError);
            return;
        }
        EXPECT_EQ(typed(), *expected);
    };
    for (kinds.First(); !kinds.Eof(); kinds.Next()) {
        for (const Field* field : kinds.Fields()) {
            SCOPED_TRACE(field->FieldName() + " of record " + std::to_string(kinds.RecNo()));
            const Variant value = field->Value();
            const bool null = value.isNull();
            EXPECT_EQ(field->IsNull(), null);
            EXPECT_EQ(field->AsString(), fieldValueText(value, field->DataType()));
            same([&] { return field->AsInteger(); }, [&] { return null ? 0 : value.toInt(); });
            same([&] { return field->AsFloat(); }, [&] { return null ? 0.0 : value.toDouble(); });
            same([&] { return field->AsDateTime(); }, [&] { return null ? 0.0 : value.toDate(); });
            same([&] { return field->AsBoolean(); }, [&] { return null ? false : value.toBool(); });
        }
    }
    kinds.Close();
    EXPECT_EQ(kinds.heldBytes(), 0u);
}

class Recorder : public DataSetObserver, public DataSourceObserver {
public:
    void dataSetEvent(ClientDataSet&, DataEvent event) override { events.push_back(event); }
    void dataSourceEvent(DataSource&, DataEvent event) override { events.push_back(event); }
    std::vector<DataEvent> events;
};

TEST_F(DataSetTest, ViewsReadOtherRecordsWithoutMovingTheCursor) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    Recorder recorder;
    shifts.Open();
    shifts.addObserver(recorder);
    Field& number = shifts.FieldByName("SmNum");
    number.OnGetText = [](const Field& field, std::string& text, bool) {
        text = "#" + std::to_string(field.AsInteger());
    };
    EXPECT_EQ(shifts.FieldTextAt(7, number), "#7");
    EXPECT_EQ(shifts.FieldValueAt(9, number), Variant(9));
    EXPECT_EQ(number.DisplayText(), "#1");
    EXPECT_EQ(shifts.RecNoOf(shifts.BookmarkAt(12)), 12);
    EXPECT_EQ(shifts.RecNo(), 1);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_THROW(shifts.FieldTextAt(26, number), DataSetError);
    EXPECT_EQ(shifts.RecNoOf(Bookmark{}), 0);
    shifts.removeObserver(recorder);
}

TEST_F(DataSetTest, ObserversAreToldAndHeldWhileControlsAreDisabled) {
    ClientDataSet shifts("SmLogtable");
    bind(shifts, "Shifts");
    Recorder recorder;
    shifts.addObserver(recorder);
    shifts.Open();
    shifts.Next();
    shifts.SetFilter("SmNum > 3");
    shifts.SetFiltered(true);
    EXPECT_EQ(recorder.events, (std::vector<DataEvent>{DataEvent::Opened, DataEvent::CursorMoved,
                                                       DataEvent::RecordsChanged}));
    recorder.events.clear();
    shifts.DisableControls();
    shifts.DisableControls();
    EXPECT_TRUE(shifts.ControlsDisabled());
    shifts.Close();
    shifts.Open();
    shifts.Next();
    shifts.EnableControls();
    EXPECT_TRUE(recorder.events.empty());
    shifts.EnableControls();
    EXPECT_EQ(recorder.events, (std::vector<DataEvent>{DataEvent::RecordsChanged}));
    shifts.removeObserver(recorder);
    shifts.Next();
    EXPECT_EQ(recorder.events.size(), 1u);
}

TEST_F(DataSetTest, DataSourceForwardsEventsAndSwitches) {
    ClientDataSet shifts("SmLogtable");
    ClientDataSet prx("PrxTable");
    bind(shifts, "Shifts");
    bind(prx, "Prx");
    DataSource source("SmLogSource", &shifts);
    Recorder recorder;
    source.addObserver(recorder);
    shifts.Open();
    source.SetDataSet(&prx);
    shifts.Next();  // no longer shown
    prx.Open();
    EXPECT_EQ(
        recorder.events,
        (std::vector<DataEvent>{DataEvent::Opened, DataEvent::DataSetSwitched, DataEvent::Opened}));
    EXPECT_EQ(source.DataSet(), &prx);
    {
        ClientDataSet shortLived("Temp");
        source.SetDataSet(&shortLived);
    }
    EXPECT_EQ(source.DataSet(), nullptr);
    source.removeObserver(recorder);
}

}  // namespace
}  // namespace kvt::data
