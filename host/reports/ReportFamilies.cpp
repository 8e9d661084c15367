#include "host/reports/ReportFamily.h"

#include "host/reports/BonusReport.h"
#include "host/reports/CardReport.h"
#include "host/reports/CouponReport.h"
#include "host/reports/DaySmenaFinReport.h"
#include "host/reports/DiscountCardReport.h"
#include "host/reports/FuelLog.h"
#include "host/reports/PeriodStatementReports.h"
#include "host/reports/PumpHistory.h"
#include "host/reports/ReturnActsReport.h"
#include "host/reports/ReturnsReport.h"
#include "host/reports/ShiftReport.h"
#include "host/reports/StatementShiftReports.h"
#include "host/reports/TerminalReturnsReport.h"

namespace kvt::host {

const std::vector<ReportFamily>& reportFamilies() {
    static const std::vector<ReportFamily> families{
        {{kShiftReport}, produceShiftReport},
        {{kFuelReceiptLog, kPumpOutLog}, produceFuelLog},
        {{kPumpHistory}, producePumpHistory},
        {{kBonusReport}, produceBonusReport},
        {{kReturnsReport}, produceReturnsReport},
        {{kReturnActs, kCurrentReturnActs}, produceReturnActs},
        {{kTerminalReturns}, produceTerminalReturns},
        {{kCouponReport}, produceCouponReport},
        {{kCardReport}, produceCardReport},
        {{kStatementShiftReport, kCurrentStatementReport}, produceStatementShiftReport},
        {{kCounterpartyShiftReport, kCurrentCounterpartyReport}, produceCounterpartyShiftReport},
        {{kContractShiftReport, kCurrentContractReport}, produceContractShiftReport},
        {{kPeriodStatementReport, kPeriodCounterpartyReport, kPeriodCarReport, kPeriodDriverReport},
         producePeriodStatementReport},
        {{kDiscountCardReport}, produceDiscountCardReport},
        {{kDaySmenaFinReport}, produceDaySmenaFinReport},
    };
    return families;
}

}  // namespace kvt::host
