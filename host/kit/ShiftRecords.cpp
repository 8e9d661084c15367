#include "host/kit/ShiftRecords.h"

#include <sqlite3.h>

#include <stdexcept>

#include "appserver/StationDatabase.h"

namespace kvt::host {

namespace {

// Currency columns hold ten-thousandths.
constexpr double kCurrencyScale = 10000.0;

// One statement with typed access to its columns; a NULL reads as empty.
class Query {
public:
    Query(const appserver::Connection& db, std::string_view sql) : statement_(db, sql) {}

    Query& bind(int index, std::int32_t value) {
        sqlite3_bind_int(statement_.get(), index, value);
        return *this;
    }
    Query& bind(int index, double value) {
        sqlite3_bind_double(statement_.get(), index, value);
        return *this;
    }
    Query& bind(int index, std::optional<double> value) {
        if (value)
            sqlite3_bind_double(statement_.get(), index, *value);
        else
            sqlite3_bind_null(statement_.get(), index);
        return *this;
    }

    bool next() { return statement_.step(); }

    bool isNull(int column) const {
        return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
    }
    std::string text(int column) const {
        const auto* value =
            reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column));
        return value != nullptr ? std::string(value) : std::string();
    }
    std::optional<double> number(int column) const {
        if (isNull(column))
            return std::nullopt;
        return sqlite3_column_double(statement_.get(), column);
    }
    std::optional<double> currency(int column) const {
        const auto value = number(column);
        return value ? std::optional(*value / kCurrencyScale) : std::nullopt;
    }
    std::optional<std::int32_t> integer(int column) const {
        if (isNull(column))
            return std::nullopt;
        return sqlite3_column_int(statement_.get(), column);
    }

private:
    appserver::Statement statement_;
};

std::string shiftsText(const ShiftChoice& choice) {
    const ShiftRange& range = *choice.range;
    if (choice.current)
        return "Текущей смены №" + std::to_string(range.first) + " нет в журнале смен";
    if (range.first == range.last)
        return "Смены №" + std::to_string(range.first) + " нет в журнале смен";
    return "В журнале смен нет смен с №" + std::to_string(range.first) + " по №" +
           std::to_string(range.last);
}

ShiftRange latestShift(const appserver::Connection& db) {
    Query query(db, "SELECT MAX(SmNum) FROM SmLog");
    query.next();
    const auto latest = query.integer(0);
    if (!latest)
        throw std::runtime_error("Журнал смен пуст: текущей смены нет");
    return ShiftRange{*latest, *latest};
}

std::vector<ShiftRow> readShifts(const appserver::Connection& db, const ShiftChoice& choice) {
    Query query(db,
                "SELECT SmNum, BegTime, EndTime, Operator, Operator2, Operator3, InKKM, OutKKM, "
                "SummaTovary FROM SmLog WHERE SmNum BETWEEN ?1 AND ?2 ORDER BY SmNum");
    query.bind(1, choice.range->first).bind(2, choice.range->last);
    std::vector<ShiftRow> shifts;
    while (query.next()) {
        ShiftRow shift{*query.integer(0), query.number(1).value_or(0), query.number(2),  {},
                       query.currency(6), query.currency(7),           query.currency(8)};
        for (const int column : {3, 4, 5}) {
            if (std::string name = query.text(column); !name.empty())
                shift.operators.push_back(std::move(name));
        }
        shifts.push_back(std::move(shift));
    }
    if (shifts.empty())
        throw std::runtime_error(shiftsText(choice));
    return shifts;
}

void readStation(const appserver::Connection& db, ShiftRecords& records) {
    Query station(db, "SELECT Name, Number FROM Station LIMIT 1");
    if (station.next()) {
        records.stationName = station.text(0);
        records.stationNumber = station.integer(1);
    }
    Query grades(db, "SELECT Name, Price FROM Gsm ORDER BY ID");
    while (grades.next())
        records.grades.push_back(GradeRow{grades.text(0), grades.currency(1).value_or(0)});
    Query tanks(db,
                "SELECT Silo.ID, Silo.Name, Gsm.Name, Silo.Capacity FROM Silo "
                "JOIN Gsm ON Gsm.ID = Silo.GsmID ORDER BY Silo.ID");
    while (tanks.next())
        records.tanks.push_back(
            TankRow{*tanks.integer(0), tanks.text(1), tanks.text(2), tanks.number(3).value_or(0)});
    Query nozzles(db,
                  "SELECT Pump.Name, Nozzle.Position, Gsm.Name, Gsm.Price, Silo.ID FROM Nozzle "
                  "JOIN Pump ON Pump.Number = Nozzle.PumpNumber "
                  "JOIN Silo ON Silo.ID = Nozzle.SiloID JOIN Gsm ON Gsm.ID = Silo.GsmID "
                  "ORDER BY Nozzle.PumpNumber, Nozzle.Position");
    while (nozzles.next())
        records.nozzles.push_back(NozzleRow{nozzles.text(0), *nozzles.integer(1), nozzles.text(2),
                                            nozzles.currency(3).value_or(0), *nozzles.integer(4)});
    Query vehicles(db, "SELECT NumberAuto, Name FROM vedAuto ORDER BY ID");
    while (vehicles.next())
        records.vehicleOwners.emplace(vehicles.text(0), vehicles.text(1));
}

// The pump log from the first shift's start to the last shift's end (open: no end).
void readPumpLog(const appserver::Connection& db, ShiftRecords& records) {
    Query query(db,
                "SELECT Trk, Time, Gsm, Operation, Op1, AutoMobil, Liters, Summa FROM Trk "
                "WHERE Time >= ?1 AND (?2 IS NULL OR Time <= ?2) ORDER BY Time, ID");
    query.bind(1, records.shifts.front().begin).bind(2, records.shifts.back().end);
    while (query.next())
        records.pumpLog.push_back(PumpLogRow{query.text(0), query.number(1).value_or(0),
                                             query.text(2), query.integer(3), query.integer(4),
                                             query.text(5), query.number(6).value_or(0),
                                             query.number(7).value_or(0)});
}

void readFuelOperations(const appserver::Connection& db, const ShiftRange& range,
                        ShiftRecords& records) {
    Query query(db,
                "SELECT Prihod, OpNum, SmNum, BegTime, EndTime, Operator, GSMName, SiloName, "
                "CarName, CarVolTTN, Fact1, Delta, FactPlotn, Temper, Prim FROM Prx "
                "WHERE SmNum BETWEEN ?1 AND ?2 ORDER BY OpNum");
    query.bind(1, range.first).bind(2, range.last);
    while (query.next())
        records.fuelOperations.push_back(
            FuelOperationRow{query.integer(0).value_or(0) != 0, *query.integer(1), query.integer(2),
                             query.number(3), query.number(4), query.text(5), query.text(6),
                             query.text(7), query.text(8), query.number(9), query.number(10),
                             query.number(11), query.number(12), query.number(13), query.text(14)});
}

}  // namespace

ShiftRecords readShiftRecords(const std::filesystem::path& database, const ShiftChoice& choice) {
    const appserver::Connection db = appserver::openStationDatabase(database);
    ShiftChoice resolved = choice;
    if (!resolved.range)
        resolved.range = latestShift(db);
    ShiftRecords records;
    records.shifts = readShifts(db, resolved);
    readStation(db, records);
    readPumpLog(db, records);
    readFuelOperations(db, *resolved.range, records);
    records.payTypes = appserver::readPayTypes(database);
    return records;
}

}  // namespace kvt::host
