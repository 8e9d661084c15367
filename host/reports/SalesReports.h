#pragma once
// What the console's sales and returns reports share: the scalars that head their pages, the
// totals they add up, the order of fuel grades and the places of their templates.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "appserver/StationDatabase.h"
#include "host/reports/ReportTemplate.h"
#include "host/reports/SalesRecords.h"

namespace kvt::host {

// What a report covers, as its page heads it.
struct ReportHeader {
    std::optional<std::int32_t> firstShift;
    std::optional<std::int32_t> lastShift;
    bool current = false;
    DateTime begin = 0;
    std::optional<DateTime> end;  // none: up to now
    std::string operatorName;
};

// Shifts as a request names them: a run of the log, with the times and the operator the plug-in
// read from it (a time of 0: the log's, as the plug-in sends 0 for the current shift and for the
// end of an open shift; an empty operator: the log's when the run is one shift).
struct ShiftRequest {
    std::int32_t first = 0;
    std::int32_t last = 0;
    DateTime begin = 0;
    DateTime end = 0;
    std::string operatorName;
};

// The header of the shifts asked for; throws std::runtime_error when the log has none of them.
ReportHeader requestedHeader(const appserver::Connection& db, const ShiftRequest& request);

// As requestedHeader, except that shift 0 to 0 is the current shift: the plug-in names the
// current shift by the console's number for it, and a console that knows none gives 0, which no
// shift of a log has.
ReportHeader shiftsHeader(const appserver::Connection& db, const ShiftRequest& request,
                          const ReportContext& context);

// The header of the console's current shift (else the latest one of the log).
ReportHeader currentShiftHeader(const appserver::Connection& db, const ReportContext& context);

// The sales of the header's period.
Period periodOf(const ReportHeader& header);

struct Totals {
    double count = 0;
    double liters = 0;
    double summa = 0;
    double discount = 0;
    double bonus = 0;

    void add(double addedLiters, double addedSumma);
    void add(const SaleRow& sale);
    // Count, Liters, Summa.
    void appendTo(TableRow& row) const;
    // Count, Liters, Summa, Skidka, Bonus.
    void appendWithDiscountsTo(TableRow& row) const;
};

// The scalars of every such report, then `own`: StationName, StationNumber, FirstShift,
// LastShift (empty for a period not given by shifts), SingleShift (1 when they are one shift),
// Current (1 for the current shift), BegTime, EndTime (empty: up to the report's time), Operator
// (the one shift's; empty over several unless the request names one), ReportTime, and the
// report's totals Count, Liters, Summa.
std::vector<ValueDef> withHeaderScalars(std::vector<ValueDef> own);

void setHeader(ReportData& data, const appserver::Connection& db, const ReportHeader& header,
               const Totals& totals, DateTime now);

// Fuel grades in the station's order, grades it does not know after them by name.
class GradeOrder {
public:
    using Key = std::pair<std::size_t, std::string>;

    explicit GradeOrder(const appserver::Connection& db);
    Key key(const std::string& grade) const;

private:
    std::vector<std::string> grades_;
};

// Pumps by their names as numbers sort them ("2" before "10").
std::pair<std::size_t, std::string> pumpOrder(const std::string& pump);

// Totals per fuel grade in the station's order.
using GradeTotals = std::map<GradeOrder::Key, Totals>;

}  // namespace kvt::host
