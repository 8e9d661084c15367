#pragma once
// The report runners: one procedure per report entry of the menu. Each asks the operator for
// the report's parameters, has the console produce the report and shows it in the viewer.
#include <string>

#include "plugin/KVTRep.h"

namespace kvt::reports {

// Report 45: the shift report over picked shifts ("Сменный отчет").
void ShiftReport();
// Report 45 over the open shift, without asking ("Текущий сменный отчет").
void CurrentShiftReport();

// The fuel receipt log (report 0) or the pump-out log (report 31).
enum class FuelDirection { Receipt, PumpOut };
// Over a run of operations picked in the log itself.
void RunFuelOperationLog(FuelDirection direction);
// Over the operations of picked shifts.
void RunFuelShiftLog(FuelDirection direction);

// Report 9, bonuses and discounts per shift.
void RunBonusReport();
// Report 34, returns per shift.
void RunReturnsReport();
// Reports 21 and 22, the return certificates of one shift or of the open shift.
void RunReturnCertificates();
// Report 19, returns to the card terminal not made yet.
void RunTerminalReturns();

// Report 46, sales on numbered coupons.
void RunCouponReport();
// Report 52, sales on plastic cards, optionally for a card number pattern.
void RunCardReport();

// Report 10 for a picked pump over picked shifts.
void RunPumpHistory();

// Report 15 over picked shifts, or 17 over the current one, for a counterparty picked in the
// statement dialog.
void RunCounterpartyShiftReport();
void RunCurrentCounterpartyReport();
// Report 26, the current shift's contracts, without asking.
void RunCurrentContractReport();
// Reports 14 and 16, statement sales per shift.
void RunStatementShiftReport();
// Report 25 per shift; the current shift gives report 26.
void RunContractShiftReport();
// Statement sales over a period: mode 0 by statement (11), 1 by counterparty (12), 2 by car
// (13), 3 by driver (53).
void RunPeriodStatementReport(int mode);

// Report 35, the discount cards over the network's stations, asked in the form that stays open.
void RunDiscountCardList();
// Report 36, the daily shift figures of the network's stations over a period.
void RunDaySmenaFinReport();

// The runners as the plug-in's module calls them.
class Runners final : public plugin::ReportRunners {
public:
    // Makes the shift list's "Свойства" open the settings form of the runner's report family.
    Runners();
    void ShiftReport() override;
    void CurrentShiftReport() override;
    void FuelOperationLog(bool receipts) override;
    void FuelShiftLog(bool receipts) override;
    void BonusReport() override;
    void ReturnsReport() override;
    void ReturnCertificates() override;
    void TerminalReturns() override;
    void CouponReport() override;
    void CardReport() override;
    void PumpHistory() override;
    void PumpLog(const std::string& pumpName) override;
    void CounterpartyShiftReport() override;
    void StatementShiftReport() override;
    void ContractShiftReport() override;
    void PeriodStatementReport(int mode) override;
    void DiscountCardList() override;
    void DaySmenaFinReport() override;
};

}  // namespace kvt::reports
