#pragma once
// The shift report as the console composes it: section after section in the layout's order,
// each a template from the station's form folders filled with the report's values.
#include <string>
#include <vector>

#include "host/kit/ReportTemplate.h"
#include "host/kit/ShiftReportRequest.h"

namespace kvt::host {

// The two formats of one report: the old-format text and the new-format HTML page.
struct ReportPages {
    std::string text;
    std::string html;
};

// The old format from the layout's sections 0 to 15 (".FRM" templates), the new format from
// sections 100 to 115 (".html" templates), both in the layout's order. A section with an empty
// path is left out; a template that is missing, unreadable or broken gives a one-line notice in
// its place naming the template, and the other sections are still made. Templates are CP1251
// files reached through the drive mapping. The page has one head (charset windows-1251, as the
// viewer writes it) with the style elements of the templates' own heads, and the templates'
// bodies one after another; a template without a body element is a body fragment as a whole.
ReportPages composeShiftReport(const std::vector<LayoutEntry>& layout, const ReportData& data);

}  // namespace kvt::host
