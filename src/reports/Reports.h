#pragma once
// The report runners: one procedure per report entry of the menu. Each asks the operator for
// the report's parameters, has the console produce the report and shows it in the viewer.
#include "plugin/KVTRep.h"

namespace kvt::reports {

// Report 45: the shift report over picked shifts ("Сменный отчет").
void ShiftReport();
// Report 45 over the open shift, without asking ("Текущий сменный отчет").
void CurrentShiftReport();

// The runners as the plug-in's module calls them.
class Runners final : public plugin::ReportRunners {
public:
    void ShiftReport() override;
    void CurrentShiftReport() override;
};

}  // namespace kvt::reports
