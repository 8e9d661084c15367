#pragma once

namespace kvt::settings {

// Gives row 0 of every shift report group in section "SmenaRep" of cnf.INI its position,
// templates and the "RoundRVal" flag where they are missing, taking the composition from the
// obsolete registry key "SmenaRep" when a machine still has it. Existing keys are never
// overwritten, so it runs at every change of operator. Errors of the file pass through.
void SeedShiftReportSection();

}  // namespace kvt::settings
