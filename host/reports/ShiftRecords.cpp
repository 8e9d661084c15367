#include "host/reports/ShiftRecords.h"

#include <stdexcept>

#include "appserver/StationDatabase.h"
#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

std::string shiftsText(const ShiftChoice& choice) {
    const ShiftRange& range = *choice.range;
    if (choice.current)
        return "Текущей смены №" + std::to_string(range.first) + " нет в журнале смен";
    if (range.first == range.last)
        return "Смены №" + std::to_string(range.first) + " нет в журнале смен";
    return "В журнале смен нет смен с №" + std::to_string(range.first) + " по №" +
           std::to_string(range.last);
}

std::vector<ShiftRow> readShifts(const appserver::Connection& db, const ShiftChoice& choice) {
    StationQuery query(
        db,
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
    StationIdentity station = readStationIdentity(db);
    records.stationName = std::move(station.name);
    records.stationNumber = station.number;
    StationQuery grades(db, "SELECT Name, Price FROM Gsm ORDER BY ID");
    while (grades.next())
        records.grades.push_back(GradeRow{grades.text(0), grades.currency(1).value_or(0)});
    StationQuery tanks(db,
                       "SELECT Silo.ID, Silo.Name, Gsm.Name, Silo.Capacity FROM Silo "
                       "JOIN Gsm ON Gsm.ID = Silo.GsmID ORDER BY Silo.ID");
    while (tanks.next())
        records.tanks.push_back(
            TankRow{*tanks.integer(0), tanks.text(1), tanks.text(2), tanks.number(3).value_or(0)});
    StationQuery nozzles(
        db,
        "SELECT Pump.Name, Nozzle.Position, Gsm.Name, Gsm.Price, Silo.ID FROM Nozzle "
        "JOIN Pump ON Pump.Number = Nozzle.PumpNumber "
        "JOIN Silo ON Silo.ID = Nozzle.SiloID JOIN Gsm ON Gsm.ID = Silo.GsmID "
        "ORDER BY Nozzle.PumpNumber, Nozzle.Position");
    while (nozzles.next())
        records.nozzles.push_back(NozzleRow{nozzles.text(0), *nozzles.integer(1), nozzles.text(2),
                                            nozzles.currency(3).value_or(0), *nozzles.integer(4)});
    StationQuery vehicles(db, "SELECT NumberAuto, Name FROM vedAuto ORDER BY ID");
    while (vehicles.next())
        records.vehicleOwners.emplace(vehicles.text(0), vehicles.text(1));
}

// The pump log from the first shift's start to the last shift's end (open: no end).
void readPumpLog(const appserver::Connection& db, ShiftRecords& records) {
    StationQuery query(db,
                       "SELECT Trk, Time, Gsm, Operation, Op1, AutoMobil, Liters, Summa FROM Trk "
                       "WHERE Time >= ?1 AND (?2 IS NULL OR Time <= ?2) ORDER BY Time, ID");
    query.bind(1, records.shifts.front().begin).bind(2, records.shifts.back().end);
    while (query.next())
        records.pumpLog.push_back(PumpLogRow{query.text(0), query.number(1).value_or(0),
                                             query.text(2), query.integer(3), query.integer(4),
                                             query.text(5), query.number(6).value_or(0),
                                             query.number(7).value_or(0)});
}

}  // namespace

ShiftRecords readShiftRecords(const std::filesystem::path& database, const ShiftChoice& choice) {
    const appserver::Connection db = appserver::openStationDatabase(database);
    ShiftChoice resolved = choice;
    if (!resolved.range) {
        const std::int32_t latest = latestShift(db);
        resolved.range = ShiftRange{latest, latest};
    }
    ShiftRecords records;
    records.shifts = readShifts(db, resolved);
    readStation(db, records);
    readPumpLog(db, records);
    records.fuelOperations = readFuelOperations(
        db, {FuelOperationSelection::By::Shift, resolved.range->first, resolved.range->last, {}});
    records.payTypes = appserver::readPayTypes(database);
    return records;
}

}  // namespace kvt::host
