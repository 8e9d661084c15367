#include "host/kit/ShiftReportRequest.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace kvt::host {

namespace {

constexpr std::int32_t kElementCount = 9;
constexpr std::int32_t kCurrentShiftMarker = -1;

constexpr std::array<std::string_view, kElementCount> kElementNames{
    "первая смена",        "последняя смена",           "макет отчета",
    "значение 11 консоли", "округление по резервуарам", "путь отдела",
    "признак уровня 3",    "выбор ведомостей",          "группировка по резервуарам",
};

// Reads the elements of the array, each error naming the element it is about.
class Elements {
public:
    explicit Elements(const Variant& params) {
        if (!params.isArray() || params.dimCount() != 1 ||
            params.bounds()[0].count() != kElementCount)
            throw std::runtime_error(prefix() + "ожидается массив из " +
                                     std::to_string(kElementCount) + " элементов, получено " +
                                     params.canonical());
        elements_ = &params.elements();
    }

    const Variant& at(std::int32_t index) const {
        return (*elements_)[static_cast<std::size_t>(index)];
    }

    [[noreturn]] void fail(std::int32_t index, const std::string& problem,
                           const Variant& value) const {
        throw std::runtime_error(prefix() + "элемент " + std::to_string(index) + " (" +
                                 std::string(kElementNames[static_cast<std::size_t>(index)]) +
                                 "): " + problem + ", получено " + value.canonical());
    }

    std::int32_t integer(std::int32_t index) const { return integer(index, at(index), ""); }

    // An integer of any integer type, `where` naming its place inside an array element.
    std::int32_t integer(std::int32_t index, const Variant& value, const std::string& where) const {
        if (!isIntegerType(value.type()))
            fail(index, where + "ожидается целое число", value);
        const std::int64_t number = value.toInt64();
        if (number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max())
            fail(index, where + "число вне 32 бит", value);
        return static_cast<std::int32_t>(number);
    }

    const Variant& array(std::int32_t index) const {
        const Variant& value = at(index);
        if (!value.isArray() || value.dimCount() != 1)
            fail(index, "ожидается одномерный массив", value);
        return value;
    }

private:
    static std::string prefix() { return "Сменный отчет (№45): "; }

    const std::vector<Variant>* elements_ = nullptr;
};

std::optional<ShiftRange> readShifts(const Elements& elements) {
    const std::int32_t first = elements.integer(0);
    const std::int32_t last = elements.integer(1);
    if (first == kCurrentShiftMarker && last == kCurrentShiftMarker)
        return std::nullopt;
    for (const std::int32_t index : {0, 1}) {
        if (elements.integer(index) <= 0)
            elements.fail(index,
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
std::vector<LayoutEntry> readLayout(const Elements& elements) {
    constexpr std::int32_t index = 2;
    const std::vector<Variant>& items = elements.array(index).elements();
    if (items.size() % 3 != 1 || !items.back().isEmpty())
        elements.fail(index,
                      "ожидаются тройки (позиция, раздел, шаблон) и один пустой элемент в конце",
                      elements.at(index));
    std::vector<LayoutEntry> layout;
    for (std::size_t at = 0; at + 1 < items.size(); at += 3) {
        const std::string where = "тройка " + std::to_string(at / 3) + ": ";
        LayoutEntry entry;
        entry.position = elements.integer(index, items[at], where + "позиция: ");
        entry.section = elements.integer(index, items[at + 1], where + "раздел: ");
        if (!isSection(entry.section))
            elements.fail(index, where + "раздел должен быть от 0 до 15 или от 100 до 115",
                          items[at + 1]);
        const Variant& path = items[at + 2];
        if (path.type() != VarType::Str)
            elements.fail(index, where + "путь к шаблону должен быть строкой", path);
        entry.templatePath = path.rawString();
        layout.push_back(std::move(entry));
    }
    return layout;
}

std::vector<bool> readFlags(const Elements& elements) {
    constexpr std::int32_t index = 7;
    std::vector<bool> flags;
    for (const Variant& flag : elements.array(index).elements())
        flags.push_back(elements.integer(index, flag, "флаг вида оплаты: ") != 0);
    return flags;
}

}  // namespace

ShiftReportRequest readShiftReportRequest(const Variant& params) {
    const Elements elements(params);
    ShiftReportRequest request;
    request.shifts = readShifts(elements);
    request.layout = readLayout(elements);
    request.roundTanks = elements.integer(4) == 0;
    const Variant& department = elements.at(5);
    if (department.type() != VarType::Str && !department.isEmpty())
        elements.fail(5, "ожидается строка", department);
    request.department = department.rawString();
    const Variant& level3 = elements.at(6);
    if (level3.type() != VarType::Bool)
        elements.fail(6, "ожидается логическое значение", level3);
    request.userLevel3 = level3.toBool();
    request.statementPayTypes = readFlags(elements);
    request.tankGrouping = elements.integer(8);
    return request;
}

}  // namespace kvt::host
