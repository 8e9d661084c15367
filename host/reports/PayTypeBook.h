#pragma once
// The station's payment types (table VidOpl) as the console's reports name, order and choose
// them. A payment-type selection of the plug-in has one element per type in the table's order; a
// station without the table has the usual types, whose codes are their places.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "appserver/PayTypes.h"

namespace kvt::host {

// The code a pump log line carries for "no payment type".
inline constexpr std::int32_t kNoPaymentCode = 999;
// The kind of a payment type is its code modulo 100.
inline constexpr std::int32_t kPaymentKindModulus = 100;

class PayTypeBook {
public:
    using Key = std::pair<int, std::int64_t>;

    explicit PayTypeBook(std::vector<appserver::PayTypeRow> rows);

    // The sort key: the table's types in table order, then unknown codes by code, then no
    // payment type.
    Key order(std::optional<std::int32_t> code) const;

    // The caption without its accelerator "&"; "Оплата: N" for a code the table lacks.
    std::string caption(std::optional<std::int32_t> code) const;

    // The codes of the types whose place in the selection is set.
    std::set<std::int32_t> flaggedCodes(const std::vector<bool>& flags) const;

private:
    std::optional<std::size_t> find(std::int32_t code) const;

    std::vector<appserver::PayTypeRow> rows_;
};

// A pump log's payment code as the reports read it: 999 and an empty code are no payment type.
std::optional<std::int32_t> paymentCode(std::optional<std::int32_t> logged);

}  // namespace kvt::host
