#include "host/station/ShiftLog.h"

#include <sqlite3.h>

#include <optional>

#include "appserver/StationDatabase.h"

namespace kvt::station {

namespace {

std::optional<std::int32_t> firstNumber(const appserver::Connection& db, std::string_view sql) {
    appserver::Statement statement(db, sql);
    if (!statement.step())
        return std::nullopt;
    return sqlite3_column_int(statement.get(), 0);
}

}  // namespace

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
