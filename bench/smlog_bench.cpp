// Opening the shift log over 100 000 shifts and walking it: a bare sqlite3 loop over the
// provider's own query, the provider's cursor, and a client dataset on the provider. The
// "heldMB" counter is the heap the opened record set still holds at the end of the walk.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "BenchStation.h"
#include "appserver/StationServer.h"
#include "data/ClientDataSet.h"
#include "data/MConnect.h"

namespace {

namespace fs = std::filesystem;

constexpr int kShifts = 100000;

const fs::path& station() {
    static const kvt::bench::BenchStation bench(kShifts);
    static const fs::path path = bench.database();
    return path;
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void reportHeld(benchmark::State& state, std::size_t before, std::size_t after) {
    state.counters["heldMB"] = after > before ? static_cast<double>(after - before) / 1048576 : 0;
    state.SetItemsProcessed(state.iterations() * kShifts);
}

void BM_BareSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(station().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the bench station");
    const std::string sql(kvt::appserver::providerQuery("SmLogProvider"));
    std::size_t before = 0;
    std::size_t after = 0;
    for (auto _ : state) {
        before = heapInUse();
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
        after = heapInUse();
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    reportHeld(state, before, after);
}
BENCHMARK(BM_BareSqlite)->Unit(benchmark::kMillisecond);

void BM_ProviderCursor(benchmark::State& state) {
    kvt::appserver::StationServer server(station());
    std::size_t before = 0;
    std::size_t after = 0;
    for (auto _ : state) {
        before = heapInUse();
        auto rows = kvt::appserver::fetchRows(*server.openProvider("SmLogProvider", {}), -1);
        benchmark::DoNotOptimize(rows.data());
        after = heapInUse();
    }
    reportHeld(state, before, after);
}
BENCHMARK(BM_ProviderCursor)->Unit(benchmark::kMillisecond);

void BM_ClientDataSetOpenWalk(benchmark::State& state) {
    kvt::data::KVTServer connection;
    connection.ServerFactory = [] { return kvt::appserver::createStationServer(station()); };
    kvt::data::ClientDataSet shifts("SmLogtable");
    shifts.ProviderName = "SmLogProvider";
    shifts.SetRemoteServer(&connection);
    std::size_t before = 0;
    std::size_t after = 0;
    for (auto _ : state) {
        before = heapInUse();
        shifts.Open();
        const auto fields = shifts.Fields();
        for (shifts.First(); !shifts.Eof(); shifts.Next()) {
            for (const auto* field : fields)
                benchmark::DoNotOptimize(field->Value());
        }
        after = heapInUse();
        shifts.Close();
    }
    connection.Close();
    reportHeld(state, before, after);
}
BENCHMARK(BM_ClientDataSetOpenWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
