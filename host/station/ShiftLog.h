#pragma once
// The shift state the console starts with, from the station database's shift log.
#include <cstdint>
#include <filesystem>

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

}  // namespace kvt::station
