// The reports over the station network: the office's table lists the stations and the console
// produces the figures of those the operator picks. Each form asks for its report itself and
// stays open for the next one, so the runner only lends it the request and shows the form.
#include "dialogs/AllDscCardFrm.h"
#include "dialogs/DaysSmenaFinReportFrm.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"

namespace kvt::reports {

namespace {

constexpr std::uint8_t kDiscountCardListReportNo = 35;
constexpr std::uint8_t kDaySmenaFinReportNo = 36;
constexpr const char* kDiscountCardListTitle = "ОТЧЕТ ПО ДИСКОНТНЫМ КАРТАМ";
constexpr const char* kDaySmenaFinTitle = "ФИНАНСОВЫЙ СУТОЧНО-СМЕННЫЙ ОТЧЕТ";

dialogs::RequestReport requestOf(std::uint8_t reportNo, const char* title) {
    return [reportNo, title](const Variant& params) { ProduceAndShow(reportNo, params, title); };
}

}  // namespace

void RunDiscountCardList() {
    dialogs::TAllDscCardForm form(requestOf(kDiscountCardListReportNo, kDiscountCardListTitle));
    form.exec();
}

void RunDaySmenaFinReport() {
    dialogs::TDaysSmenaFinReportForm form(requestOf(kDaySmenaFinReportNo, kDaySmenaFinTitle));
    form.exec();
}

}  // namespace kvt::reports
