#pragma once
// A report entry run from the menu to the viewer through the test host: the station database
// the in-process server reads, scripted forms, and what the console was asked.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "appserver/StationDatabase.h"
#include "appserver/StationServer.h"
#include "dialogs/SmenaListForm.h"
#include "host/kit/DialogScript.h"
#include "plugin/PluginFixture.h"
#include "reports/Reports.h"
#include "support/StationLog.h"

namespace kvt::test {

class RunnerTest : public PluginTest {
protected:
    // Host values of an open shift 77 on the server's own computer, for an operator of `level`.
    void startRunners(int level = 3, int pumps = 2) {
        module().Runners = std::make_unique<reports::Runners>();
        host().values.set(0, Variant(true));
        host().values.set(11, Variant(std::int32_t{1}));
        host().values.set(12, Variant(std::int32_t{77}));
        host().values.set(15, Variant(std::int32_t{level}));
        startHost(pumps);
        module().DBFrm->KVTServer.ServerFactory = [] {
            return appserver::createStationServer(appserver::defaultStationDatabase());
        };
    }

    // More rows for the station database writeStationLog made.
    static void addToStation(const std::string& sql) {
        const appserver::Connection db = appserver::openStationDatabase(
            appserver::defaultStationDatabase(), appserver::kDefaultBusyTimeout,
            appserver::Access::ReadWrite);
        appserver::execute(db, "BEGIN;" + sql + "COMMIT;");
    }

    // Clicks the entry with the script acting on the forms; returns the events of the forms.
    std::vector<std::string> run(const std::string& entry, const std::string& script) {
        std::vector<std::string> events;
        host::DialogScript driver(host::DialogScript::parse(script),
                                  [&events](const std::string& line) { events.push_back(line); });
        host::MemoryMenuItem& item = host().entry(entry);
        item.onClick()(item);
        driver.finish();
        return events;
    }

    // "N PARAMS" per report asked, in order.
    std::vector<std::string> calls() {
        std::vector<std::string> result;
        for (const auto& call : host().reportCalls)
            result.push_back(std::to_string(call.reportNo) + " " + call.params);
        return result;
    }

    void expectCleanedUp() {
        EXPECT_EQ(dialogs::CurrentSmenaListFrm(), nullptr);
        EXPECT_FALSE(module().DBFrm->SmLogtable.Active());
        EXPECT_FALSE(module().DBFrm->KVTServer.Connected());
    }
};

inline std::vector<TestShift> shifts(std::initializer_list<int> numbers) {
    std::vector<TestShift> result;
    for (const int n : numbers)
        result.push_back({n, 100.0 + n, 100.5 + n});
    return result;
}

}  // namespace kvt::test
