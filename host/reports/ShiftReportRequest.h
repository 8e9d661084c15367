#pragma once
// What the plug-in asks for with report 45, the shift report: its nine-element parameter array
// read into typed values. The array is checked whole before anything is produced, so that a
// malformed request fails with a message naming the element instead of half a report.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvtreports/Variant.h"

namespace kvt::host {

inline constexpr std::int32_t kShiftReport = 45;

// Section ids of the layout: old-format group g is g, new-format group g is 100 + g.
inline constexpr std::int32_t kShiftGroupCount = 16;
inline constexpr std::int32_t kNewFormatSectionBase = 100;

// One triple of the layout: the section's place, its id and its template as a Windows path
// (empty: the section is left out).
struct LayoutEntry {
    std::int32_t position = 0;
    std::int32_t section = 0;
    std::string templatePath;
    bool operator==(const LayoutEntry&) const = default;
};

struct ShiftRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool operator==(const ShiftRange&) const = default;
};

struct ShiftReportRequest {
    std::optional<ShiftRange> shifts;  // none: the current shift (both elements I1(-1))
    std::vector<LayoutEntry> layout;   // in the array's order
    bool roundTanks = true;            // element 4 is 0: tank figures in whole litres
    std::string department;
    bool userLevel3 = false;
    std::vector<bool> statementPayTypes;  // per payment type in table order
    std::int32_t tankGrouping = 0;        // 0 by tank number, 1 by fuel name
};

// Reads the array; throws std::runtime_error naming the element and what is wrong with it.
// A range given last shift first is taken in ascending order.
ShiftReportRequest readShiftReportRequest(const Variant& params);

}  // namespace kvt::host
