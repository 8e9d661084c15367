// Opening and walking the shift log of 100 000 shifts and a pump log of 1 000 000 operations on
// each engine: a client dataset on the provider, every field read in its own type as the
// reports read them, against a bare loop of the engine's own library over the provider's query
// with every column read (sqlite3 in its types; libpq parsing each text into its type). Both
// engines hold the same rows. The PostgreSQL cluster is the bench's own, on a Unix socket, made
// at the start and removed at the end. "heldMB" is the heap the opened records hold, "ownMB"
// what their values take.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "RecordBytes.h"
#include "appserver/DatabaseEngine.h"
#include "appserver/StationServer.h"
#include "data/ClientDataSet.h"
#include "data/MConnect.h"

namespace {

namespace fs = std::filesystem;

using kvt::appserver::FieldType;

constexpr int kShifts = 100000;
constexpr int kOperations = 1000000;
constexpr const char* kPump = "1";

// One text for both engines: a recursive count instead of either engine's series function.
const std::string kCount =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
    "i < ?1) ";
const std::string kFillShifts =
    "INSERT INTO SmLog (SmNum, BegTime, EndTime, Operator, InKKM, OutKKM, SummaTovary, "
    "Operator2, Operator3) " +
    kCount +
    "SELECT i, 45000 + i * 0.5, CASE WHEN i < ?1 THEN 45000 + i * 0.5 + 0.49 END, "
    "'Оператор ' || (i % 7), i * 10000, (i + 1) * 10000, i * 1234, "
    "CASE WHEN i % 5 = 0 THEN 'Сменщик ' || (i % 3) END, NULL FROM n";
const std::string kFillPumpLog =
    "INSERT INTO Trk (Trk, Time, Client, Gsm, Operation, Op1, AutoMobil, Op2, Liters, Summa) " +
    kCount +
    "SELECT '1', 45000 + i / 1440.0, 1 + i % 4, CASE i % 4 WHEN 0 THEN 'АИ-92' WHEN 1 THEN "
    "'АИ-95' WHEN 2 THEN 'ДТ' END, i % 10, i % 15, CASE WHEN i % 3 = 0 THEN 'А' || (100 + i % "
    "900) || 'ВС' END, i % 5, 5 + (i % 600) / 10.0, (5 + (i % 600) / 10.0) * 54.6 FROM n";

void fill(const kvt::appserver::Connection& db) {
    kvt::appserver::Transaction transaction(db);
    kvt::appserver::Statement(db, kFillShifts).bind(1, kShifts).step();
    kvt::appserver::Statement(db, kFillPumpLog).bind(1, kOperations).step();
    transaction.commit();
}

void runScript(const std::vector<std::string>& args) {
    std::string command = "'" KVT_SOURCE_DIR "/scripts/pg-test-cluster.sh'";
    for (const auto& arg : args)
        command += " '" + arg + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("pg-test-cluster.sh failed: " + command);
}

// The same station in a SQLite file and in a PostgreSQL database.
class Stations {
public:
    Stations() {
        std::string pattern = (fs::temp_directory_path() / "kvt-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        clusterDir_ = "/tmp/kvt-bench-pg-" + std::to_string(getpid());
        runScript({"start", clusterDir_, kPort});
        kvt::appserver::openPostgresDatabase(admin("postgres"), kvt::appserver::Access::ReadWrite)
            ->execute("CREATE DATABASE bench");
        fill(kvt::appserver::createStationDatabase(sqlite()));
        fill(kvt::appserver::createStationDatabase(postgres()));
    }
    ~Stations() {
        std::error_code ignored;
        try {
            runScript({"stop", clusterDir_});
        } catch (const std::exception&) {
        }
        fs::remove_all(folder_, ignored);
    }
    Stations(const Stations&) = delete;
    Stations& operator=(const Stations&) = delete;

    fs::path sqlite() const { return folder_ / "station.db"; }
    std::string postgres() const { return admin("bench"); }

private:
    static constexpr const char* kPort = "55500";
    std::string admin(const std::string& db) const {
        return "host=" + clusterDir_ + " port=" + kPort + " user=kvt_admin dbname=" + db;
    }

    fs::path folder_;
    std::string clusterDir_;
};

const Stations& stations() {
    static const Stations made;
    return made;
}

struct Log {
    const char* provider;
    int rows;
};
constexpr Log kShiftLog{"SmLogProvider", kShifts};
constexpr Log kPumpLog{"TrkLogProvider", kOperations};

std::string queryOf(const Log& log, bool postgres) {
    std::string sql(kvt::appserver::providerQuery(log.provider));
    if (log.rows == kOperations)
        sql.replace(sql.find(":TrkName"), 8, postgres ? "$1" : "?1");
    return sql;
}

void countRows(benchmark::State& state, const Log& log) {
    state.SetItemsProcessed(state.iterations() * log.rows);
}

template <const Log& log>
void BM_BareSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(stations().sqlite().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open the bench station");
    const std::string sql = queryOf(log, false);
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, kPump, -1, SQLITE_STATIC);
        const int columns = sqlite3_column_count(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(statement, i)) {
                    case SQLITE_INTEGER:
                        benchmark::DoNotOptimize(sqlite3_column_int64(statement, i));
                        break;
                    case SQLITE_FLOAT:
                        benchmark::DoNotOptimize(sqlite3_column_double(statement, i));
                        break;
                    default:
                        benchmark::DoNotOptimize(sqlite3_column_text(statement, i));
                }
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    countRows(state, log);
}

// The whole result in one round trip, each value parsed into the type its column has.
template <const Log& log>
void BM_BareLibpq(benchmark::State& state) {
    PGconn* conn = PQconnectdb(stations().postgres().c_str());
    if (PQstatus(conn) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(conn));
    const std::string sql = queryOf(log, true);
    const char* values[] = {kPump};
    for (auto _ : state) {
        PGresult* result = PQexecParams(conn, sql.c_str(), log.rows == kOperations ? 1 : 0, nullptr,
                                        values, nullptr, nullptr, 0);
        const int rows = PQntuples(result);
        const int columns = PQnfields(result);
        for (int row = 0; row < rows; ++row) {
            for (int i = 0; i < columns; ++i) {
                if (PQgetisnull(result, row, i))
                    continue;
                const char* text = PQgetvalue(result, row, i);
                const char* end = text + PQgetlength(result, row, i);
                const Oid type = PQftype(result, i);
                if (type == 701) {
                    double number = 0;
                    std::from_chars(text, end, number);
                    benchmark::DoNotOptimize(number);
                } else if (type == 20 || type == 21 || type == 23) {
                    std::int64_t number = 0;
                    std::from_chars(text, end, number);
                    benchmark::DoNotOptimize(number);
                } else {
                    benchmark::DoNotOptimize(text);
                }
            }
        }
        PQclear(result);
    }
    PQfinish(conn);
    countRows(state, log);
}

template <const Log& log, bool postgres>
void BM_DataSetOpenWalk(benchmark::State& state) {
    const fs::path database = postgres ? fs::path(stations().postgres()) : stations().sqlite();
    kvt::data::KVTServer connection;
    connection.ServerFactory = [database] { return kvt::appserver::createStationServer(database); };
    kvt::data::ClientDataSet dataSet("cdsLog");
    dataSet.ProviderName = log.provider;
    dataSet.SetRemoteServer(&connection);
    if (log.rows == kOperations)
        dataSet.Params().CreateParam("TrkName", FieldType::String, kvt::Variant(kPump));
    kvt::bench::openAndWalk(state, dataSet, kvt::bench::readTyped);
    connection.Close();
    countRows(state, log);
}

BENCHMARK(BM_BareSqlite<kShiftLog>)->Name("ShiftLog/BareSqlite")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataSetOpenWalk<kShiftLog, false>)
    ->Name("ShiftLog/DataSetOnSqlite")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibpq<kShiftLog>)->Name("ShiftLog/BareLibpq")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataSetOpenWalk<kShiftLog, true>)
    ->Name("ShiftLog/DataSetOnPostgres")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSqlite<kPumpLog>)->Name("PumpLog/BareSqlite")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataSetOpenWalk<kPumpLog, false>)
    ->Name("PumpLog/DataSetOnSqlite")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibpq<kPumpLog>)->Name("PumpLog/BareLibpq")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataSetOpenWalk<kPumpLog, true>)
    ->Name("PumpLog/DataSetOnPostgres")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
