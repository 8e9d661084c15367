#pragma once

// The station's payment types (table VidOpl): what the console hands the report plug-in as the
// captions of host value 19 and the payment-type list of value 57, in position order.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvt::appserver {

struct PayTypeRow {
    std::int32_t position = 0;
    std::int32_t code = 0;
    std::string name;  // the menu caption, "&" marking the accelerator
    bool enabled = true;
    std::uint8_t kind = 0;
    bool operator==(const PayTypeRow&) const = default;
};

// The payment types of a station database in position order; empty when the database has no
// VidOpl table (made before payment types were kept). Throws ServerError when the database
// cannot be opened or a row's kind is not a byte.
std::vector<PayTypeRow> readPayTypes(const std::filesystem::path& database);

}  // namespace kvt::appserver
