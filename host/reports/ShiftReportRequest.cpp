#include "host/reports/ShiftReportRequest.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "host/reports/ReportParams.h"

namespace kvt::host {

namespace {

constexpr std::size_t kElementCount = 9;
constexpr std::int32_t kCurrentShiftMarker = -1;

constexpr std::array<std::string_view, kElementCount> kName{
    "первая смена",        "последняя смена",           "макет отчета",
    "значение 11 консоли", "округление по резервуарам", "путь отдела",
    "признак уровня 3",    "выбор ведомостей",          "группировка по резервуарам",
};

std::optional<ShiftRange> readShifts(const ParamArray& elements) {
    const std::int32_t first = elements.integer(0, kName[0]);
    const std::int32_t last = elements.integer(1, kName[1]);
    if (first == kCurrentShiftMarker && last == kCurrentShiftMarker)
        return std::nullopt;
    for (const std::size_t index : {0U, 1U}) {
        if (elements.integer(index, kName[index]) <= 0)
            elements.fail(index, kName[index],
                          "ожидается номер смены больше 0 или -1 в обоих элементах (текущая смена)",
                          elements.at(index));
    }
    return ShiftRange{std::min(first, last), std::max(first, last)};
}

bool isSection(std::int32_t id) {
    return (id >= 0 && id < kShiftGroupCount) ||
           (id >= kNewFormatSectionBase && id < kNewFormatSectionBase + kShiftGroupCount);
}

// Triples (position, section id, path), then one Empty element.
std::vector<LayoutEntry> readLayout(const ParamArray& elements) {
    constexpr std::size_t index = 2;
    const std::string_view what = kName[index];
    const std::vector<Variant>& items = elements.array(index, what).elements();
    if (items.size() % 3 != 1 || !items.back().isEmpty())
        elements.fail(index, what,
                      "ожидаются тройки (позиция, раздел, шаблон) и один пустой элемент в конце",
                      elements.at(index));
    std::vector<LayoutEntry> layout;
    for (std::size_t at = 0; at + 1 < items.size(); at += 3) {
        const std::string where = "тройка " + std::to_string(at / 3) + ": ";
        LayoutEntry entry;
        entry.position = elements.integerIn(index, what, items[at], where + "позиция: ");
        entry.section = elements.integerIn(index, what, items[at + 1], where + "раздел: ");
        if (!isSection(entry.section))
            elements.fail(index, what, where + "раздел должен быть от 0 до 15 или от 100 до 115",
                          items[at + 1]);
        const Variant& path = items[at + 2];
        if (path.type() != VarType::Str)
            elements.fail(index, what, where + "путь к шаблону должен быть строкой", path);
        entry.templatePath = path.rawString();
        layout.push_back(std::move(entry));
    }
    return layout;
}

}  // namespace

ShiftReportRequest readShiftReportRequest(const Variant& params) {
    const ParamArray elements(params, "Сменный отчет (№45)", {kElementCount});
    ShiftReportRequest request;
    request.shifts = readShifts(elements);
    request.layout = readLayout(elements);
    request.roundTanks = elements.integer(4, kName[4]) == 0;
    request.department = elements.text(5, kName[5]);
    request.userLevel3 = elements.flag(6, kName[6]);
    request.statementPayTypes = elements.payTypeMask(7, kName[7]);
    request.tankGrouping = elements.integer(8, kName[8]);
    return request;
}

}  // namespace kvt::host
