#include "kvtreports/Variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <utility>

#include "infra/DateTime.h"
#include "platform/Text.h"

namespace kvt {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

[[noreturn]] void throwOutOfBounds() {
    throw VariantError("Индекс массива вариантов вне диапазона");
}

[[noreturn]] void throwOverflow(VarType from, VarType to) {
    throw VariantError("Переполнение при преобразовании варианта типа (" +
                       std::string(varTypeName(from)) + ") в тип (" + std::string(varTypeName(to)) +
                       ")");
}

// Strings accept the locale's decimal comma and the point alike, and hexadecimal integers.
std::optional<double> numberFromString(std::string_view text) {
    static const FormatSettings pointSettings = [] {
        FormatSettings settings;
        settings.decimalSeparator = '.';
        return settings;
    }();
    double value = 0;
    if (TryStrToFloat(text, value, defaultFormatSettings()) ||
        TryStrToFloat(text, value, pointSettings)) {
        return value;
    }
    std::int64_t integer = 0;
    if (TryStrToInt64(text, integer)) {
        return static_cast<double>(integer);
    }
    return std::nullopt;
}

// Rounds half to even, as the station software converts floating values to integers.
std::optional<std::int64_t> roundToInteger(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -0x1p63 && rounded < 0x1p63)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

std::int64_t roundCurrency(std::int64_t tenThousandths) {
    std::int64_t whole = tenThousandths / 10000;
    const std::int64_t rest = tenThousandths % 10000;
    const std::int64_t half = rest < 0 ? -rest : rest;
    if (half > 5000 || (half == 5000 && whole % 2 != 0)) {
        whole += rest < 0 ? -1 : 1;
    }
    return whole;
}

// Exact decimal text of a currency amount; `allDecimals` keeps trailing zeros.
std::string currencyText(std::int64_t tenThousandths, char point, bool allDecimals) {
    const bool negative = tenThousandths < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                             : static_cast<std::uint64_t>(tenThousandths);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    if (!allDecimals) {
        fraction.erase(fraction.find_last_not_of('0') + 1);
    }
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    return fraction.empty() ? text : text + point + fraction;
}

std::string shortestText(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string isoDateTime(double value) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day,
                  hour, minute, second, millisecond);
    return buffer;
}

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
        }
        result += c;
    }
    return result + '"';
}

std::string_view canonicalName(VarType type) {
    switch (type) {
        case VarType::I1:
            return "I1";
        case VarType::I2:
            return "I2";
        case VarType::I4:
            return "I4";
        case VarType::I8:
            return "I8";
        case VarType::UI1:
            return "UI1";
        case VarType::R8:
            return "R8";
        case VarType::CY:
            return "CY";
        case VarType::Date:
            return "Date";
        case VarType::Str:
            return "Str";
        case VarType::Bool:
            return "Bool";
        default:
            return varTypeName(type);
    }
}

}  // namespace

bool isIntegerType(VarType type) {
    return type == VarType::I1 || type == VarType::I2 || type == VarType::I4 ||
           type == VarType::I8 || type == VarType::UI1;
}

std::string_view varTypeName(VarType type) {
    switch (type) {
        case VarType::Empty:
            return "Empty";
        case VarType::Null:
            return "Null";
        case VarType::I2:
            return "Smallint";
        case VarType::I4:
            return "Integer";
        case VarType::R8:
            return "Double";
        case VarType::CY:
            return "Currency";
        case VarType::Date:
            return "Date";
        case VarType::Str:
            return "String";
        case VarType::Bool:
            return "Boolean";
        case VarType::I1:
            return "ShortInt";
        case VarType::UI1:
            return "Byte";
        case VarType::I8:
            return "Int64";
        case VarType::Array:
            return "Array";
    }
    return "Unknown";
}

Variant::Variant(std::int32_t value) : type_(VarType::I4), integer_(value) {}
Variant::Variant(double value) : type_(VarType::R8), real_(value) {}
Variant::Variant(bool value) : type_(VarType::Bool), integer_(value ? 1 : 0) {}
Variant::Variant(const char* text) : Variant(std::string(text != nullptr ? text : "")) {}
Variant::Variant(std::string text) : type_(VarType::Str), text_(std::move(text)) {}
Variant::Variant(std::string_view text) : Variant(std::string(text)) {}

Variant Variant::null() {
    Variant value;
    value.type_ = VarType::Null;
    return value;
}

Variant Variant::i1(std::int8_t value) {
    Variant result(static_cast<std::int32_t>(value));
    result.type_ = VarType::I1;
    return result;
}

Variant Variant::i2(std::int16_t value) {
    Variant result(static_cast<std::int32_t>(value));
    result.type_ = VarType::I2;
    return result;
}

Variant Variant::ui1(std::uint8_t value) {
    Variant result(static_cast<std::int32_t>(value));
    result.type_ = VarType::UI1;
    return result;
}

Variant Variant::i8(std::int64_t value) {
    Variant result;
    result.type_ = VarType::I8;
    result.integer_ = value;
    return result;
}

Variant Variant::currency(std::int64_t tenThousandths) {
    Variant result = i8(tenThousandths);
    result.type_ = VarType::CY;
    return result;
}

Variant Variant::date(double days) {
    Variant result(days);
    result.type_ = VarType::Date;
    return result;
}

Variant Variant::array(std::int32_t low, std::int32_t high) {
    return array({{low, high}});
}

Variant Variant::array(std::vector<ArrayBound> bounds) {
    if (bounds.empty()) {
        throw VariantError("Ошибка создания варианта или массива");
    }
    std::size_t total = 1;
    for (const ArrayBound& bound : bounds) {
        const std::int64_t count = std::int64_t{bound.high} - bound.low + 1;
        if (count < 0 || count > kInt32Max ||
            (count > 0 && total > std::numeric_limits<std::size_t>::max() / count)) {
            throw VariantError("Ошибка создания варианта или массива");
        }
        total *= static_cast<std::size_t>(count);
    }
    Variant result;
    result.type_ = VarType::Array;
    result.array_ = std::make_shared<ArrayData>(ArrayData{std::move(bounds), {}});
    result.array_->elements.resize(total);
    return result;
}

Variant Variant::list(std::vector<Variant> elements, std::int32_t low) {
    const auto count = static_cast<std::int64_t>(elements.size());
    const std::int64_t high = std::int64_t{low} + count - 1;
    if (count > kInt32Max || high > kInt32Max || high < kInt32Min) {
        throw VariantError("Ошибка создания варианта или массива");
    }
    Variant result;
    result.type_ = VarType::Array;
    result.array_ = std::make_shared<ArrayData>(
        ArrayData{{{low, static_cast<std::int32_t>(high)}}, std::move(elements)});
    return result;
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        assign(other.contains(this) ? other.deepCopy() : Variant(other));
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) {
    if (this != &other) {
        assign(other.contains(this) ? other.deepCopy() : std::move(other));
    }
    return *this;
}

// `source` is already independent of this variant, so releasing the old value cannot destroy it.
void Variant::assign(Variant&& source) {
    type_ = source.type_;
    integer_ = source.integer_;
    real_ = source.real_;
    text_ = std::move(source.text_);
    array_ = std::move(source.array_);
}

bool Variant::contains(const Variant* element) const {
    if (!array_ || array_->elements.empty()) {
        return false;
    }
    const auto& elements = array_->elements;
    const std::less_equal<const Variant*> notAfter;
    if (notAfter(&elements.front(), element) && notAfter(element, &elements.back())) {
        return true;
    }
    return std::any_of(elements.begin(), elements.end(),
                       [element](const Variant& item) { return item.contains(element); });
}

Variant Variant::deepCopy() const {
    Variant copy(*this);
    if (array_) {
        auto data = std::make_shared<ArrayData>();
        data->bounds = array_->bounds;
        data->elements.reserve(array_->elements.size());
        for (const Variant& element : array_->elements) {
            data->elements.push_back(element.deepCopy());
        }
        copy.array_ = std::move(data);
    }
    return copy;
}

const Variant::ArrayData& Variant::arrayData() const {
    if (!array_) {
        throw VariantError("Вариант типа (" + std::string(varTypeName(type_)) +
                           ") не является массивом");
    }
    return *array_;
}

Variant::ArrayData& Variant::arrayData() {
    std::as_const(*this).arrayData();
    if (array_.use_count() > 1) {
        array_ = std::make_shared<ArrayData>(*array_);
    }
    return *array_;
}

int Variant::dimCount() const {
    return static_cast<int>(arrayData().bounds.size());
}

std::int32_t Variant::lowBound(int dim) const {
    if (dim < 1 || dim > dimCount()) {
        throwOutOfBounds();
    }
    return arrayData().bounds[dim - 1].low;
}

std::int32_t Variant::highBound(int dim) const {
    if (dim < 1 || dim > dimCount()) {
        throwOutOfBounds();
    }
    return arrayData().bounds[dim - 1].high;
}

const std::vector<ArrayBound>& Variant::bounds() const {
    return arrayData().bounds;
}

const std::vector<Variant>& Variant::elements() const {
    return arrayData().elements;
}

std::size_t Variant::offsetOf(std::int32_t index) const {
    const auto& bounds = arrayData().bounds;
    if (bounds.size() != 1 || index < bounds[0].low || index > bounds[0].high) {
        throwOutOfBounds();
    }
    return static_cast<std::size_t>(std::int64_t{index} - bounds[0].low);
}

std::size_t Variant::offsetOf(std::int32_t row, std::int32_t column) const {
    const auto& bounds = arrayData().bounds;
    if (bounds.size() != 2 || row < bounds[0].low || row > bounds[0].high ||
        column < bounds[1].low || column > bounds[1].high) {
        throwOutOfBounds();
    }
    const auto rowOffset = static_cast<std::size_t>(std::int64_t{row} - bounds[0].low);
    const auto columnOffset = static_cast<std::size_t>(std::int64_t{column} - bounds[1].low);
    return rowOffset * static_cast<std::size_t>(bounds[1].count()) + columnOffset;
}

Variant& Variant::at(std::int32_t index) {
    const std::size_t offset = offsetOf(index);
    return arrayData().elements[offset];
}

const Variant& Variant::at(std::int32_t index) const {
    return arrayData().elements[offsetOf(index)];
}

Variant& Variant::at(std::int32_t row, std::int32_t column) {
    const std::size_t offset = offsetOf(row, column);
    return arrayData().elements[offset];
}

const Variant& Variant::at(std::int32_t row, std::int32_t column) const {
    return arrayData().elements[offsetOf(row, column)];
}

void Variant::cannotConvert(VarType target) const {
    throw VariantError("Невозможно преобразовать вариант типа (" + std::string(varTypeName(type_)) +
                       ") в тип (" + std::string(varTypeName(target)) + ")");
}

std::int64_t Variant::toIntegerIn(std::int64_t min, std::int64_t max, VarType target) const {
    std::optional<std::int64_t> value;
    switch (type_) {
        case VarType::Empty:
            return 0;
        case VarType::Bool:
            return integer_ != 0 ? -1 : 0;
        case VarType::I1:
        case VarType::I2:
        case VarType::I4:
        case VarType::I8:
        case VarType::UI1:
            value = integer_;
            break;
        case VarType::CY:
            value = roundCurrency(integer_);
            break;
        case VarType::R8:
        case VarType::Date:
            value = roundToInteger(real_);
            break;
        case VarType::Str: {
            std::int64_t integer = 0;
            if (TryStrToInt64(text_, integer)) {
                value = integer;
            } else if (const auto number = numberFromString(text_)) {
                value = roundToInteger(*number);
            } else {
                cannotConvert(target);
            }
            break;
        }
        default:
            cannotConvert(target);
    }
    if (!value || *value < min || *value > max) {
        throwOverflow(type_, target);
    }
    return *value;
}

std::int32_t Variant::toInt() const {
    return static_cast<std::int32_t>(toIntegerIn(kInt32Min, kInt32Max, VarType::I4));
}

std::int64_t Variant::toInt64() const {
    return toIntegerIn(kInt64Min, kInt64Max, VarType::I8);
}

double Variant::toDouble() const {
    switch (type_) {
        case VarType::Empty:
            return 0;
        case VarType::Bool:
            return integer_ != 0 ? -1 : 0;
        case VarType::CY:
            return static_cast<double>(integer_) / 10000;
        case VarType::R8:
        case VarType::Date:
            return real_;
        case VarType::Str:
            if (const auto number = numberFromString(text_)) {
                return *number;
            }
            cannotConvert(VarType::R8);
        default:
            if (isIntegerType(type_)) {
                return static_cast<double>(integer_);
            }
            cannotConvert(VarType::R8);
    }
}

bool Variant::toBool() const {
    switch (type_) {
        case VarType::Empty:
            return false;
        case VarType::R8:
        case VarType::Date:
            return real_ != 0;
        case VarType::Str:
            if (platform::equalsIgnoreCase(text_, "true")) {
                return true;
            }
            if (platform::equalsIgnoreCase(text_, "false")) {
                return false;
            }
            if (const auto number = numberFromString(text_)) {
                return *number != 0;
            }
            cannotConvert(VarType::Bool);
        default:
            if (isIntegerType(type_) || type_ == VarType::Bool || type_ == VarType::CY) {
                return integer_ != 0;
            }
            cannotConvert(VarType::Bool);
    }
}

std::string Variant::toString() const {
    switch (type_) {
        case VarType::Empty:
            return {};
        case VarType::Bool:
            return integer_ != 0 ? "True" : "False";
        case VarType::R8:
            return FloatToStr(real_);
        case VarType::CY:
            return currencyText(integer_, defaultFormatSettings().decimalSeparator, false);
        case VarType::Date:
            return DateTimeToStr(real_);
        case VarType::Str:
            return text_;
        default:
            if (isIntegerType(type_)) {
                return std::to_string(integer_);
            }
            cannotConvert(VarType::Str);
    }
}

double Variant::toDate() const {
    if (type_ == VarType::Date) {
        return real_;
    }
    if (type_ == VarType::Str) {
        DateTime value = 0;
        if (!TryStrToDateTime(text_, value)) {
            cannotConvert(VarType::Date);
        }
        return value;
    }
    if (type_ == VarType::Null || type_ == VarType::Array) {
        cannotConvert(VarType::Date);
    }
    return toDouble();
}

bool Variant::operator==(const Variant& other) const {
    if (type_ != other.type_) {
        return false;
    }
    switch (type_) {
        case VarType::Empty:
        case VarType::Null:
            return true;
        case VarType::R8:
        case VarType::Date:
            return real_ == other.real_;
        case VarType::Str:
            return text_ == other.text_;
        case VarType::Array:
            return array_ == other.array_ || (array_->bounds == other.array_->bounds &&
                                              array_->elements == other.array_->elements);
        default:
            return integer_ == other.integer_;
    }
}

std::string Variant::canonical() const {
    const std::string name(canonicalName(type_));
    switch (type_) {
        case VarType::Empty:
        case VarType::Null:
            return name;
        case VarType::R8:
            return name + "(" + shortestText(real_) + ")";
        case VarType::CY:
            return name + "(" + currencyText(integer_, '.', true) + ")";
        case VarType::Date:
            return name + "(" + isoDateTime(real_) + ")";
        case VarType::Str:
            return name + "(" + quoted(text_) + ")";
        case VarType::Bool:
            return name + (integer_ != 0 ? "(true)" : "(false)");
        case VarType::Array: {
            std::string text = name + "[";
            for (std::size_t i = 0; i < array_->bounds.size(); ++i) {
                const ArrayBound& bound = array_->bounds[i];
                text += (i > 0 ? "," : "") + std::to_string(bound.low) + ".." +
                        std::to_string(bound.high);
            }
            text += "](";
            for (std::size_t i = 0; i < array_->elements.size(); ++i) {
                text += (i > 0 ? ", " : "") + array_->elements[i].canonical();
            }
            return text + ")";
        }
        default:
            return name + "(" + std::to_string(integer_) + ")";
    }
}

std::ostream& operator<<(std::ostream& out, const Variant& value) {
    return out << value.canonical();
}

void PrintTo(const Variant& value, std::ostream* out) {
    *out << value.canonical();
}

}  // namespace kvt
