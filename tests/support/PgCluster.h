#pragma once

// The tests' PostgreSQL cluster (scripts/pg-test-cluster.sh, started by CTest before the tests
// that need it): where it listens, and a new database of its own for each test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <string>

#include "appserver/DatabaseEngine.h"
#include "appserver/DemoData.h"

namespace kvt::test {

struct PgCluster {
    std::string socketDir;
    std::string port;

    // The build's cluster, which CTest starts before the tests; nothing for a test program
    // built without one.
    static std::optional<PgCluster> ofBuild() {
#if defined(KVT_TEST_PG_HOST) && defined(KVT_TEST_PG_PORT)
        return PgCluster{KVT_TEST_PG_HOST, KVT_TEST_PG_PORT};
#else
        return std::nullopt;
#endif
    }

    // The superuser over the Unix socket, without a password.
    std::string admin(const std::string& dbname) const {
        return "host=" + socketDir + " port=" + port + " user=kvt_admin dbname=" + dbname;
    }
    // A role over TCP with its password, as a workplace on another computer connects.
    std::string overTcp(const std::string& role, const std::string& password,
                        const std::string& dbname) const {
        return "host=127.0.0.1 port=" + port + " user=" + role + " password=" + password +
               " dbname=" + dbname;
    }
    std::string workplace(const std::string& dbname) const {
        return overTcp("kvt_workplace", "workplace", dbname);
    }
    std::string console(const std::string& dbname) const {
        return overTcp("kvt_console", "console", dbname);
    }
};

// An empty database of the cluster, dropped with whatever still connects to it.
class PgTestDatabase {
public:
    explicit PgTestDatabase(PgCluster cluster) : cluster_(std::move(cluster)) {
        static std::atomic<int> counter{0};
        name_ = "kvt_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        run("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        run("CREATE DATABASE " + name_);
    }
    ~PgTestDatabase() {
        try {
            run("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (const std::exception&) {
            // A cluster stopped by the test drops its databases with it at the end of the run.
        }
    }
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    const PgCluster& cluster() const { return cluster_; }
    const std::string& name() const { return name_; }
    std::string admin() const { return cluster_.admin(name_); }
    std::string workplace() const { return cluster_.workplace(name_); }
    std::string console() const { return cluster_.console(name_); }

private:
    void run(const std::string& sql) const {
        appserver::openPostgresDatabase(cluster_.admin("postgres"), appserver::Access::ReadWrite)
            ->execute(sql);
    }

    PgCluster cluster_;
    std::string name_;
};

// The demo station in the database, its roles given their rights as on a station's server.
inline void writeDemoStation(const PgTestDatabase& database) {
    appserver::writeDemoDatabase(database.admin());
    appserver::grantStationRoles(
        appserver::openStationDatabase(database.admin(), appserver::kDefaultBusyTimeout,
                                       appserver::Access::ReadWrite),
        "kvt_workplace", "kvt_console");
}

// The engines a suite runs on: INSTANTIATE_TEST_SUITE_P(Engines, Suite, bothEngines(),
// engineName).
inline auto bothEngines() {
    return ::testing::Values(appserver::Engine::SQLite, appserver::Engine::PostgreSQL);
}

inline std::string engineName(const ::testing::TestParamInfo<appserver::Engine>& info) {
    return info.param == appserver::Engine::SQLite ? "SQLite" : "PostgreSQL";
}

}  // namespace kvt::test
