// The pump log window on a pump with 1 000 000 operations: opening it as the pump's shortcut
// does (the server connected, the log's first packet fetched, the text handlers installed, the
// window shown and its first screen drawn, then the log closed and the server let go), against
// a bare sqlite3 read of the same first packet: the database opened, the provider's own query
// prepared for the pump and its 101 rows stepped through with every column read. The window
// fetches only that first packet, so the length of the log should not show in its figure.
// "heldMB" is the heap the open log's records hold, "ownMB" what their values take.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QImage>

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "BenchStation.h"
#include "RecordBytes.h"
#include "WidgetBenchMain.h"
#include "appserver/StationServer.h"
#include "data/DBForm.h"
#include "plugin/KVTRep.h"
#include "reports/uTRKHistory.h"

namespace {

constexpr int kOperations = 1000000;
constexpr int kFirstPacket = 101;
constexpr const char* kPump = "1";

// A one-shift demo station whose pump "1" has the long log.
class PumpLogStation {
public:
    PumpLogStation() { kvt::bench::fillPumpLog(station_.database(), kPump, kOperations); }
    const kvt::bench::BenchStation& station() const { return station_; }

private:
    kvt::bench::BenchStation station_{1};
};

const kvt::bench::BenchStation& benchStation() {
    static const PumpLogStation bench;
    return bench.station();
}

void BM_BareSqliteFirstPacket(benchmark::State& state) {
    const std::string database = benchStation().database().string();
    const std::string sql(kvt::appserver::providerQuery("TrkLogProvider"));
    for (auto _ : state) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open the bench station");
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        sqlite3_bind_text(statement, sqlite3_bind_parameter_index(statement, ":TrkName"), kPump, -1,
                          SQLITE_STATIC);
        int rows = 0;
        while (rows < kFirstPacket && sqlite3_step(statement) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_double(statement, 0));
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 1));
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 2));
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 3));
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 4));
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 5));
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 6));
            benchmark::DoNotOptimize(sqlite3_column_double(statement, 7));
            benchmark::DoNotOptimize(sqlite3_column_double(statement, 8));
            ++rows;
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        if (rows != kFirstPacket)
            throw std::runtime_error("the bench station's pump log is short");
    }
}
BENCHMARK(BM_BareSqliteFirstPacket)->Unit(benchmark::kMicrosecond);

// What ShowPumpLog does around the operator's look at the window, the modal loop left out.
void BM_OpenPumpLogWindow(benchmark::State& state) {
    kvt::data::TDBFrm db;
    db.KVTServer.ServerFactory = [] {
        return kvt::appserver::createStationServer(benchStation().database());
    };
    int rows = 0;
    for (auto _ : state) {
        kvt::reports::TfmTRKHistory form(db);
        form.OpenLog(kPump);
        form.show();
        QImage screen(form.DBGrid1.size(), QImage::Format_RGB32);
        form.DBGrid1.render(&screen);
        benchmark::DoNotOptimize(screen.constBits());
        rows = db.TrkLog.RecordCount();
        db.TrkLog.Close();
        db.KVTServer.Close();
    }
    if (rows != kFirstPacket)
        throw std::runtime_error("the window did not show the log's first packet");
    kvt::reports::TfmTRKHistory form(db);
    form.OpenLog(kPump);
    kvt::bench::reportRecordBytes(state, db.TrkLog);
    db.TrkLog.Close();
    db.KVTServer.Close();
}
BENCHMARK(BM_OpenPumpLogWindow)->Unit(benchmark::kMicrosecond);

// The payment-type names come from the plug-in's module, as the host's first SetNewUserPriv
// leaves them: the default captions, with no host list.
void loadPluginModule() {
    kvt::plugin::LoadModule();
    kvt::plugin::module().GetHostValue = [](kvt::Variant& result, std::int32_t) {
        result = kvt::Variant();
    };
    kvt::plugin::UpdateVidOpl();
}

}  // namespace

int main(int argc, char** argv) {
    // The module's log and folders are the bench's own, not the runner's.
    const std::filesystem::path home = benchStation().folder();
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("KVT_ROOT", (home / "root").c_str(), 1);
    loadPluginModule();
    const int result = kvt::bench::runWidgetBenchmarks(argc, argv);
    kvt::plugin::UnloadModule();
    return result;
}
