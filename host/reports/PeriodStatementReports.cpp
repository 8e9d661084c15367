#include "host/reports/PeriodStatementReports.h"

#include <string>

#include "host/reports/StatementSales.h"

namespace kvt::host {

namespace {

constexpr std::string_view kStatements = "выбор ведомостей";

StatementReport allCounterparties(const Variant& params, const ReportContext& context) {
    const ParamArray elements(params, "Отпуск по ведомости за период (№11)", {3});
    StatementReport report;
    report.header = periodTexts(elements, 0, 1);
    report.payTypes = elements.payTypeMask(2, kStatements);
    report.grouping = {GroupBy::Counterparty};
    report.title = "ОТПУСК ПО \"" + statementCaption(context) + "\" ЗА ВЫБРАННЫЙ ПЕРИОД";
    return report;
}

StatementReport oneCounterparty(const Variant& params, const ReportContext& context) {
    const ParamArray elements(params, "Отпуск по контрагенту за период (№12)", {7});
    StatementReport report;
    report.header = periodTexts(elements, 0, 1);
    const std::string name = elements.text(2, "контрагент");
    const bool byDriver = elements.flag(3, "по водителям");
    const bool byCar = elements.flag(4, "по автомобилям");
    const bool driversFirst = elements.flag(5, "водители первыми");
    report.payTypes = elements.payTypeMask(6, kStatements);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    report.filter.directory = directoryOfCounterparty(db, name);
    report.filter.counterparty = name;
    report.grouping = chosenGrouping(byDriver, byCar, driversFirst);
    report.title = "ОТПУСК ПО КОНТРАГЕНТУ ЗА ВЫБРАННЫЙ ПЕРИОД";
    return report;
}

StatementReport oneCar(const Variant& params, const ReportContext& context) {
    const ParamArray elements(params, "Отпуск по автомобилю за период (№13)", {5});
    StatementReport report;
    report.header = periodTexts(elements, 0, 1);
    report.filter.counterparty = elements.text(2, "контрагент");
    report.filter.car = elements.text(3, "автомобиль");
    report.payTypes = elements.payTypeMask(4, kStatements);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    report.filter.directory = directoryOfCar(db, *report.filter.counterparty, *report.filter.car);
    report.title = "ОТПУСК ПО АВТОМОБИЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД";
    return report;
}

StatementReport oneDriver(const Variant& params, const ReportContext&) {
    const ParamArray elements(params, "Отпуск по водителю за период (№53)", {5});
    StatementReport report;
    report.header = periodTexts(elements, 0, 1);
    report.filter.directory = Directory::Contractors;
    report.filter.counterparty = elements.text(2, "контрагент");
    report.filter.driver = elements.text(3, "водитель");
    report.payTypes = elements.payTypeMask(4, kStatements);
    report.title = "ОТПУСК ВОДИТЕЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД";
    return report;
}

StatementReport periodRequest(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context) {
    switch (reportNo) {
        case kPeriodCounterpartyReport:
            return oneCounterparty(params, context);
        case kPeriodCarReport:
            return oneCar(params, context);
        case kPeriodDriverReport:
            return oneDriver(params, context);
        default:
            return allCounterparties(params, context);
    }
}

}  // namespace

ReportData periodStatementData(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context) {
    return statementData(periodRequest, reportNo, params, context);
}

ReportPages producePeriodStatementReport(std::int32_t reportNo, const Variant& params,
                                         const ReportContext& context) {
    return statementPages(periodRequest, "VdOtpusk.FRM", "Отпуск за период.html", reportNo, params,
                          context);
}

}  // namespace kvt::host
