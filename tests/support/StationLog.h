#pragma once
// A station database with just the shifts and pumps a test names, at the place where the
// in-process server looks for it ($KVT_ROOT/station/station.db).
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "appserver/StationDatabase.h"
#include "platform/PathMap.h"

namespace kvt::test {

struct TestShift {
    int smNum;
    double begTime;
    double endTime;  // 0: still open
};

inline std::filesystem::path writeStationLog(const std::vector<TestShift>& shifts,
                                             const std::vector<std::string>& pumps = {}) {
    const std::filesystem::path file = platform::PathMap::root() / "station" / "station.db";
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    const appserver::Connection db = appserver::createStationDatabase(file);
    std::string sql = "BEGIN;";
    for (const TestShift& shift : shifts) {
        sql += "INSERT INTO SmLog (SmNum, BegTime, EndTime, Operator) VALUES (" +
               std::to_string(shift.smNum) + ", " + std::to_string(shift.begTime) + ", " +
               (shift.endTime == 0 ? std::string("NULL") : std::to_string(shift.endTime)) +
               ", 'Оператор " + std::to_string(shift.smNum) + "');";
    }
    int id = 1;
    for (const std::string& pump : pumps)
        sql += "INSERT INTO Trk (ID, Trk, Time) VALUES (" + std::to_string(id++) + ", '" + pump +
               "', 45000);";
    appserver::execute(db, sql + "COMMIT;");
    return file;
}

}  // namespace kvt::test
