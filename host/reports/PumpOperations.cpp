#include "host/reports/PumpOperations.h"

namespace kvt::host {

namespace {

constexpr std::int32_t kStepMask = 127;
constexpr std::int32_t kDelivered = 3;
constexpr std::int32_t kEmergencyStop = 6;
constexpr std::int32_t kOverfill = 7;

}  // namespace

std::optional<std::int32_t> pumpStep(std::optional<std::int32_t> operation) {
    if (!operation)
        return std::nullopt;
    return *operation & kStepMask;
}

bool endsDelivery(std::optional<std::int32_t> operation) {
    const auto step = pumpStep(operation);
    return step == kDelivered || step == kPumpShortDelivery || step == kEmergencyStop ||
           step == kOverfill;
}

}  // namespace kvt::host
