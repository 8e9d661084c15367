#include "host/reports/StatementShiftReports.h"

#include <optional>
#include <string>

#include "host/reports/StatementSales.h"

namespace kvt::host {

namespace {

constexpr std::string_view kStatements = "выбор ведомостей";
constexpr std::string_view kContracts = "выбор договоров";

// The shifts of elements begin, end, then from `first` on: first shift, operator, last shift.
ShiftRequest shiftTexts(const ParamArray& elements, std::size_t first) {
    ShiftRequest shifts;
    shifts.begin = dateTimeText(elements, 0, "начало смены");
    shifts.end = dateTimeText(elements, 1, "конец смены");
    shifts.first = shiftNumberText(elements, first, "первая смена");
    shifts.operatorName = elements.text(first + 1, "оператор");
    shifts.last = shiftNumberText(elements, first + 2, "последняя смена");
    return shifts;
}

// Shift 0 to 0 is the current shift, as for the plug-in's other shift reports.
ReportHeader shiftHeader(const ShiftRequest& request, const ReportContext& context) {
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    if (request.first == 0 && request.last == 0)
        return currentShiftHeader(db, context);
    return requestedHeader(db, request);
}

StatementReport statementRequest(std::int32_t reportNo, const Variant& params,
                                 const ReportContext& context) {
    StatementReport report;
    if (reportNo == kCurrentStatementReport) {
        const ParamArray elements(params, "Текущий сменный отчет по ведомостям (№16)", {1});
        report.payTypes = elements.payTypeMask(0, kStatements);
        report.header = shiftHeader({}, context);
    } else {
        const ParamArray elements(params, "Сменный отчет по ведомостям (№14)", {6});
        const ShiftRequest shifts = shiftTexts(elements, 2);
        report.payTypes = elements.payTypeMask(5, kStatements);
        report.header = shiftHeader(shifts, context);
    }
    report.grouping = {GroupBy::Counterparty};
    report.title = "СМЕННЫЙ ОТПУСК ПО \"" + statementCaption(context) + "\"";
    return report;
}

// Where the elements of a counterparty report lie; a contractor's array adds the grouping.
struct CounterpartyForm {
    std::string_view report;
    std::string_view title;
    std::size_t contractorCount;
    std::size_t organisationCount;
    std::size_t name;
    std::optional<std::size_t> firstShift;  // none: the current shift
    std::size_t payTypes;
    std::size_t grouping;
};

constexpr CounterpartyForm kShiftForm{
    "Сменный отчет по контрагенту (№15)", "СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ", 10, 7, 2, 3, 6, 7};
constexpr CounterpartyForm kCurrentForm{"Текущий сменный отчет по контрагенту (№17)",
                                        "ТЕКУЩИЙ СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ",
                                        5,
                                        2,
                                        0,
                                        std::nullopt,
                                        1,
                                        2};

StatementReport counterpartyRequest(std::int32_t reportNo, const Variant& params,
                                    const ReportContext& context) {
    const CounterpartyForm& form =
        reportNo == kCurrentCounterpartyReport ? kCurrentForm : kShiftForm;
    const ParamArray elements(params, std::string(form.report),
                              {form.contractorCount, form.organisationCount});
    const bool contractors = elements.size() == form.contractorCount;
    StatementReport report;
    report.title = form.title;
    report.filter.directory = contractors ? Directory::Contractors : Directory::Organisations;
    report.filter.counterparty = elements.text(form.name, "контрагент");
    ShiftRequest shifts;
    if (form.firstShift)
        shifts = shiftTexts(elements, *form.firstShift);
    report.payTypes = elements.payTypeMask(form.payTypes, kStatements);
    if (contractors)
        report.grouping = chosenGrouping(elements.flag(form.grouping, "по водителям"),
                                         elements.flag(form.grouping + 1, "по автомобилям"),
                                         elements.flag(form.grouping + 2, "водители первыми"));
    report.header = shiftHeader(shifts, context);
    return report;
}

StatementReport contractRequest(std::int32_t reportNo, const Variant& params,
                                const ReportContext& context) {
    StatementReport report;
    ShiftRequest shifts;
    if (reportNo == kCurrentContractReport) {
        const ParamArray elements(params, "Текущий сменный отчет по договорам (№26)", {2});
        shifts.first = shifts.last = elements.integer(0, "смена");
        report.payTypes = elements.payTypeMask(1, kContracts);
        report.title = "Текущий сменный отчет по договорам";
    } else {
        const ParamArray elements(params, "Сменный отчет по договорам (№25)", {5});
        shifts.begin = elements.date(0, "начало смены");
        shifts.end = elements.date(1, "конец смены");
        shifts.first = shifts.last = shiftNumberText(elements, 2, "смена");
        shifts.operatorName = elements.text(3, "оператор");
        report.payTypes = elements.payTypeMask(4, kContracts);
        report.title = "Сменный отпуск по договорам";
    }
    report.grouping = {GroupBy::Counterparty, GroupBy::Contract};
    report.header = shiftHeader(shifts, context);
    return report;
}

}  // namespace

ReportData statementShiftData(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context) {
    return statementData(statementRequest, reportNo, params, context);
}

ReportPages produceStatementShiftReport(std::int32_t reportNo, const Variant& params,
                                        const ReportContext& context) {
    return statementPages(statementRequest, "VdSmena.FRM", "Сменный отпуск по ведомостям.html",
                          reportNo, params, context);
}

ReportData counterpartyShiftData(std::int32_t reportNo, const Variant& params,
                                 const ReportContext& context) {
    return statementData(counterpartyRequest, reportNo, params, context);
}

ReportPages produceCounterpartyShiftReport(std::int32_t reportNo, const Variant& params,
                                           const ReportContext& context) {
    return statementPages(counterpartyRequest, "VdKontr.FRM", "Сменный отпуск по контрагенту.html",
                          reportNo, params, context);
}

ReportData contractShiftData(std::int32_t reportNo, const Variant& params,
                             const ReportContext& context) {
    return statementData(contractRequest, reportNo, params, context);
}

ReportPages produceContractShiftReport(std::int32_t reportNo, const Variant& params,
                                       const ReportContext& context) {
    return statementPages(contractRequest, "Dogovor.FRM", "Сменный отпуск по договорам.html",
                          reportNo, params, context);
}

}  // namespace kvt::host
