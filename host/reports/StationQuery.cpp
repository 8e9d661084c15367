#include "host/reports/StationQuery.h"

#include <stdexcept>

namespace kvt::host {

namespace {

constexpr double kCurrencyScale = 10000.0;

}  // namespace

StationQuery::StationQuery(const appserver::Connection& db, std::string_view sql)
    : statement_(db, sql) {}

StationQuery& StationQuery::bind(int index, std::int32_t value) {
    statement_.bind(index, value);
    return *this;
}

StationQuery& StationQuery::bind(int index, double value) {
    statement_.bind(index, value);
    return *this;
}

StationQuery& StationQuery::bind(int index, std::optional<double> value) {
    if (value)
        return bind(index, *value);
    statement_.bindNull(index);
    return *this;
}

StationQuery& StationQuery::bind(int index, std::string_view value) {
    statement_.bind(index, value);
    return *this;
}

bool StationQuery::isNull(int column) const {
    return statement_.isNull(column);
}

std::string StationQuery::text(int column) const {
    return std::string(statement_.text(column));
}

std::optional<double> StationQuery::number(int column) const {
    if (isNull(column))
        return std::nullopt;
    return statement_.real(column);
}

std::optional<double> StationQuery::currency(int column) const {
    const auto value = number(column);
    return value ? std::optional(*value / kCurrencyScale) : std::nullopt;
}

std::optional<std::int32_t> StationQuery::integer(int column) const {
    if (isNull(column))
        return std::nullopt;
    return static_cast<std::int32_t>(statement_.integer(column));
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
