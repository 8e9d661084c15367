#include "host/station/ShiftLog.h"

#include <functional>
#include <optional>
#include <string_view>

#include "appserver/StationDatabase.h"

namespace kvt::station {

namespace {

std::optional<std::int32_t> firstNumber(const appserver::Connection& db, std::string_view sql) {
    appserver::Statement statement(db, sql);
    if (!statement.step())
        return std::nullopt;
    return static_cast<std::int32_t>(statement.integer(0));
}

// Runs one statement with its bound values on a writable connection.
void write(const std::filesystem::path& database, std::string_view sql,
           const std::function<void(appserver::Statement&)>& bind) {
    const appserver::Connection db = appserver::openStationDatabase(
        database, appserver::kDefaultBusyTimeout, appserver::Access::ReadWrite);
    appserver::Statement statement(db, sql);
    bind(statement);
    statement.step();
}

}  // namespace

void recordShiftOpened(const std::filesystem::path& database, std::int32_t smNum, DateTime begTime,
                       const std::string& operatorName) {
    write(database,
          "INSERT INTO SmLog (SmNum, BegTime, Operator, InKKM) VALUES (?1, ?2, ?3, "
          "(SELECT OutKKM FROM SmLog WHERE SmNum < ?1 ORDER BY SmNum DESC LIMIT 1))",
          [&](appserver::Statement& statement) {
              statement.bind(1, smNum).bind(2, begTime).bind(3, std::string_view(operatorName));
          });
}

void recordShiftClosed(const std::filesystem::path& database, std::int32_t smNum,
                       DateTime endTime) {
    write(database, "UPDATE SmLog SET EndTime = ?2 WHERE SmNum = ?1",
          [&](appserver::Statement& statement) { statement.bind(1, smNum).bind(2, endTime); });
}

ShiftState readShiftState(const std::filesystem::path& database) {
    const appserver::Connection db = appserver::openStationDatabase(database);
    ShiftState state;
    state.last = firstNumber(db, "SELECT SmNum FROM SmLog ORDER BY SmNum DESC LIMIT 1").value_or(0);
    const std::optional<std::int32_t> open = firstNumber(
        db, "SELECT SmNum FROM SmLog WHERE EndTime IS NULL ORDER BY SmNum DESC LIMIT 1");
    state.open = open.has_value();
    state.current = open.value_or(state.last);
    return state;
}

}  // namespace kvt::station
