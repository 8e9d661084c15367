#pragma once
// Reading the station database for the console's reports: one statement with typed access to its
// columns, and the few records every report heads its page with.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "appserver/StationDatabase.h"

namespace kvt::host {

// One statement; a NULL column reads as empty.
class StationQuery {
public:
    StationQuery(const appserver::Connection& db, std::string_view sql);

    StationQuery& bind(int index, std::int32_t value);
    StationQuery& bind(int index, double value);
    StationQuery& bind(int index, std::optional<double> value);
    StationQuery& bind(int index, std::string_view value);

    bool next() { return statement_.step(); }

    bool isNull(int column) const;
    std::string text(int column) const;
    std::optional<double> number(int column) const;
    // Currency columns hold ten-thousandths.
    std::optional<double> currency(int column) const;
    std::optional<std::int32_t> integer(int column) const;

private:
    appserver::Statement statement_;
};

struct StationIdentity {
    std::string name;
    std::optional<std::int32_t> number;
};

// The station's name and number; empty when the database names no station.
StationIdentity readStationIdentity(const appserver::Connection& db);

// The latest shift of the shift log: the current one when the console names none. Throws
// std::runtime_error when the log is empty.
std::int32_t latestShift(const appserver::Connection& db);

}  // namespace kvt::host
