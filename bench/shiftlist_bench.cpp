// The shift list over 100 000 shifts: opening it (the log fetched, the grid's model, the second
// cursor and what the gap colouring learns from it, the form shown) against opening the log
// alone; and painting one screen of rows in the middle of the list with the gap colouring against
// the same rows painted without it.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTimer>

#include <stdlib.h>

#include <filesystem>
#include <functional>

#include "BenchStation.h"
#include "WidgetBenchMain.h"
#include "appserver/StationServer.h"
#include "data/DBForm.h"
#include "dialogs/SmenaListForm.h"

namespace {

constexpr int kShifts = 100000;

const kvt::bench::BenchStation& benchStation() {
    static const kvt::bench::BenchStation bench(kShifts);
    return bench;
}

const std::filesystem::path& station() {
    static const std::filesystem::path path = benchStation().database();
    return path;
}

// The data module on the bench station, connected.
class BenchData {
public:
    BenchData() {
        db.KVTServer.ServerFactory = [] { return kvt::appserver::createStationServer(station()); };
        db.KVTServer.Open();
    }
    ~BenchData() { db.KVTServer.Close(); }
    BenchData(const BenchData&) = delete;
    BenchData& operator=(const BenchData&) = delete;

    kvt::data::TDBFrm db;
};

// Runs `whileShown` while SelectSmena shows the form, then cancels it.
void withListShown(kvt::dialogs::TSmenaListFrm& form, kvt::data::TDBFrm& db,
                   const std::function<void()>& whileShown) {
    QTimer::singleShot(0, &form, [&form, &whileShown] {
        whileShown();
        form.reject();
    });
    form.SelectSmena(db.SmLogSource, db.SmLogtable);
}

void BM_OpenLogOnly(benchmark::State& state) {
    BenchData data;
    for (auto _ : state) {
        data.db.SmLogtable.Open();
        benchmark::DoNotOptimize(data.db.SmLogtable.RecordCount());
        data.db.SmLogtable.Close();
    }
    state.SetItemsProcessed(state.iterations() * kShifts);
}
BENCHMARK(BM_OpenLogOnly)->Unit(benchmark::kMillisecond);

void BM_OpenShiftList(benchmark::State& state) {
    BenchData data;
    for (auto _ : state) {
        data.db.SmLogtable.Open();
        kvt::dialogs::TSmenaListFrm& form = kvt::dialogs::SmenaListFrm(data.db);
        withListShown(form, data.db, [] {});
        kvt::dialogs::FreeSmenaListFrm();
        data.db.SmLogtable.Close();
    }
    state.SetItemsProcessed(state.iterations() * kShifts);
}
BENCHMARK(BM_OpenShiftList)->Unit(benchmark::kMillisecond);

// One screen of rows from the middle of the list, painted as the grid paints them.
void paintScreens(benchmark::State& state, bool colouring) {
    BenchData data;
    data.db.SmLogtable.Open();
    kvt::dialogs::TSmenaListFrm& form = kvt::dialogs::SmenaListFrm(data.db);
    form.resize(640, 800);
    withListShown(form, data.db, [&] {
        kvt::ui::TDBGrid& grid = form.DBGrid1;
        const kvt::ui::TDBGrid::DrawColumnCellHandler colour = grid.OnDrawColumnCell();
        if (!colouring)
            grid.SetOnDrawColumnCell(nullptr);
        grid.scrollTo(grid.model()->index(kShifts / 2, 0), QAbstractItemView::PositionAtTop);
        QImage screen(grid.viewport()->size(), QImage::Format_RGB32);
        for (auto _ : state) {
            grid.viewport()->render(&screen);
            benchmark::DoNotOptimize(screen.constBits());
        }
        state.counters["rows"] = grid.viewport()->height() / grid.rowHeight(0);
        grid.SetOnDrawColumnCell(colour);
    });
    kvt::dialogs::FreeSmenaListFrm();
}

void BM_PaintScreenPlain(benchmark::State& state) {
    paintScreens(state, false);
}
BENCHMARK(BM_PaintScreenPlain)->Unit(benchmark::kMicrosecond);

void BM_PaintScreenGapColouring(benchmark::State& state) {
    paintScreens(state, true);
}
BENCHMARK(BM_PaintScreenGapColouring)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The form keeps its placement in the user's registry: the bench's own, not the runner's.
    const std::filesystem::path home = benchStation().folder();
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("KVT_ROOT", (home / "root").c_str(), 1);
    return kvt::bench::runWidgetBenchmarks(argc, argv);
}
