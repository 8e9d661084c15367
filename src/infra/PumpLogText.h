#pragma once
// The texts of a pump log's coded columns, as the pump log window shows them and the console's
// pump sales history prints them. An absent value (a null field) shows nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvt::infra {

// The code of a value that stands for "nothing recorded" in every coded column.
inline constexpr std::int32_t kPumpLogNoCode = 999;
// At most this many characters of a payment type's caption fit its column.
inline constexpr std::size_t kPumpPaymentTextLength = 17;

// "Operation": the low seven bits name the step of a delivery ("Заказано" ... "Перелив").
std::string PumpOperationText(std::optional<std::int32_t> value);
// "Op1": the caption of the first payment type with that code, or "Оплата: N" for a code the
// station does not have, cut to kPumpPaymentTextLength characters. `codes` and `captions` are
// the payment-type table's code column and captions, index by index.
std::string PumpPaymentText(std::optional<std::int32_t> value,
                            const std::vector<std::int32_t>& codes,
                            const std::vector<std::string>& captions);
// "Op2": the low byte names what the dose was set in ("Литры", "Сумма", "Бак", "---").
std::string PumpDoseText(std::optional<std::int32_t> value);

}  // namespace kvt::infra
