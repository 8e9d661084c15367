#pragma once
// A demo station database for one benchmark run, in a private temporary folder removed at exit.
#include <sqlite3.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"

namespace kvt::bench {

class BenchStation {
public:
    explicit BenchStation(int shifts) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kvt-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        appserver::writeDemoDatabase(database(), {shifts, 1});
    }
    ~BenchStation() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    BenchStation(const BenchStation&) = delete;
    BenchStation& operator=(const BenchStation&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path database() const { return folder_ / "station.db"; }

private:
    std::filesystem::path folder_;
};

// Makes the log of `pump` hold exactly `operations` operations, one a minute, with every kind of
// value the pump log window names or does not know: orders and deliveries, short deliveries,
// change, unknown and "no value" codes, rows without a fuel grade, payment types of the table
// and others, every dose kind. One transaction: a million rows take seconds.
inline void fillPumpLog(const std::filesystem::path& database, const std::string& pump,
                        int operations) {
    constexpr double kFirstDay = 45352.0;  // 01.03.2024
    constexpr double kMinute = 1.0 / 1440;
    constexpr std::array<const char*, 4> kGrades{"АИ-92", "АИ-95", "ДТ", "АИ-80"};
    constexpr std::array<int, 10> kOperations{0, 3, 0, 1, 2, 0, 4, 5, 129, 999};
    constexpr std::array<int, 5> kDoses{0, 1, 2, 0, 4};
    const appserver::Connection db = appserver::openStationDatabase(
        database, appserver::kDefaultBusyTimeout, appserver::Access::ReadWrite);
    appserver::Transaction transaction(db);
    appserver::Statement clear(db, "DELETE FROM Trk WHERE Trk = ?1");
    clear.bind(1, std::string_view(pump)).step();
    appserver::Statement insert(db,
                                "INSERT INTO Trk (Trk, Time, Client, Gsm, Operation, Op1, "
                                "AutoMobil, Op2, Liters, Summa) VALUES (?1, ?2, ?3, ?4, ?5, ?6, "
                                "?7, ?8, ?9, ?10)");
    for (int i = 0; i < operations; ++i) {
        const double liters = 5 + (i % 600) / 10.0;
        const std::string car = i % 3 == 0 ? "А" + std::to_string(100 + i % 900) + "ВС" : "";
        insert.bind(1, std::string_view(pump))
            .bind(2, kFirstDay + i * kMinute)
            .bind(3, std::int32_t{1 + i % 4})
            .bind(4, i % 10 == 7 ? "" : kGrades[i % kGrades.size()])
            .bind(5, std::int32_t{kOperations[i % kOperations.size()]})
            .bind(6, std::int32_t{i % 11 == 0 ? 999 : i % 15})
            .bind(7, std::string_view(car))
            .bind(8, std::int32_t{i % 17 == 0 ? 256 : kDoses[i % kDoses.size()]})
            .bind(9, liters)
            .bind(10, liters * 54.6)
            .step();
        insert.reset();
    }
    transaction.commit();
}

}  // namespace kvt::bench
