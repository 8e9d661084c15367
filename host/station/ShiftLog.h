#pragma once
// The shift state the console starts with, from the station database's shift log.
#include <cstdint>
#include <filesystem>
#include <string>

#include "infra/DateTime.h"

namespace kvt::station {

struct ShiftState {
    bool open = false;
    std::int32_t current = 0;  // the open shift, else the latest one; 0 without any shift
    std::int32_t last = 0;     // the highest shift number in the log
    bool operator==(const ShiftState&) const = default;
};

// The open shift is the latest one without an end time; without one no shift is open and the
// latest shift is the current one. Throws appserver::ServerError when the database cannot be read.
ShiftState readShiftState(const std::filesystem::path& database);

// The console keeps the shift log: a shift opened at `begTime` by `operatorName`, its cash at
// the start carried over from the shift before; a shift closed at `endTime`. Each throws
// appserver::ServerError when the database cannot be written (a shift of that number that is
// already there, for one).
void recordShiftOpened(const std::filesystem::path& database, std::int32_t smNum, DateTime begTime,
                       const std::string& operatorName);
void recordShiftClosed(const std::filesystem::path& database, std::int32_t smNum, DateTime endTime);

}  // namespace kvt::station
