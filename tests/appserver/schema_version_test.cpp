#include <gmock/gmock.h>
#include <sqlite3.h>

#include "StationFixture.h"
#include "appserver/PayTypes.h"

namespace kvt {
namespace {

using appserver::createStationDatabase;
using appserver::hasTable;
using appserver::openStationDatabase;
using appserver::ServerError;
using appserver::StationServer;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// The tables each schema version added.
const std::vector<std::vector<std::string>> kTablesOfVersion{
    {"SmLog", "Trk", "vedOrg", "vedAuto", "VdContractor", "VdCar", "VdDriver", "VidOpl"},
    {"TrkSale", "BackAct", "BackCard"},
    {"Dogovor", "TrkVedom"},
};

class SchemaVersionTest : public test::StationTest {
protected:
    // The demo station as a station of an older schema version would have kept it: every table
    // that version has, with the demo's rows.
    std::filesystem::path olderCopy(std::int32_t version = 1) {
        const auto file = base() / ("version" + std::to_string(version) + ".db");
        const appserver::Connection db = createStationDatabase(file, version);
        appserver::execute(db, "ATTACH DATABASE '" + database().string() + "' AS demo");
        std::vector<std::string> tables;
        appserver::Statement list(db, "SELECT name FROM main.sqlite_master WHERE type = 'table'");
        while (list.step())
            tables.emplace_back(list.text(0));
        for (const auto& table : tables)
            appserver::execute(db, "INSERT INTO main." + table + " SELECT * FROM demo." + table);
        appserver::execute(db, "DETACH DATABASE demo");
        return file;
    }

    // Written past the server, which refuses to open a file of an unknown version.
    void setVersion(std::int32_t version) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database().c_str(), &db), SQLITE_OK);
        const std::string sql = "PRAGMA user_version = " + std::to_string(version);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
};

TEST_F(SchemaVersionTest, AVersionOneStationServesEveryProviderAsBefore) {
    const auto old = olderCopy();
    StationServer oldServer(old);
    StationServer newServer(database());
    for (const std::string provider :
         {"SmLogProvider", "Organization", "AutoMobil", "BneOrgProvider", "PrxLogProvider",
          "TrkLogProvider", "VdContractorDSP", "VdCarDSP", "VdDriverDSP"}) {
        const auto oldCursor = oldServer.openProvider(provider, {});
        const auto newCursor = newServer.openProvider(provider, {});
        EXPECT_EQ(oldCursor->fields(), newCursor->fields()) << provider;
        const auto rows = fetchRows(*oldCursor, -1);
        EXPECT_FALSE(rows.empty()) << provider;
        EXPECT_EQ(rows, fetchRows(*newCursor, -1)) << provider;
    }
    EXPECT_EQ(oldServer.GetKVTConfig(), newServer.GetKVTConfig());
    EXPECT_EQ(appserver::readPayTypes(old), appserver::readPayTypes(database()));
}

TEST_F(SchemaVersionTest, EachVersionOpensWithTheTablesOfItsOwnAndOlderVersionsOnly) {
    const auto latest = static_cast<std::int32_t>(kTablesOfVersion.size());
    ASSERT_EQ(latest, appserver::kStationSchemaVersion);
    for (std::int32_t version = 1; version <= latest; ++version) {
        const auto db = openStationDatabase(version == latest ? database() : olderCopy(version));
        for (std::int32_t added = 1; added <= latest; ++added) {
            for (const auto& table : kTablesOfVersion[static_cast<std::size_t>(added - 1)])
                EXPECT_EQ(hasTable(db, table), added <= version) << version << ": " << table;
        }
    }
    const auto newDb = openStationDatabase(database());
    EXPECT_TRUE(hasTable(newDb, "trksale"));
    EXPECT_FALSE(hasTable(newDb, "TrkSale' OR 1 = 1 --"));
}

TEST_F(SchemaVersionTest, VersionsThisServerDoesNotKnowAreRefused) {
    for (const std::int32_t version : {0, 4}) {
        setVersion(version);
        EXPECT_THAT(
            [&] { StationServer server(database()); },
            ThrowsMessage<ServerError>(HasSubstr("имеет версию схемы " + std::to_string(version) +
                                                 ", сервер читает версии с 1 по 3")));
        EXPECT_THAT([&] { createStationDatabase(base() / "new.db", version); },
                    ThrowsMessage<ServerError>(
                        HasSubstr("версии схемы " + std::to_string(version) + " не существует")));
    }
}

}  // namespace
}  // namespace kvt
