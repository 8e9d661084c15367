#include <gmock/gmock.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "StationFixture.h"

namespace kvt {
namespace {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::ProviderRequest;
using appserver::ServerError;
using appserver::StationServer;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

using Fields = std::vector<FieldDef>;

FieldDef integer(std::string name) {
    return {std::move(name), FieldType::Integer, 0};
}
FieldDef smallInt(std::string name) {
    return {std::move(name), FieldType::SmallInt, 0};
}
FieldDef text(std::string name, int size) {
    return {std::move(name), FieldType::String, size};
}
FieldDef real(std::string name) {
    return {std::move(name), FieldType::Float, 0};
}
FieldDef money(std::string name) {
    return {std::move(name), FieldType::Currency, 0};
}
FieldDef date(std::string name) {
    return {std::move(name), FieldType::Date, 0};
}
FieldDef dateTime(std::string name) {
    return {std::move(name), FieldType::DateTime, 0};
}
FieldDef boolean(std::string name) {
    return {std::move(name), FieldType::Boolean, 0};
}

ProviderRequest command(std::string sql) {
    return {std::move(sql), {}};
}

class StationServerTest : public test::EngineStationTest {
protected:
    StationServer& server() {
        if (!server_)
            server_ = std::make_unique<StationServer>(database());
        return *server_;
    }

    std::vector<std::string> names(const std::string& provider, std::size_t column,
                                   const ProviderRequest& request = {}) {
        std::vector<std::string> result;
        for (const auto& value : this->column(records(server(), provider, request), column))
            result.push_back(value.toString());
        return result;
    }

private:
    std::unique_ptr<StationServer> server_;
};

TEST_P(StationServerTest, ProvidersDeliverTheFieldLayoutsTheDatasetsDeclare) {
    const std::map<std::string, Fields> expected{
        {"SmLogProvider",
         {integer("SmNum"), dateTime("BegTime"), dateTime("EndTime"), text("Operator", 30),
          money("InKKM"), money("OutKKM"), money("SummaTovary"), text("Operator2", 30),
          text("Operator3", 30)}},
        {"Organization",
         {text("Name", 50), text("INN", 20), integer("VidOplat"), text("Address", 80)}},
        {"AutoMobil", {text("ID", 8), text("Name", 50), text("NumberAuto", 15), text("INN", 20)}},
        {"BneOrgProvider", {text("Name", 60), real("Skidka")}},
        {"PrxLogProvider", {integer("OpNum"),        date("Date"),           integer("SmNum"),
                            text("Operator", 20),    text("GSMName", 20),    real("CarVolTTN"),
                            text("SiloName", 20),    dateTime("BegTime"),    dateTime("EndTime"),
                            real("SiloLevelBefore"), real("SiloLevelAfter"), real("Fact1"),
                            real("Dopusk"),          real("Delta"),          real("UdVes"),
                            real("Temper"),          real("FactPlotn"),      boolean("Cor"),
                            boolean("Prihod"),       text("Prim", 50),       text("CarName", 20)}},
        {"TrkLogProvider",
         {dateTime("Time"), smallInt("Client"), text("Gsm", 10), smallInt("Operation"),
          smallInt("Op1"), text("AutoMobil", 15), smallInt("Op2"), real("Liters"), real("Summa")}},
        {"VdContractorDSP",
         {text("ID", 8), text("Name", 60), text("INN", 20), boolean("IsDelete")}},
        {"VdCarDSP", {text("ID", 8), text("CID", 8), text("Name", 20), boolean("IsDelete")}},
        {"VdDriverDSP", {text("ID", 8), text("CID", 8), text("Name", 40), boolean("IsDelete")}},
    };
    for (const auto& [provider, fields] : expected) {
        auto cursor = server().openProvider(provider, {});
        EXPECT_EQ(cursor->fields(), fields) << provider;
        const auto rows = fetchRows(*cursor, -1);
        ASSERT_FALSE(rows.empty()) << provider;
        for (const auto& row : rows)
            ASSERT_EQ(row.size(), fields.size()) << provider;
    }
}

TEST_P(StationServerTest, ValuesTravelAsTheVariantTypesOfTheirFields) {
    const auto shift = records(server(), "SmLogProvider").front();
    EXPECT_EQ(shift[0], Variant(1));
    EXPECT_EQ(shift[1].type(), VarType::Date);
    EXPECT_GT(shift[2].toDate(), shift[1].toDate());
    EXPECT_EQ(shift[4].type(), VarType::CY);
    const auto pump = records(server(), "TrkLogProvider").front();
    EXPECT_EQ(pump[1].type(), VarType::I2);
    EXPECT_EQ(pump[7].type(), VarType::R8);
    const auto receipt = records(server(), "PrxLogProvider").front();
    EXPECT_EQ(receipt[18].type(), VarType::Bool);
    // Operator2 and Operator3 are often not recorded.
    const auto shifts = records(server(), "SmLogProvider");
    EXPECT_TRUE(
        std::any_of(shifts.begin(), shifts.end(), [](const auto& row) { return row[7].isNull(); }));
}

TEST_P(StationServerTest, ProviderNamesAreFoundWithoutRegardToCase) {
    EXPECT_EQ(records(server(), "smlogprovider").size(), 120u);
    EXPECT_THAT([&] { server().openProvider("NoSuchProvider", {}); },
                ThrowsMessage<ServerError>(HasSubstr("\"NoSuchProvider\" не найден")));
}

TEST_P(StationServerTest, RecordSetsComeInTheProvidersOrder) {
    const auto shifts = column(records(server(), "SmLogProvider"), 0);
    EXPECT_TRUE(std::is_sorted(shifts.begin(), shifts.end(),
                               [](const auto& a, const auto& b) { return a.toInt() < b.toInt(); }));
    // Newest first, so that the last record of a shift is its first operation.
    const auto operations = column(records(server(), "PrxLogProvider"), 0);
    EXPECT_TRUE(std::is_sorted(operations.begin(), operations.end(),
                               [](const auto& a, const auto& b) { return a.toInt() > b.toInt(); }));
    const auto cars = records(server(), "VdCarDSP");
    EXPECT_TRUE(std::is_sorted(cars.begin(), cars.end(), [](const auto& a, const auto& b) {
        return a[1].toString() < b[1].toString();
    }));
}

TEST_P(StationServerTest, TrkNameSelectsOnePumpNewestFirst) {
    auto rowsOf = [&](Variant pump) {
        return records(server(), "TrkLogProvider", {"", {{"TrkName", pump}}});
    };
    const auto pump3 = rowsOf(Variant("3"));
    ASSERT_FALSE(pump3.empty());
    const auto times = column(pump3, 0);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end(), [](const auto& a, const auto& b) {
        return a.toDate() > b.toDate();
    }));
    const auto count =
        records(server(), "PrxLogProvider", command("SELECT COUNT(*) FROM Trk WHERE Trk = '3'"));
    EXPECT_EQ(static_cast<int>(pump3.size()), count[0][0].toInt());
    EXPECT_EQ(rowsOf(Variant(3)).size(), pump3.size());
    EXPECT_TRUE(rowsOf(Variant("99")).empty());
    // Without the parameter the dataset's default pump "1" applies.
    EXPECT_EQ(records(server(), "TrkLogProvider").size(), rowsOf(Variant("1")).size());
    EXPECT_THAT(
        [&] {
            server().openProvider("TrkLogProvider", {"", {{"Pump", Variant("1")}}});
        },
        ThrowsMessage<ServerError>(HasSubstr("нет параметра \"Pump\"")));
}

TEST_P(StationServerTest, ReceiptLogAcceptsTheClientsCommandTexts) {
    auto cars = server().openProvider("PrxLogProvider",
                                      command("SELECT DISTINCT CarName FROM Prx ORDER BY CarName"));
    EXPECT_EQ(cars->fields(), Fields{text("CarName", 20)});
    const auto carNames = column(fetchRows(*cars, -1), 0);
    EXPECT_THAT(carNames, ::testing::Contains(Variant("O'Brien")));

    auto pumps = server().openProvider("PrxLogProvider",
                                       command("SELECT DISTINCT Trk FROM Trk ORDER BY Trk"));
    EXPECT_EQ(pumps->fields(), Fields{text("Trk", 10)});
    EXPECT_THAT(column(fetchRows(*pumps, -1), 0),
                ElementsAre(Variant("1"), Variant("2"), Variant("3"), Variant("4"), Variant("5"),
                            Variant("6"), Variant("7"), Variant("8")));
}

TEST_P(StationServerTest, ComputedColumnsAreTypedByTheirValues) {
    auto cursor = server().openProvider(
        "PrxLogProvider",
        command("  select count(*) AS N, sum(Liters) AS L, 'ТРК ' || Trk AS T FROM Trk "
                "GROUP BY Trk ORDER BY Trk;  "));
    EXPECT_EQ(cursor->fields(), (Fields{integer("N"), real("L"), text("T", 255)}));
    EXPECT_EQ(fetchRows(*cursor, 1).front()[2], Variant("ТРК 1"));
}

TEST_P(StationServerTest, CommandTextsThatDoMoreThanOneReadAreRefused) {
    std::vector<std::pair<std::string, std::string>> refused{
        {"INSERT INTO Prx (Date, Prihod) VALUES (1, 1)", "допускается только оператор SELECT"},
        {"SELECT 1; SELECT 2", "допускается только один оператор"},
        {"SELECT 1;;", "допускается только один оператор"},
        {"SELECT 1; garbage", "допускается только один оператор"},
        {"PRAGMA user_version", "допускается только оператор SELECT"},
        {"ATTACH DATABASE '/tmp/x.db' AS x", "допускается только оператор SELECT"},
        {"WITH d AS (SELECT 1) DELETE FROM Prx", "не только читает данные"},
        {"   ", "текст команды пуст"},
    };
    const bool sqlite = engine() == appserver::Engine::SQLite;
    if (sqlite)
        refused.emplace_back("SELECT * FROM pragma_table_info('Prx')", "не только читает данные");
    for (const auto& [sql, reason] : refused) {
        // A copy, since clang 14 does not capture structured bindings in a lambda.
        const std::string text = sql;
        EXPECT_THAT([&] { server().openProvider("PrxLogProvider", command(text)); },
                    ThrowsMessage<ServerError>(
                        AllOf(HasSubstr("Провайдер \"PrxLogProvider\" отклонил текст команды"),
                              HasSubstr(reason))))
            << sql;
    }
    EXPECT_THAT([&] { server().openProvider("SmLogProvider", command("SELECT 1")); },
                ThrowsMessage<ServerError>(HasSubstr("провайдер не принимает текст команды")));
    EXPECT_THAT(
        [&] { server().openProvider("PrxLogProvider", command("SELECT NoSuchColumn FROM Prx")); },
        ThrowsMessage<ServerError>(AllOf(HasSubstr("Ошибка провайдера \"PrxLogProvider\""),
                                         HasSubstr(sqlite ? "no such column" : "does not exist"))));
    // A refused text leaves the server working.
    EXPECT_EQ(records(server(), "PrxLogProvider", command("SELECT 1;")).size(), 1u);
}

TEST_P(StationServerTest, CursorsFetchInPacketsAndOutliveTheServer) {
    auto server = std::make_unique<StationServer>(database());
    auto cursor = server->openProvider("SmLogProvider", {});
    server.reset();
    EXPECT_EQ(fetchRows(*cursor, 100).size(), 100u);
    EXPECT_FALSE(cursor->finished());
    EXPECT_EQ(fetchRows(*cursor, 100).size(), 20u);
    EXPECT_TRUE(cursor->finished());
    EXPECT_TRUE(fetchRows(*cursor, 100).empty());
}

TEST_P(StationServerTest, ConfigurationListsThePumpsByName) {
    const Variant config = server().GetKVTConfig();
    ASSERT_TRUE(config.isArray());
    EXPECT_EQ(config.lowBound(), 0);
    EXPECT_EQ(config.highBound(), 4);
    EXPECT_EQ(config.at(0).type(), VarType::Str);
    const Variant& pumps = config.at(3);
    ASSERT_EQ(pumps.highBound() - pumps.lowBound() + 1, 8);
    std::vector<std::string> pumpNames;
    for (const auto& pump : pumps.elements())
        pumpNames.push_back(pump.at(0).toString());
    EXPECT_EQ(pumpNames,
              names("PrxLogProvider", 0, command("SELECT DISTINCT Trk FROM Trk ORDER BY Trk")));
    const Variant& firstPump = pumps.at(0);
    EXPECT_EQ(firstPump.at(1), Variant(1));
    EXPECT_EQ(firstPump.at(2).highBound(), firstPump.at(3).highBound());
    EXPECT_EQ(config.at(2).at(0).at(1).type(), VarType::CY);
}

TEST_P(StationServerTest, VedFilterNarrowsOrganisationsAndVehicles) {
    auto count = [&](const std::string& sql) {
        return static_cast<std::size_t>(
            records(server(), "PrxLogProvider", command(sql))[0][0].toInt());
    };
    const std::string statementOrg = "(VidOplat % 100 = 4 OR VidOplat IS NULL)";
    const auto allOrgs = count("SELECT COUNT(*) FROM vedOrg");
    const auto statementOrgs = count("SELECT COUNT(*) FROM vedOrg WHERE " + statementOrg);
    const auto allCars = count("SELECT COUNT(*) FROM vedAuto");
    const auto carsOfListed =
        count("SELECT COUNT(*) FROM vedAuto WHERE Name IN (SELECT Name FROM vedOrg)");
    const auto carsOfStatementOrgs =
        count("SELECT COUNT(*) FROM vedAuto WHERE Name IN (SELECT Name FROM vedOrg WHERE " +
              statementOrg + ")");
    ASSERT_LT(statementOrgs, allOrgs);
    ASSERT_LT(carsOfStatementOrgs, carsOfListed);
    ASSERT_LT(carsOfListed, allCars);

    const std::vector<std::tuple<int, std::size_t, std::size_t>> cases{
        {0, allOrgs, allCars},
        {1, statementOrgs, allCars},
        {17, statementOrgs, carsOfStatementOrgs},
        {16, allOrgs, carsOfListed},
    };
    for (const auto& [filter, orgs, cars] : cases) {
        server().setVedFilter(filter);
        EXPECT_EQ(server().vedFilter(), filter);
        EXPECT_EQ(records(server(), "Organization").size(), orgs) << filter;
        EXPECT_EQ(records(server(), "AutoMobil").size(), cars) << filter;
    }
    server().setVedFilter(1);
    for (const auto& value : column(records(server(), "Organization"), 2))
        EXPECT_TRUE(value.isNull() || value.toInt() % 100 == 4) << value;
}

TEST_P(StationServerTest, DirectoriesDeliverRemovedRecordsMarkedAsSuch) {
    for (const auto* provider : {"VdContractorDSP", "VdCarDSP", "VdDriverDSP"}) {
        const auto marks = column(records(server(), provider), 3);
        EXPECT_THAT(marks, ::testing::Contains(Variant(true))) << provider;
        EXPECT_THAT(marks, ::testing::Contains(Variant(false))) << provider;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, StationServerTest, test::bothEngines(), test::engineName);

class StationDatabaseErrorTest : public test::StationTest {};

TEST_F(StationDatabaseErrorTest, MissingOrForeignFilesAreRefusedAtOpen) {
    const auto missing = base() / "nowhere.db";
    EXPECT_THAT(
        [&] { StationServer server(missing); },
        ThrowsMessage<ServerError>(AllOf(HasSubstr(missing.string()), HasSubstr("не найдена"))));

    const auto textFile = base() / "notes.db";
    test::writeFile(textFile, std::string(4096, 'x'));
    EXPECT_THAT([&] { StationServer server(textFile); },
                ThrowsMessage<ServerError>(AllOf(HasSubstr(textFile.string()),
                                                 HasSubstr("файл не является базой данных"))));

    const auto foreign = base() / "foreign.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE SmLog (SmNum INTEGER)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_THAT([&] { StationServer server(foreign); },
                ThrowsMessage<ServerError>(HasSubstr("не является станционной базой данных")));

    const auto link = base() / "link.db";
    std::filesystem::create_symlink(database(), link);
    EXPECT_THROW(StationServer server(link), ServerError);
}

TEST_F(StationDatabaseErrorTest, AWriterHoldingTheDatabaseGivesALockedError) {
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(database().c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_THAT(
        [&] { StationServer server(database(), std::chrono::milliseconds(50)); },
        ThrowsMessage<ServerError>(AllOf(HasSubstr(database().string()),
                                         HasSubstr("база данных занята другим процессом"))));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_NO_THROW(StationServer server(database()));
}

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            saved_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentVariable() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST_F(StationDatabaseErrorTest, DefaultDatabaseIsUnderTheStationRootUnlessConfigured) {
    {
        EnvironmentVariable unset("KVT_STATION_DB", nullptr);
        EXPECT_EQ(appserver::defaultStationDatabase(),
                  std::filesystem::path(std::getenv("KVT_ROOT")) / "station" / "station.db");
    }
    EnvironmentVariable configured("KVT_STATION_DB", database().c_str());
    EXPECT_EQ(appserver::defaultStationDatabase(), database());
    EXPECT_EQ(fetchRows(*appserver::createStationServer(appserver::defaultStationDatabase())
                             ->openProvider("SmLogProvider", {}),
                        -1)
                  .size(),
              120u);
}

}  // namespace
}  // namespace kvt
