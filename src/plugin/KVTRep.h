#pragma once
// The plug-in's module: the state that lives as long as the library, the four exports' work,
// and CallGetReport, the one path by which every report is asked of the host.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Exception.h"
#include "kvtreports/Host.h"
#include "kvtreports/Variant.h"
#include "plugin/AbstractPayment.h"

class QApplication;

namespace kvt {
class TRVKLogger;
namespace data {
class TDBFrm;
}
}  // namespace kvt

namespace kvt::plugin {

// A report request or a host value that cannot be made: a host callback the host never
// installed.
class EReportError : public ExceptionOf<EReportError> {
public:
    using ExceptionOf::ExceptionOf;
};

// The report runners. They stand on the forms and the viewer, above this module, so the library
// hands them to the module when it loads.
class ReportRunners {
public:
    virtual ~ReportRunners() = default;
    virtual void ShiftReport() = 0;
    virtual void CurrentShiftReport() = 0;
    // receipts: the fuel receipt log, else the pump-out log.
    virtual void FuelOperationLog(bool receipts) = 0;
    virtual void FuelShiftLog(bool receipts) = 0;
    virtual void BonusReport() = 0;
    virtual void ReturnsReport() = 0;
    virtual void ReturnCertificates() = 0;
    virtual void TerminalReturns() = 0;
    virtual void CouponReport() = 0;
    virtual void CardReport() = 0;
    virtual void PumpHistory() = 0;
    // The live log window of one pump.
    virtual void PumpLog(const std::string& pumpName) = 0;
    virtual void CounterpartyShiftReport() = 0;
    virtual void StatementShiftReport() = 0;
    virtual void ContractShiftReport() = 0;
    // 0 by statement, 1 by counterparty, 2 by car, 3 by driver.
    virtual void PeriodStatementReport(int mode) = 0;
    // The station network's reports over the office's table of stations.
    virtual void DiscountCardList() = 0;
    virtual void DaySmenaFinReport() = 0;
};

// The receiver of the report entries' click handlers: each report's runner is one of its
// member functions, given the clicked entry.
class TReport {
public:
    void SmenaReportClick(KvtMenuItem& sender);
    void CurSmenaReportClick(KvtMenuItem& sender);
    void PrihodReportClick(KvtMenuItem& sender);
    void PrihodSmenaReportClick(KvtMenuItem& sender);
    void OtkachkaReportClick(KvtMenuItem& sender);
    void OtkachkaSmenaReportClick(KvtMenuItem& sender);
    void BonusReportClick(KvtMenuItem& sender);
    void BackReportClick(KvtMenuItem& sender);
    void BackActsReportClick(KvtMenuItem& sender);
    void BackCardReportClick(KvtMenuItem& sender);
    void TalonReportClick(KvtMenuItem& sender);
    void CardReportClick(KvtMenuItem& sender);
    void TrkHistoryReportClick(KvtMenuItem& sender);
    void KontragentSmenaReportClick(KvtMenuItem& sender);
    void VedomSmenaReportClick(KvtMenuItem& sender);
    void DogovorSmenaReportClick(KvtMenuItem& sender);
    void VedomPeriodReportClick(KvtMenuItem& sender);
    void KontragentPeriodReportClick(KvtMenuItem& sender);
    void AutoPeriodReportClick(KvtMenuItem& sender);
    void DriverPeriodReportClick(KvtMenuItem& sender);
    void AllDscCardReportClick(KvtMenuItem& sender);
    void DaysSmenaFinReportClick(KvtMenuItem& sender);
    // The hidden per-pump entries: the pump is named in the entry's caption.
    void PumpLogItemClick(KvtMenuItem& sender);
    // "&Настройка" / "Отчеты": the options of all reports.
    void RepPropClick(KvtMenuItem& sender);
};

struct Module {
    std::unique_ptr<QApplication> OwnApplication;  // only when the host had none
    std::unique_ptr<TReport> Report;
    // Given by the library at load; without them a report entry raises EReportError.
    std::unique_ptr<ReportRunners> Runners;
    std::unique_ptr<data::TDBFrm> DBFrm;
    AddMenuItemFunc AddMenuItem = nullptr;
    GetReportFunc GetReport_ = nullptr;
    GetValueFunc GetValue = nullptr;
    GetHostValueFunc GetHostValue = nullptr;
    std::unique_ptr<TRVKLogger> ReportsLog;
    PayTypes Payments;
    bool UserLevel3 = false;
    bool ShowDaySmenaFin = false;
    bool MenuExtrasAdded = false;
    // The settings entry is there, whether or not the pump shortcuts are.
    bool SettingsEntryAdded = false;
    // GetKVTConfig as read for the pump shortcuts, kept until unload.
    Variant StationConfig;
    // The tick counter CallGetReport times the host with.
    std::function<std::uint32_t()> TickCount;

    Module();
    ~Module();
};

// The one module of the loaded library; LoadModule must have run.
Module& module();
// The library's load: opens the event log. Never throws: a log that cannot be had leaves the
// module without one (the log writer reports its own failures).
void LoadModule();
// The library's unload: frees the data module and the event log, clears the payment types.
void UnloadModule();

void InitReportMenu(std::intptr_t appHandle, KvtMenuItem* parentItem, AddMenuItemFunc addMenuItem,
                    GetReportFunc getReport);
void SetGetValue(GetValueFunc getValue);
void SetNewUserPriv(KvtMenuItem* mainMenuRoot, GetHostValueFunc getHostValue);
void UpdateVidOpl();

// One line of the plug-in's event log "Reports.log" (level 0: no level word); nothing without
// the log.
void LogEvent(std::string_view format, const std::vector<Variant>& args, std::uint8_t level = 0);

// Asks the host for report `reportNo` and logs the time it took (level 1) or the error it
// raised (level 2, then the error goes on to the caller).
void CallGetReport(std::uint8_t reportNo, const Variant& params, std::string& text);

// A host value; throws EReportError when the host has not installed GetHostValue.
Variant HostValue(std::int32_t code);

}  // namespace kvt::plugin
