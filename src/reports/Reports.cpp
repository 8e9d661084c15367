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
#include "settings/PayTypeFlags.h"
#include "settings/SettingsCatalogue.h"
#include "viewer/RptForm.h"

namespace kvt::reports {

namespace {

constexpr std::uint8_t kShiftReportNo = 45;
constexpr int kShiftReportKind = 2;
constexpr std::int32_t kStatementsDefaultIndex = 4;
constexpr const char* kShiftReportTitle = "Сменный отчет";
constexpr const char* kShiftPickCaption = "Выберите смену";
constexpr const char* kShiftReportProgress = "Формирование сменного отчета";

Variant integerArray(const std::vector<std::int32_t>& values) {
    std::vector<Variant> elements(values.begin(), values.end());
    return Variant::list(std::move(elements));
}

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
             integerArray(statements), Variant(layout.siloReportSortField)});
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

// The report produced last in the new format, then both formats in the viewer.
void showShiftReport(const std::string& reportText) {
    std::string htmlText;
    plugin::CallGetReport(plugin::kNewFormatReport, Variant::list({}), htmlText);
    viewer::ShowReport(reportText, htmlText, kShiftReportTitle);
}

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
    showShiftReport(reportText);
}

}  // namespace

void ShiftReport() {
    plugin::Module& m = plugin::module();
    ShiftRunFrame frame(*m.DBFrm, kShiftReportKind, kShiftPickCaption);
    frame.Loop(produceShiftReport);
}

void CurrentShiftReport() {
    if (!plugin::HostValue(plugin::HostCode::ShiftOpen).toBool())
        return;
    const ShiftReportInputs inputs;
    std::string reportText;
    plugin::CallGetReport(kShiftReportNo, inputs.params(currentShiftMarker(), currentShiftMarker()),
                          reportText);
    showShiftReport(reportText);
}

void Runners::ShiftReport() {
    reports::ShiftReport();
}

void Runners::CurrentShiftReport() {
    reports::CurrentShiftReport();
}

}  // namespace kvt::reports
