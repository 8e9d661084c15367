// Workplaces on other computers: the station server runs in the workplace's process over the
// station database that the server's computer keeps in PostgreSQL, reached through the station
// service and the workplace's password file. 127.0.0.2 stands for the server's computer: the
// tests' cluster listens there, and by name it is not this machine.

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"
#include "appserver/StationServer.h"
#include "data/ClientDataSet.h"
#include "data/MConnect.h"
#include "tests/support/PgCluster.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

constexpr const char* kServerComputer = "127.0.0.2";

class RemoteWorkplaceTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        const auto cluster = test::PgCluster::ofBuild();
        if (!cluster)
            GTEST_SKIP() << "built without a PostgreSQL cluster for the tests";
        useCluster(*cluster);
    }

    void TearDown() override {
        unsetenv("PGSERVICEFILE");
        unsetenv("PGPASSFILE");
        FreshRoot::TearDown();
    }

    // A demo station in a new database of the cluster, and the workplace set up for it.
    void useCluster(const test::PgCluster& cluster) {
        station_.reset();
        station_.emplace(cluster);
        test::writeDemoStation(*station_);
        setUpWorkplace("workplace");
    }

    // The station service and the password file, as the workplace's administrator writes them.
    void setUpWorkplace(const std::string& password) {
        const auto service = base() / "pg_service.conf";
        const auto passwords = base() / "pgpass";
        const std::string& port = station_->cluster().port;
        test::writeFile(service, "[kvt-station]\ndbname=" + station_->name() +
                                     "\nuser=kvt_workplace\nport=" + port + "\nsslmode=disable\n");
        test::writeFile(passwords,
                        "*:" + port + ":" + station_->name() + ":kvt_workplace:" + password + "\n");
        chmod(passwords.c_str(), 0600);
        setenv("PGSERVICEFILE", service.c_str(), 1);
        setenv("PGPASSFILE", passwords.c_str(), 1);
    }

    static void onServerComputer(KVTServer& workplace) {
        workplace.SetComputerName(kServerComputer);
    }

    static ClientDataSet& bound(ClientDataSet& dataSet, KVTServer& workplace,
                                const std::string& provider) {
        dataSet.ProviderName = provider;
        dataSet.SetRemoteServer(&workplace);
        return dataSet;
    }

    static int recordsOf(KVTServer& workplace, const std::string& provider) {
        ClientDataSet dataSet("cds" + provider);
        bound(dataSet, workplace, provider).Open();
        return dataSet.RecordCount();
    }

    std::optional<test::PgTestDatabase> station_;
};

TEST_F(RemoteWorkplaceTest, WorkplacesReadTheServersStationEachWithItsOwnVedFilter) {
    KVTServer counter;
    KVTServer manager;
    onServerComputer(counter);
    onServerComputer(manager);
    ServerSession counterSession(counter);
    ServerSession managerSession(manager);
    EXPECT_EQ(recordsOf(counter, "SmLogProvider"), 120);
    counter.AppServer()->setVedFilter(1);
    manager.AppServer()->setVedFilter(0);
    const int statementOrganisations = recordsOf(counter, "Organization");
    const int allOrganisations = recordsOf(manager, "Organization");
    EXPECT_LT(statementOrganisations, allOrganisations);
    EXPECT_EQ(counter.AppServer()->vedFilter(), 1);

    // Two workplace processes at once, each with its filter.
    const std::string database = appserver::remoteStationDatabase(kServerComputer);
    const std::string provider = test::toolPath("kvt-provider").string();
    const auto run = [&](int filter, const std::string& out) {
        return "'" + provider + "' --db \"" + database + "\" --ved-filter " +
               std::to_string(filter) + " Organization > " + (base() / out).string();
    };
    const auto both =
        test::runProcess("/bin/sh", {"-c", run(1, "counter.txt") + " & counter=$!; " +
                                               run(0, "manager.txt") + " && wait $counter"});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    // A header line of fields, then a line per record.
    EXPECT_EQ(test::splitLines(test::readFile(base() / "counter.txt")).size(),
              static_cast<std::size_t>(statementOrganisations) + 1);
    EXPECT_EQ(test::splitLines(test::readFile(base() / "manager.txt")).size(),
              static_cast<std::size_t>(allOrganisations) + 1);
}

TEST_F(RemoteWorkplaceTest, AnUnreachableComputerOrAWrongPasswordIsToldAtConnect) {
    KVTServer workplace;
    workplace.SetComputerName("kvt-no-such-host.invalid");
    EXPECT_THAT([&] { workplace.Open(); },
                ThrowsMessage<ConnectionError>(
                    ::testing::StrEq("Сервер RPC недоступен (kvt-no-such-host.invalid)")));
    setUpWorkplace("wrong");
    onServerComputer(workplace);
    EXPECT_THAT([&] { workplace.Open(); },
                ThrowsMessage<ConnectionError>(AllOf(HasSubstr("нет доступа"),
                                                     HasSubstr("password authentication failed"),
                                                     ::testing::Not(HasSubstr("wrong")))));
    EXPECT_FALSE(workplace.Connected());
}

TEST_F(RemoteWorkplaceTest, TheWorkplacesRoleOnlyReadsAndTheConsolesWritesTheShiftLogOnly) {
    KVTServer workplace;
    onServerComputer(workplace);
    // Client texts that would write, or lift the session's limits, from inside a query.
    const std::vector<std::pair<std::string, std::string>> clientTexts{
        {"WITH gone AS (DELETE FROM SmLog RETURNING SmNum) SELECT SmNum FROM gone",
         "не только читает данные"},
        {"SELECT set_config('statement_timeout', '0', false) AS Lifted",
         "permission denied for function set_config"},
    };
    for (const auto& [sql, reason] : clientTexts) {
        ClientDataSet query("cdsQuery");
        bound(query, workplace, "PrxLogProvider").CommandText = sql;
        EXPECT_THAT([&] { query.Open(); }, ThrowsMessage<appserver::ServerError>(HasSubstr(reason)))
            << sql;
    }
    EXPECT_EQ(recordsOf(workplace, "SmLogProvider"), 120);
    // What a query writes where a read-only transaction does not look is not kept either.
    {
        ClientDataSet made("cdsMade");
        bound(made, workplace, "PrxLogProvider").CommandText = "SELECT lo_create(0) AS Made";
        made.Open();
    }
    appserver::Statement kept(
        appserver::openPostgresDatabase(station_->admin(), appserver::Access::ReadWrite),
        "SELECT COUNT(*) FROM pg_largeobject_metadata");
    kept.step();
    EXPECT_EQ(kept.integer(0), 0);

    const auto write = [](const std::string& conninfo, const std::string& sql) {
        appserver::openPostgresDatabase(conninfo, appserver::Access::ReadWrite)->execute(sql);
    };
    const auto refused = ThrowsMessage<appserver::ServerError>(HasSubstr("permission denied"));
    EXPECT_THAT([&] { write(station_->workplace(), "UPDATE SmLog SET Operator = 'x'"); }, refused);
    EXPECT_THAT([&] { write(station_->console(), "DELETE FROM Trk"); }, refused);
    EXPECT_NO_THROW(
        write(station_->console(),
              "INSERT INTO SmLog (SmNum, BegTime, Operator) VALUES (100000, 45500, 'Иванов')"));
    EXPECT_NO_THROW(
        write(station_->console(), "UPDATE SmLog SET EndTime = 45500.5 WHERE SmNum = 100000"));
}

// The server of its own cluster stops while a dataset still fetches: the runner fails with a
// clear message, its datasets close, and the next runner connects anew.
TEST_F(RemoteWorkplaceTest, AServerStoppedInTheMiddleOfAFetchFailsOnlyThatRunner) {
    const std::string script = KVT_SOURCE_DIR "/scripts/pg-test-cluster.sh";
    const test::PgCluster own{"/tmp/kvt-test-pg-own-" + std::to_string(getpid()),
                              std::to_string(std::stoi(station_->cluster().port) + 100)};
    const auto cluster = [&](const std::string& command) {
        std::vector<std::string> args{command, own.socketDir};
        if (command != "halt")
            args.push_back(own.port);
        const auto result = test::runProcess(script, args);
        ASSERT_EQ(result.exitCode, 0) << command << ": " << result.err;
    };
    cluster("start");
    struct Removed {
        std::function<void()> remove;
        ~Removed() { remove(); }
    } removed{[&] { test::runProcess(script, {"stop", own.socketDir}); }};
    useCluster(own);

    KVTServer workplace;
    onServerComputer(workplace);
    ClientDataSet pumpLog("TrkLog");
    bound(pumpLog, workplace, "TrkLogProvider").PacketRecords = 50;
    {
        ServerSession runner(workplace);
        pumpLog.Open();
        ASSERT_TRUE(pumpLog.Active());
        cluster("halt");
        EXPECT_THAT(
            [&] {
                for (pumpLog.First(); !pumpLog.Eof(); pumpLog.Next()) {
                }
            },
            ThrowsMessage<appserver::ServerError>(
                HasSubstr("связь с сервером базы данных потеряна")));
    }
    EXPECT_FALSE(pumpLog.Active());
    EXPECT_FALSE(workplace.Connected());
    EXPECT_THAT([&] { ServerSession next(workplace); },
                ThrowsMessage<ConnectionError>(::testing::StrEq(
                    std::string("Сервер RPC недоступен (") + kServerComputer + ")")));
    cluster("resume");
    ServerSession next(workplace);
    EXPECT_EQ(recordsOf(workplace, "SmLogProvider"), 120);
}

}  // namespace
}  // namespace kvt::data
