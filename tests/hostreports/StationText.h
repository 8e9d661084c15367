#pragma once
// What the console's report tests write into a station and send as parameters.
#include <cstdint>
#include <string>
#include <vector>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"
#include "kvtreports/Variant.h"

namespace kvt::host::reporttest {

using Strings = std::vector<std::string>;
// A family's data for its parameters, as each family's header offers it.
using DataOf = ReportData (*)(std::int32_t, const Variant&, const ReportContext&);

// A time of the station in SQL ("2024-03-01 08:00"): days since 30.12.1899.
inline std::string t(const std::string& when) {
    return "(julianday('" + when + "') - julianday('1899-12-30'))";
}

inline Variant i4(std::int32_t value) {
    return Variant(value);
}

// A payment-type selection: one I4 per payment type.
inline Variant flags(const std::vector<std::int32_t>& values) {
    std::vector<Variant> elements;
    for (const std::int32_t value : values)
        elements.push_back(i4(value));
    return Variant::list(std::move(elements));
}

}  // namespace kvt::host::reporttest
