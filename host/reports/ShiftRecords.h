#pragma once
// The station database's records behind a shift report: the shifts of the range, the station's
// equipment, the pump log of the shifts' time span and the fuel receipts and pump-outs of the
// shifts, read in one go through a read-only connection.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "appserver/PayTypes.h"
#include "host/reports/FuelOperations.h"
#include "host/reports/ShiftReportRequest.h"

namespace kvt::host {

// The shifts a report covers: a range, or the current shift, by number when the console knows
// one and otherwise the latest shift of the log.
struct ShiftChoice {
    std::optional<ShiftRange> range;
    bool current = false;
};

struct ShiftRow {
    std::int32_t number = 0;
    double begin = 0;
    std::optional<double> end;           // none while the shift is open
    std::vector<std::string> operators;  // the shift's operators, first one first
    std::optional<double> cashIn;
    std::optional<double> cashOut;
    std::optional<double> goods;
};

struct GradeRow {
    std::string name;
    double price = 0;
};

struct TankRow {
    std::int32_t id = 0;
    std::string name;
    std::string grade;
    double capacity = 0;
};

struct NozzleRow {
    std::string pump;
    std::int32_t position = 0;
    std::string grade;
    double price = 0;
    std::int32_t tank = 0;
};

// One line of a pump's log (table Trk); missing codes stay empty.
struct PumpLogRow {
    std::string pump;
    double time = 0;
    std::string grade;
    std::optional<std::int32_t> operation;
    std::optional<std::int32_t> payment;
    std::string customer;
    double liters = 0;
    double summa = 0;
};

struct ShiftRecords {
    std::string stationName;
    std::optional<std::int32_t> stationNumber;
    std::vector<ShiftRow> shifts;  // by number, never empty
    std::vector<GradeRow> grades;
    std::vector<TankRow> tanks;                    // by id
    std::vector<NozzleRow> nozzles;                // by pump number, then position
    std::vector<PumpLogRow> pumpLog;               // by time
    std::vector<FuelOperationRow> fuelOperations;  // by operation number
    std::vector<appserver::PayTypeRow> payTypes;
    std::map<std::string, std::string> vehicleOwners;  // plate -> organisation
};

// Throws std::runtime_error naming the shifts when the log has none of them, and
// appserver::ServerError when the database cannot be read.
ShiftRecords readShiftRecords(const std::filesystem::path& database, const ShiftChoice& choice);

}  // namespace kvt::host
