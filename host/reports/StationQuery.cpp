#include "host/reports/StationQuery.h"

#include <sqlite3.h>

#include <stdexcept>

namespace kvt::host {

namespace {

constexpr double kCurrencyScale = 10000.0;

}  // namespace

StationQuery::StationQuery(const appserver::Connection& db, std::string_view sql)
    : statement_(db, sql) {}

StationQuery& StationQuery::bind(int index, std::int32_t value) {
    sqlite3_bind_int(statement_.get(), index, value);
    return *this;
}

StationQuery& StationQuery::bind(int index, double value) {
    sqlite3_bind_double(statement_.get(), index, value);
    return *this;
}

StationQuery& StationQuery::bind(int index, std::optional<double> value) {
    if (value)
        return bind(index, *value);
    sqlite3_bind_null(statement_.get(), index);
    return *this;
}

StationQuery& StationQuery::bind(int index, std::string_view value) {
    // An empty view may point nowhere, and a null pointer would bind NULL instead of ''.
    sqlite3_bind_text(statement_.get(), index, value.empty() ? "" : value.data(),
                      static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

bool StationQuery::isNull(int column) const {
    return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

std::string StationQuery::text(int column) const {
    const auto* value =
        reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column));
    return value != nullptr ? std::string(value) : std::string();
}

std::optional<double> StationQuery::number(int column) const {
    if (isNull(column))
        return std::nullopt;
    return sqlite3_column_double(statement_.get(), column);
}

std::optional<double> StationQuery::currency(int column) const {
    const auto value = number(column);
    return value ? std::optional(*value / kCurrencyScale) : std::nullopt;
}

std::optional<std::int32_t> StationQuery::integer(int column) const {
    if (isNull(column))
        return std::nullopt;
    return sqlite3_column_int(statement_.get(), column);
}

StationIdentity readStationIdentity(const appserver::Connection& db) {
    StationQuery station(db, "SELECT Name, Number FROM Station LIMIT 1");
    if (!station.next())
        return {};
    return {station.text(0), station.integer(1)};
}

std::int32_t latestShift(const appserver::Connection& db) {
    StationQuery query(db, "SELECT MAX(SmNum) FROM SmLog");
    query.next();
    const auto latest = query.integer(0);
    if (!latest)
        throw std::runtime_error("Журнал смен пуст: текущей смены нет");
    return *latest;
}

}  // namespace kvt::host
