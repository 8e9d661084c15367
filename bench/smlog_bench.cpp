// Opening the shift log over 100 000 shifts and walking it: a bare sqlite3 loop over the
// provider's own query, the provider's cursor filling a record store, and a client dataset on
// the provider, walked reading every field in its own type (as the reports read them) or as a
// variant (as a grid reads them). "heldMB" is the heap the opened records hold at the end of the
// walk, "ownMB" what their values take.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "BenchStation.h"
#include "RecordBytes.h"
#include "appserver/RecordStore.h"
#include "appserver/StationServer.h"
#include "data/ClientDataSet.h"
#include "data/MConnect.h"

namespace {

namespace fs = std::filesystem;

using kvt::appserver::FieldType;

constexpr int kShifts = 100000;

const fs::path& station() {
    static const kvt::bench::BenchStation bench(kShifts);
    static const fs::path path = bench.database();
    return path;
}

void BM_BareSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(station().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the bench station");
    const std::string sql(kvt::appserver::providerQuery("SmLogProvider"));
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 0));
            benchmark::DoNotOptimize(sqlite3_column_double(statement, 1));
            benchmark::DoNotOptimize(sqlite3_column_double(statement, 2));
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 3));
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 4));
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 5));
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 6));
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 7));
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 8));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kShifts);
}
BENCHMARK(BM_BareSqlite)->Unit(benchmark::kMillisecond);

void BM_ProviderCursor(benchmark::State& state) {
    kvt::appserver::StationServer server(station());
    std::size_t held = 0;
    for (auto _ : state) {
        const auto cursor = server.openProvider("SmLogProvider", {});
        kvt::appserver::RecordStore records(cursor->fields());
        cursor->fetch(-1, records);
        records.shrinkToFit();
        held = records.heldBytes();
    }
    state.counters["heldMB"] = static_cast<double>(held) / 1048576;
    state.SetItemsProcessed(state.iterations() * kShifts);
}
BENCHMARK(BM_ProviderCursor)->Unit(benchmark::kMillisecond);

void readVariant(const kvt::data::Field& field) {
    benchmark::DoNotOptimize(field.Value());
}

template <void (*read)(const kvt::data::Field&)>
void BM_ClientDataSetOpenWalk(benchmark::State& state) {
    kvt::data::KVTServer connection;
    connection.ServerFactory = [] { return kvt::appserver::createStationServer(station()); };
    kvt::data::ClientDataSet shifts("SmLogtable");
    shifts.ProviderName = "SmLogProvider";
    shifts.SetRemoteServer(&connection);
    kvt::bench::openAndWalk(state, shifts, read);
    connection.Close();
    state.SetItemsProcessed(state.iterations() * kShifts);
}
BENCHMARK(BM_ClientDataSetOpenWalk<kvt::bench::readTyped>)
    ->Name("BM_ClientDataSetOpenWalk")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientDataSetOpenWalk<readVariant>)
    ->Name("BM_ClientDataSetOpenWalkVariants")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
