#pragma once
// The station's fuel receipts and pump-outs (table Prx), as the shift report and the receipt and
// pump-out logs read them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appserver/StationDatabase.h"

namespace kvt::host {

struct FuelOperationRow {
    bool receipt = true;
    std::int32_t opNum = 0;
    std::optional<double> date;
    std::optional<std::int32_t> shift;
    std::optional<double> begin;
    std::optional<double> end;
    std::string operatorName;
    std::string grade;
    std::string tank;
    std::string car;
    std::optional<double> volume;  // by the waybill
    std::optional<double> levelBefore;
    std::optional<double> levelAfter;
    std::optional<double> fact;
    std::optional<double> tolerance;
    std::optional<double> delta;
    std::optional<double> specificWeight;
    std::optional<double> density;
    std::optional<double> temperature;
    std::string note;
};

// The operations of a range of shifts or of operation numbers (both ends included; a range whose
// first end is above its last holds nothing), receipts, pump-outs or both.
struct FuelOperationSelection {
    enum class By { Shift, Operation };
    By by = By::Shift;
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::optional<bool> receipt;  // none: both
};

// By operation number.
std::vector<FuelOperationRow> readFuelOperations(const appserver::Connection& db,
                                                 const FuelOperationSelection& selection);

}  // namespace kvt::host
