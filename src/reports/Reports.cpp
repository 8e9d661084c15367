#include "reports/Reports.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "infra/progress/ProgressViewer.h"
#include "infra/tools.h"
#include "platform/PathMap.h"
#include "plugin/RepConsts.h"
#include "reports/GoodsModule.h"
#include "reports/RunnerFrame.h"
#include "reports/ShiftLayout.h"
#include "reports/uTRKHistory.h"
#include "settings/PayTypeFlags.h"
#include "settings/SettingsCatalogue.h"
#include "settings/forms/PropForm.h"

namespace kvt::reports {

namespace {

constexpr std::uint8_t kShiftReportNo = 45;
constexpr int kShiftReportKind = 2;
constexpr std::int32_t kStatementsDefaultIndex = 4;
constexpr const char* kShiftReportTitle = "Сменный отчет";
constexpr const char* kShiftReportProgress = "Формирование сменного отчета";

// What report 45 takes from the settings and the goods module, read before the report is asked.
struct ShiftReportInputs {
    ShiftLayout layout = ReadShiftLayout();
    std::vector<std::int32_t> statements = settings::ReadPayTypes(
        plugin::module().Payments.codes(), settings::kVedomRepKey, kStatementsDefaultIndex);
    std::string department = GetCurrentDepartmentPath();

    // The nine parameters for the shifts `first` to `last` (both -1: the current shift).
    Variant params(const Variant& first, const Variant& last) const {
        return Variant::list(
            {first, last, layout.layout, plugin::HostValue(plugin::HostCode::ServerMode),
             Variant(layout.roundRVal), Variant(department), Variant(plugin::module().UserLevel3),
             IntegerArray(statements), Variant(layout.siloReportSortField)});
    }
};

Variant shiftNumber(std::int32_t number) {
    return Variant(number);
}

Variant currentShiftMarker() {
    return Variant::i1(-1);
}

// The waiting window while the console produces the report, finished however the call ends.
class ShownProgress {
public:
    explicit ShownProgress(const char* caption)
        : viewer_(std::make_unique<infra::TProgressViewer>(caption)) {}
    ~ShownProgress() { infra::TProgressViewer::Finish(std::move(viewer_)); }
    ShownProgress(const ShownProgress&) = delete;
    ShownProgress& operator=(const ShownProgress&) = delete;

private:
    std::unique_ptr<infra::TProgressViewer> viewer_;
};

bool configFileExists() {
    std::error_code ignored;
    return std::filesystem::exists(platform::PathMap::toLocal(ConfigFileName()), ignored);
}

void produceShiftReport(const dialogs::SmenaChoice& choice, int modalResult) {
    if (!configFileExists())
        return;
    const bool current = modalResult == dialogs::kResultCurrentShift;
    const Variant first = current ? currentShiftMarker() : shiftNumber(choice.FirstSm);
    const Variant last = current ? currentShiftMarker() : shiftNumber(choice.LastSm);
    const ShiftReportInputs inputs;
    std::string reportText;
    {
        const ShownProgress progress(kShiftReportProgress);
        plugin::CallGetReport(kShiftReportNo, inputs.params(first, last), reportText);
    }
    ShowWithNewFormat(reportText, kShiftReportTitle);
}

}  // namespace

void ShiftReport() {
    plugin::Module& m = plugin::module();
    ShiftRunFrame frame(*m.DBFrm, ShiftPick{.propKind = kShiftReportKind});
    frame.Loop(produceShiftReport);
}

void CurrentShiftReport() {
    if (!plugin::HostValue(plugin::HostCode::ShiftOpen).toBool())
        return;
    const ShiftReportInputs inputs;
    std::string reportText;
    plugin::CallGetReport(kShiftReportNo, inputs.params(currentShiftMarker(), currentShiftMarker()),
                          reportText);
    ShowWithNewFormat(reportText, kShiftReportTitle);
}

Runners::Runners() {
    dialogs::TSmenaListFrm::SetPropertiesForm([](int kind) {
        const plugin::PayTypes& payments = plugin::module().Payments;
        settings::PropFrmContext context{
            .payTypes = {},
            .reportSettingsRight =
                plugin::HostValue(plugin::HostCode::ReportSettingsRight).toBool(),
            .userLevel = plugin::HostValue(plugin::HostCode::UserLevel).toInt()};
        const std::vector<std::int32_t> codes = payments.codes();
        const std::vector<std::string> captions = payments.captions();
        for (std::size_t i = 0; i < codes.size(); ++i)
            context.payTypes.push_back({.code = codes[i], .caption = captions[i]});
        settings::ShowPropFrm(kind, std::move(context));
    });
}

void Runners::ShiftReport() {
    reports::ShiftReport();
}

void Runners::CurrentShiftReport() {
    reports::CurrentShiftReport();
}

void Runners::FuelOperationLog(bool receipts) {
    RunFuelOperationLog(receipts ? FuelDirection::Receipt : FuelDirection::PumpOut);
}

void Runners::FuelShiftLog(bool receipts) {
    RunFuelShiftLog(receipts ? FuelDirection::Receipt : FuelDirection::PumpOut);
}

void Runners::BonusReport() {
    RunBonusReport();
}

void Runners::ReturnsReport() {
    RunReturnsReport();
}

void Runners::ReturnCertificates() {
    RunReturnCertificates();
}

void Runners::TerminalReturns() {
    RunTerminalReturns();
}

void Runners::CouponReport() {
    RunCouponReport();
}

void Runners::CardReport() {
    RunCardReport();
}

void Runners::PumpHistory() {
    RunPumpHistory();
}

void Runners::PumpLog(const std::string& pumpName) {
    ShowPumpLog(pumpName);
}

void Runners::CounterpartyShiftReport() {
    RunCounterpartyShiftReport();
}

void Runners::StatementShiftReport() {
    RunStatementShiftReport();
}

void Runners::ContractShiftReport() {
    RunContractShiftReport();
}

void Runners::PeriodStatementReport(int mode) {
    RunPeriodStatementReport(mode);
}

void Runners::DiscountCardList() {
    RunDiscountCardList();
}

void Runners::DaySmenaFinReport() {
    RunDaySmenaFinReport();
}

}  // namespace kvt::reports
