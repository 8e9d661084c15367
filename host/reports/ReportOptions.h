#pragma once
// The station's general report options ("Свойства отчетов", kept in cnf.INI) that the console's
// reports follow. They are read once for each report, so that one report is made with one set
// of them even while an administrator changes them.
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

// How the shift report's financial report computes its money sums ("Misc" / "RepSmType").
enum class MoneySums {
    Recorded,  // 0, "По факту, с учетом округлений": the sums as the pumps recorded them
    ByLitres,  // any other value, "Расчетная, по литрам": litres times the fuel's price
};

struct ReportOptions {
    NumberStyle numbers;
    MoneySums moneySums = MoneySums::Recorded;
};

// The options as cnf.INI holds them now. A missing value takes its default; a number of
// decimals outside 0 to 3, the range the options form offers, is brought into that range.
ReportOptions readReportOptions();

}  // namespace kvt::host
