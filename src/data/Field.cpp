#include "data/Field.h"

#include <cmath>

#include "appserver/RecordStore.h"
#include "data/ClientDataSet.h"
#include "infra/NumberText.h"

namespace kvt::data {

using appserver::FieldType;

namespace {

bool isNumeric(FieldType type) {
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
        case FieldType::Float:
        case FieldType::Currency:
            return true;
        default:
            return false;
    }
}

// Widths a grid gives a column when the form sets none, in characters.
int defaultWidth(const appserver::FieldDef& def) {
    switch (def.type) {
        case FieldType::String:
            return def.size > 0 ? def.size : 20;
        case FieldType::SmallInt:
            return 6;
        case FieldType::Integer:
            return 10;
        case FieldType::Float:
        case FieldType::Currency:
            return 10;
        case FieldType::Date:
            return 10;
        case FieldType::DateTime:
            return 18;
        case FieldType::Boolean:
            return 5;
    }
    return 10;
}

std::string currencyText(double value, const FormatSettings& settings) {
    return formatFixed(value, 2, settings.decimalSeparator, " ") + " р.";
}

bool isDateType(FieldType type) {
    return type == FieldType::Date || type == FieldType::DateTime;
}

// Values are read in their stored type where the conversion is the stored type's own; text
// read as a number, and Boolean true as -1, go through the variant's conversions.
using StoredValue = ClientDataSet::StoredValue;

bool absent(const StoredValue& at) {
    return !at.records || at.records->isNull(at.record, at.column);
}

std::int64_t wholeAt(const StoredValue& at) {
    return at.records->integer(at.record, at.column);
}

double realAt(const StoredValue& at) {
    return at.records->real(at.record, at.column);
}

Variant variantAt(const StoredValue& at) {
    return at.records->value(at.record, at.column);
}

bool isWhole(FieldType type) {
    return type == FieldType::Integer || type == FieldType::SmallInt;
}

// Every type but String and Boolean is a number to AsFloat and AsDateTime as it is stored.
bool isPlainNumber(FieldType type) {
    return type != FieldType::String && type != FieldType::Boolean;
}

std::string textAt(const StoredValue& at, FieldType type) {
    if (type == FieldType::String)
        return std::string(at.records->text(at.record, at.column));
    if (isWhole(type))
        return std::to_string(wholeAt(at));
    return fieldValueText(variantAt(at), type);
}

}  // namespace

std::string fieldValueText(const Variant& value, FieldType type) {
    if (value.isNull() || value.isEmpty())
        return {};
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
            return std::to_string(value.toInt64());
        case FieldType::Float:
        case FieldType::Currency:
            return FloatToStr(value.toDouble());
        case FieldType::Date:
            return FormatDateTime(defaultFormatSettings().shortDateFormat, value.toDate());
        case FieldType::DateTime:
            return DateTimeToStr(value.toDate());
        case FieldType::Boolean:
            return value.toBool() ? "True" : "False";
        case FieldType::String:
            return value.toString();
    }
    return value.toString();
}

std::string FormatFloat(std::string_view format, double value, const FormatSettings& settings) {
    const auto point = format.find('.');
    int decimals = 0;
    if (point != std::string_view::npos) {
        for (auto i = point + 1; i < format.size() && (format[i] == '0' || format[i] == '#'); ++i)
            ++decimals;
    }
    const bool grouped = format.substr(0, point).find(',') != std::string_view::npos;
    return formatFixed(value, decimals, settings.decimalSeparator, grouped ? " " : "");
}

Field::Field(ClientDataSet& dataSet, appserver::FieldDef def)
    : Alignment(isNumeric(def.type) ? FieldAlignment::Right : FieldAlignment::Left),
      dataSet_(&dataSet),
      def_(std::move(def)) {}

int Field::Index() const {
    return dataSet_->fieldIndex(*this);
}

const std::string& Field::DisplayName() const {
    return DisplayLabel.empty() ? def_.name : DisplayLabel;
}

int Field::EffectiveDisplayWidth() const {
    return DisplayWidth > 0 ? DisplayWidth : defaultWidth(def_);
}

Variant Field::Value() const {
    return dataSet_->fieldValue(*this);
}

bool Field::IsNull() const {
    return absent(dataSet_->storedValue(*this));
}

std::string Field::AsString() const {
    const StoredValue at = dataSet_->storedValue(*this);
    return absent(at) ? std::string() : textAt(at, def_.type);
}

std::int32_t Field::AsInteger() const {
    const StoredValue at = dataSet_->storedValue(*this);
    if (absent(at))
        return 0;
    return isWhole(def_.type) ? static_cast<std::int32_t>(wholeAt(at)) : variantAt(at).toInt();
}

double Field::AsFloat() const {
    const StoredValue at = dataSet_->storedValue(*this);
    if (absent(at))
        return 0.0;
    return isPlainNumber(def_.type) ? realAt(at) : variantAt(at).toDouble();
}

double Field::AsCurrency() const {
    return AsFloat();
}

DateTime Field::AsDateTime() const {
    const StoredValue at = dataSet_->storedValue(*this);
    if (absent(at))
        return 0.0;
    return isPlainNumber(def_.type) ? realAt(at) : variantAt(at).toDate();
}

bool Field::AsBoolean() const {
    const StoredValue at = dataSet_->storedValue(*this);
    if (absent(at))
        return false;
    return def_.type == FieldType::String ? variantAt(at).toBool() : realAt(at) != 0;
}

std::string Field::defaultText(bool display) const {
    const StoredValue at = dataSet_->storedValue(*this);
    if (absent(at))
        return {};
    if (display && (def_.type == FieldType::Float || def_.type == FieldType::Currency)) {
        if (!DisplayFormat.empty())
            return FormatFloat(DisplayFormat, realAt(at));
        if (Currency || def_.type == FieldType::Currency)
            return currencyText(realAt(at), defaultFormatSettings());
    }
    if (display && !DisplayFormat.empty() && isDateType(def_.type))
        return FormatDateTime(DisplayFormat, realAt(at));
    return textAt(at, def_.type);
}

std::string Field::DisplayText() const {
    if (!OnGetText)
        return defaultText(true);
    std::string text;
    OnGetText(*this, text, true);
    return text;
}

std::string Field::Text() const {
    if (!OnGetText)
        return defaultText(false);
    std::string text;
    OnGetText(*this, text, false);
    return text;
}

}  // namespace kvt::data
