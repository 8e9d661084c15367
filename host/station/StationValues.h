#pragma once
// What the console answers through GetHostValue and GetValue: its settings (host/kit
// HostValues), the payment types of the station database, and its own state: the operator's
// level (15), the shift (0 open, 12 current number) and the in-process server (11).
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "appserver/PayTypes.h"
#include "host/kit/HostValues.h"
#include "host/station/ShiftLog.h"

namespace kvt::station {

// An operator level outside 0..3, or a shift opened or closed twice.
class StationStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::int32_t kHighestOperatorLevel = 3;

class StationValues {
public:
    // The operator's level starts as the settings give it (code 15); no shift is open until the
    // shift log says so. Throws StationStateError when the level is not 0 to 3.
    explicit StationValues(host::HostValues settings);

    // The captions (19) and the payment-type list (57) from the station database; an empty list
    // (a database without payment types) keeps those of the settings.
    void usePayTypes(const std::vector<appserver::PayTypeRow>& payTypes);
    void useShiftState(const ShiftState& state) { shift_ = state; }

    Variant hostValue(std::int32_t code) const;
    // Code 57 with argument 0: the payment-type list; anything else Empty.
    Variant value(std::int32_t code, std::int32_t argument) const;

    std::int32_t operatorLevel() const { return level_; }
    void setOperatorLevel(std::int32_t level);
    const ShiftState& shift() const { return shift_; }
    // A new shift numbered after the highest one known.
    void openShift();
    void closeShift();

private:
    host::HostValues settings_;
    std::int32_t level_ = 0;
    ShiftState shift_;
};

}  // namespace kvt::station
