#pragma once
// The steps of a delivery as a pump logs them (table Trk, column Operation): the low seven bits
// of the value are the step, the rest are flags of the pump's controller.
#include <cstdint>
#include <optional>

namespace kvt::host {

inline constexpr std::int32_t kPumpOrdered = 0;
inline constexpr std::int32_t kPumpShortDelivery = 4;

// The step of a logged operation; none for a line without one.
std::optional<std::int32_t> pumpStep(std::optional<std::int32_t> operation);

// Whether the line ends a delivery, so that its litres and sum are a sale: 3 "Отлито",
// 4 "Недолито", 6 "Авар.останов" or 7 "Перелив".
bool endsDelivery(std::optional<std::int32_t> operation);

}  // namespace kvt::host
