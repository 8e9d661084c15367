#pragma once
// What the shift report is made of: the rows of the groups in cnf.INI "SmenaRep", each with its
// old-format and new-format template, in the order of their positions. The host composes the
// report from this layout.
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtreports/Variant.h"

namespace kvt::reports {

// Section ids of the new-format templates: group g is 100 + g.
inline constexpr std::int32_t kNewFormatSection = 100;

struct ShiftLayout {
    // Triples (position I4, section id I4, template path Str) sorted by position, then one
    // trailing Empty element; lower bound 0.
    Variant layout;
    std::int32_t roundRVal = 0;            // "RoundRVal", 0 or 1
    std::int32_t siloReportSortField = 0;  // "SiloReportSortField"
};

// Reads the layout of the shift report from cnf.INI (through the locked INI file).
ShiftLayout ReadShiftLayout();

// A template path as the host's producer finds it: a path with a folder has its first "S:\"
// (the server's disk as some workplaces see it) turned into "C:\"; a bare file name is taken
// from `folder`; an empty path stays empty.
std::string AbsoluteTemplatePath(std::string_view path, std::string_view folder);

}  // namespace kvt::reports
