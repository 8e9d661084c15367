#pragma once

// A fresh station root with a demo station database generated into it: a SQLite file, or a
// database of the tests' PostgreSQL cluster, to which the workplaces' and the console's roles
// have their rights.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "appserver/DemoData.h"
#include "appserver/StationServer.h"
#include "support/PgCluster.h"
#include "support/TestRoot.h"

namespace kvt::test {

class StationTest : public FreshRoot {
protected:
    explicit StationTest(appserver::Engine engine = appserver::Engine::SQLite) : engine_(engine) {}

    void SetUp() override {
        FreshRoot::SetUp();
        if (engine_ == appserver::Engine::SQLite) {
            database_ = base() / "station.db";
            appserver::writeDemoDatabase(database_);
            return;
        }
        const auto cluster = PgCluster::ofBuild();
        if (!cluster)
            GTEST_SKIP() << "built without a PostgreSQL cluster for the tests";
        postgres_.emplace(*cluster);
        writeDemoStation(*postgres_);
        database_ = postgres_->workplace();
    }

    appserver::Engine engine() const { return engine_; }
    // The station database: a file, or the PostgreSQL database as the workplaces' role reads it.
    const std::filesystem::path& database() const { return database_; }
    // The PostgreSQL database, on that engine only.
    const PgTestDatabase& postgres() const { return *postgres_; }

    // Every record of a provider call.
    static std::vector<appserver::Row> records(appserver::AppServer& server,
                                               const std::string& provider,
                                               const appserver::ProviderRequest& request = {}) {
        return appserver::fetchRows(*server.openProvider(provider, request), -1);
    }

    // One column of every record.
    static std::vector<Variant> column(const std::vector<appserver::Row>& rows, std::size_t index) {
        std::vector<Variant> values;
        for (const auto& row : rows)
            values.push_back(row.at(index));
        return values;
    }

private:
    appserver::Engine engine_;
    std::optional<PgTestDatabase> postgres_;
    std::filesystem::path database_;
};

// A suite run on both engines: INSTANTIATE_TEST_SUITE_P(Engines, Suite, bothEngines(),
// engineName).
class EngineStationTest : public StationTest,
                          public ::testing::WithParamInterface<appserver::Engine> {
protected:
    EngineStationTest() : StationTest(GetParam()) {}
};

}  // namespace kvt::test
