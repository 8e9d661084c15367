#include "host/reports/ReportParams.h"

#include <limits>
#include <stdexcept>

namespace kvt::host {

namespace {

std::string countsText(std::initializer_list<std::size_t> counts) {
    std::string text;
    std::size_t written = 0;
    for (const std::size_t count : counts) {
        if (written > 0)
            text += written + 1 == counts.size() ? " или " : ", ";
        text += std::to_string(count);
        ++written;
    }
    return text;
}

bool hasCount(std::initializer_list<std::size_t> counts, const Variant& params) {
    for (const std::size_t count : counts) {
        if (static_cast<std::size_t>(params.bounds()[0].count()) == count)
            return true;
    }
    return false;
}

}  // namespace

ParamArray::ParamArray(const Variant& params, std::string report,
                       std::initializer_list<std::size_t> counts)
    : report_(std::move(report)) {
    if (!params.isArray() || params.dimCount() != 1 || !hasCount(counts, params))
        throw std::runtime_error(report_ + ": ожидается массив из " + countsText(counts) +
                                 " элементов, получено " + params.canonical());
    elements_ = &params.elements();
}

void ParamArray::fail(std::size_t index, std::string_view what, std::string_view problem,
                      const Variant& value) const {
    throw std::runtime_error(report_ + ": элемент " + std::to_string(index) + " (" +
                             std::string(what) + "): " + std::string(problem) + ", получено " +
                             value.canonical());
}

std::int32_t ParamArray::integer(std::size_t index, std::string_view what) const {
    return integerIn(index, what, at(index), "");
}

std::int32_t ParamArray::integerIn(std::size_t index, std::string_view what, const Variant& value,
                                   std::string_view where) const {
    if (!isIntegerType(value.type()))
        fail(index, what, std::string(where) + "ожидается целое число", value);
    const std::int64_t number = value.toInt64();
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        fail(index, what, std::string(where) + "число вне 32 бит", value);
    return static_cast<std::int32_t>(number);
}

DateTime ParamArray::date(std::size_t index, std::string_view what) const {
    const Variant& value = at(index);
    if (value.type() != VarType::Date)
        fail(index, what, "ожидается дата и время", value);
    return value.rawDouble();
}

std::string ParamArray::text(std::size_t index, std::string_view what) const {
    const Variant& value = at(index);
    if (value.type() != VarType::Str && !value.isEmpty())
        fail(index, what, "ожидается строка", value);
    return value.rawString();
}

bool ParamArray::flag(std::size_t index, std::string_view what) const {
    const Variant& value = at(index);
    if (value.type() != VarType::Bool)
        fail(index, what, "ожидается логическое значение", value);
    return value.toBool();
}

const Variant& ParamArray::array(std::size_t index, std::string_view what) const {
    const Variant& value = at(index);
    if (!value.isArray() || value.dimCount() != 1)
        fail(index, what, "ожидается одномерный массив", value);
    return value;
}

std::vector<bool> ParamArray::payTypeMask(std::size_t index, std::string_view what) const {
    std::vector<bool> mask;
    for (const Variant& flag : array(index, what).elements())
        mask.push_back(integerIn(index, what, flag, "флаг вида оплаты: ") != 0);
    return mask;
}

}  // namespace kvt::host
