#include "host/reports/StatementSales.h"

#include <algorithm>
#include <set>
#include <utility>

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::size_t kStatementPlace = 4;
constexpr std::string_view kUsualStatementCaption = "Ведомость +";
constexpr std::string_view kUnnamed = "не указан";

struct GroupNames {
    std::string_view head;   // "Водитель"
    std::string_view total;  // "Итого по водителю"
    std::string_view by;     // "по водителям"
};

GroupNames namesOf(GroupBy level) {
    switch (level) {
        case GroupBy::Counterparty:
            return {"Контрагент", "Итого по контрагенту", "по контрагентам"};
        case GroupBy::Contract:
            return {"Договор", "Итого по договору", "по договорам"};
        case GroupBy::Driver:
            return {"Водитель", "Итого по водителю", "по водителям"};
        case GroupBy::Car:
            break;
    }
    return {"Автомобиль", "Итого по автомобилю", "по автомобилям"};
}

std::string groupingText(const std::vector<GroupBy>& grouping) {
    std::string text;
    for (const GroupBy level : grouping)
        text += (text.empty() ? "" : ", затем ") + std::string(namesOf(level).by);
    return text;
}

std::string shownName(const std::string& name) {
    return name.empty() ? std::string(kUnnamed) : name;
}

// The sales in groups: a row opening each group, the group's sales, a row of its totals.
class GroupedSales {
public:
    GroupedSales(ReportData& data, const StatementReport& report, const PayTypeBook& book)
        : data_(data), report_(report), book_(book), totals_(report.grouping.size()) {}

    void add(const std::vector<StatementSale>& sales) {
        std::vector<std::pair<Keys, const StatementSale*>> grouped;
        for (const StatementSale& sale : sales)
            grouped.emplace_back(keysOf(sale), &sale);
        std::ranges::stable_sort(grouped, {}, [](const auto& entry) { return entry.first; });
        for (auto& [keys, sale] : grouped)
            add(std::move(keys), *sale);
        close(0);
    }

private:
    using Keys = std::vector<std::string>;

    // Head and Itog, the sale's own columns, then Count, Liters and Summa.
    static constexpr std::size_t kColumnsBeforeTotals = 10;
    static constexpr std::size_t kColumns = kColumnsBeforeTotals + 3;

    Keys keysOf(const StatementSale& sale) const {
        Keys keys;
        for (const GroupBy level : report_.grouping)
            keys.push_back(nameOf(sale, level));
        return keys;
    }

    std::string nameOf(const StatementSale& sale, GroupBy level) const {
        const Directory directory = report_.filter.directory;
        switch (level) {
            case GroupBy::Counterparty:
                return sale.counterpartyIn(directory);
            case GroupBy::Contract:
                return sale.contract;
            case GroupBy::Driver:
                return sale.driver;
            case GroupBy::Car:
                break;
        }
        return sale.carIn(directory);
    }

    void add(Keys keys, const StatementSale& sale) {
        std::size_t same = 0;
        while (open_ && same < keys.size() && keys[same] == keys_[same])
            ++same;
        close(same);
        for (std::size_t level = same; level < keys.size(); ++level) {
            TableRow head{std::string(namesOf(report_.grouping[level]).head) + ": " +
                          shownName(keys[level])};
            head.resize(kColumns);
            data_.addRow("Otpusk", std::move(head));
        }
        keys_ = std::move(keys);
        open_ = true;
        const Directory directory = report_.filter.directory;
        data_.addRow("Otpusk",
                     {"", "", sale.time, sale.pump, sale.grade, book_.caption(sale.payment),
                      sale.counterpartyIn(directory), sale.contract, sale.carIn(directory),
                      sale.driver, 1.0, sale.liters, sale.summa});
        for (Totals& totals : totals_)
            totals.add(sale.liters, sale.summa);
    }

    // Ends the groups from `level` inwards, the innermost first.
    void close(std::size_t level) {
        if (!open_)
            return;
        for (std::size_t inner = totals_.size(); inner > level; --inner) {
            const std::size_t index = inner - 1;
            TableRow total{"", std::string(namesOf(report_.grouping[index]).total) + " " +
                                   shownName(keys_[index])};
            total.resize(kColumnsBeforeTotals);
            totals_[index].appendTo(total);
            data_.addRow("Otpusk", std::move(total));
            totals_[index] = {};
        }
        open_ = level > 0;
    }

    ReportData& data_;
    const StatementReport& report_;
    const PayTypeBook& book_;
    std::vector<Totals> totals_;
    Keys keys_;
    bool open_ = false;
};

void addGradeTotals(ReportData& data, const GradeOrder& grades,
                    const std::vector<StatementSale>& sales) {
    GradeTotals totals;
    for (const StatementSale& sale : sales)
        totals[grades.key(sale.grade)].add(sale.liters, sale.summa);
    for (const auto& [grade, gradeSales] : totals) {
        TableRow row{grade.second};
        gradeSales.appendTo(row);
        data.addRow("OtpuskGsm", std::move(row));
    }
}

std::vector<ValueDef> saleColumns() {
    return {{"Head", T},   {"Itog", T},         {"Time", D},     {"Trk", T}, {"Gsm", T},
            {"VidOpl", T}, {"Counterparty", T}, {"Contract", T}, {"Car", T}, {"Driver", T},
            {"Count", I},  {"Liters", N},       {"Summa", N}};
}

}  // namespace

std::vector<GroupBy> chosenGrouping(bool byDriver, bool byCar, bool driversFirst) {
    std::vector<GroupBy> grouping;
    if (byDriver)
        grouping.push_back(GroupBy::Driver);
    if (byCar)
        grouping.insert(byDriver && driversFirst ? grouping.end() : grouping.begin(), GroupBy::Car);
    return grouping;
}

const TemplateSchema& statementReportSchema() {
    static const TemplateSchema schema{
        withHeaderScalars(
            {{"Title", T}, {"Counterparty", T}, {"Car", T}, {"Driver", T}, {"Grouping", T}}),
        {{"Otpusk", saleColumns()},
         {"OtpuskGsm", {{"Gsm", T}, {"Count", I}, {"Liters", N}, {"Summa", N}}}}};
    return schema;
}

ReportData statementReportData(const StatementReport& report, const ReportContext& context) {
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    const std::set<std::int32_t> chosen = book.flaggedCodes(report.payTypes);
    std::vector<StatementSale> sales =
        readStatementSales(db, periodOf(report.header), report.filter);
    std::erase_if(sales, [&](const StatementSale& sale) {
        return !sale.payment || !chosen.contains(*sale.payment);
    });
    Totals totals;
    for (const StatementSale& sale : sales)
        totals.add(sale.liters, sale.summa);
    ReportData data(statementReportSchema());
    setHeader(data, db, report.header, totals, context.now);
    data.set("Title", report.title);
    data.set("Counterparty", report.filter.counterparty.value_or(""));
    data.set("Car", report.filter.car.value_or(""));
    data.set("Driver", report.filter.driver.value_or(""));
    data.set("Grouping", groupingText(report.grouping));
    addGradeTotals(data, GradeOrder(db), sales);
    GroupedSales(data, report, book).add(sales);
    return data;
}

ReportData statementData(StatementRequest request, std::int32_t reportNo, const Variant& params,
                         const ReportContext& context) {
    return statementReportData(request(reportNo, params, context), context);
}

ReportPages statementPages(StatementRequest request, std::string_view oldTemplate,
                           std::string_view newTemplate, std::int32_t reportNo,
                           const Variant& params, const ReportContext& context) {
    const StatementReport report = request(reportNo, params, context);
    return composeReport(oldFormatTemplate(oldTemplate), newFormatTemplate(newTemplate),
                         statementReportData(report, context), report.title,
                         context.options.numbers);
}

std::string statementCaption(const ReportContext& context) {
    const std::vector<appserver::PayTypeRow> rows = appserver::readPayTypes(context.database);
    if (rows.size() <= kStatementPlace)
        return std::string(kUsualStatementCaption);
    std::string caption = rows[kStatementPlace].name;
    std::erase(caption, '&');
    return caption;
}

std::int32_t shiftNumberText(const ParamArray& elements, std::size_t index, std::string_view what) {
    std::int32_t number = 0;
    if (!TryStrToInt(elements.text(index, what), number))
        elements.fail(index, what, "ожидается номер смены текстом", elements.at(index));
    return number;
}

DateTime dateTimeText(const ParamArray& elements, std::size_t index, std::string_view what) {
    DateTime value = 0;
    if (!TryStrToDateTime(elements.text(index, what), value))
        elements.fail(index, what, "ожидается дата и время текстом", elements.at(index));
    return value;
}

ReportHeader periodTexts(const ParamArray& elements, std::size_t begin, std::size_t end) {
    ReportHeader header;
    header.begin = dateTimeText(elements, begin, "начало периода");
    header.end = dateTimeText(elements, end, "конец периода");
    if (*header.end < header.begin)
        elements.fail(end, "конец периода",
                      "период кончается раньше, чем начинается (" +
                          elements.text(begin, "начало периода") + ")",
                      elements.at(end));
    return header;
}

}  // namespace kvt::host
